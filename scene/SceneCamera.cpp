#include "scene/SceneCamera.h"

#include <cmath>

#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>

namespace scene {

void placeLightCamera(Camera& light) {
    light.position = {300.0f, 50.0f, 0.0f};
    light.direction = {0.0f, 0.0f, 0.0f};
    light.direction_mode = false;
    light.up = {0.0f, 1.0f, 0.0f};
    light.aspect = 1.0f;
    light.fov = 90.0f;
    light.znear = 1.0f;
    light.zfar = 1000.0f;
    light.orthographic = true;
    light.ortho_half_extent = 100.0f;
    light.light_direction = {1.0f, 1.0f, 1.0f};
}

Camera* activeCamera(Scene& scene) {
    if (scene.shadow_pass) return &scene.light_camera;
    Camera* own = scene.camera.get();
    if (!scene.camera_scene) return own;
    Camera* other = scene.camera_scene->camera.get();
    if (!scene.camera_scene_only_direction) return other;
    if (own && other) own->direction = other->direction_mode ? other->direction : other->direction - other->position;
    return own;
}

glm::mat4 viewMatrix(const Camera& camera) {
    const glm::vec3 target =
        camera.direction_mode ? camera.position + glm::normalize(camera.direction) : camera.direction;
    return glm::lookAtRH(camera.position, target, camera.up);
}

glm::mat4 projectionMatrix(const Camera& camera) {
    if (camera.orthographic) {
        const float h = camera.ortho_half_extent;
        return glm::orthoRH_NO(-h, h, -h, h, camera.znear, camera.zfar);
    }
    // glm asserts on a zero aspect in debug builds; stored content may carry one.
    const float aspect = std::abs(camera.aspect) > 1e-6f ? camera.aspect : 1.0f;
    return glm::perspectiveRH_NO(camera.fov * 0.017453292f, aspect, camera.znear, camera.zfar);
}

}  // namespace scene
