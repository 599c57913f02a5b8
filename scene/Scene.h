// A model placed under a camera, drawn by scene effects and scene nodes. This file holds the
// records; drawing lives in the GPU side.
#pragma once
#include <memory>
#include <string>

#include <glm/vec3.hpp>

#include "content/ISerializable.h"

class Model;

class Camera : public ISerializable {
public:
    glm::vec3 position{0.0f, 0.0f, 0.0f};
    glm::vec3 direction{0.0f, 0.0f, -1.0f};
    glm::vec3 up{0.0f, 1.0f, 0.0f};
    float aspect = 16.0f / 9.0f;
    float fov = 45.0f;
    float znear = 0.1f;
    float zfar = 1000.0f;
    bool direction_mode = false;
    bool orthographic = false;
    float ortho_half_extent = 100.0f;
    glm::vec3 light_direction{1.0f, 1.0f, 1.0f};

    content::Json toJson(const content::JsonFiles& files = {}) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files = {}) override;
    void readBinary(content::BinaryReader& in) override;
};

class Node : public ISerializable {
public:
    std::string name;
    Model* model = nullptr;
    uint64_t modelKey = 0;   // as stored, until resolved
    std::string modelName;   // as read from JSON, until resolved

    content::Json toJson(const content::JsonFiles& files = {}) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files = {}) override;
    void readBinary(content::BinaryReader& in) override;
};

class Scene : public ISerializable {
public:
    std::string name;
    std::unique_ptr<Camera> camera;
    std::unique_ptr<Node> root_node;
    Scene* camera_scene = nullptr;
    uint64_t cameraSceneKey = 0;    // as stored, until resolved
    std::string cameraSceneName;    // as read from JSON, until resolved
    bool camera_scene_only_direction = false;

    // GPU side state.
    Camera light_camera;
    bool shadow_pass = false;
    int32_t shadow_width = 8192, shadow_height = 8192;
    uint32_t shadow_framebuffer = 0, shadow_texture = 0;  // made by the first shadow pass

    Scene();  // places the light camera

    content::Json toJson(const content::JsonFiles& files) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files) override;
    void readBinary(content::BinaryReader& in) override;
};
