#include "scene/Scene.h"

#include "scene/Model.h"
#include "scene/SceneCamera.h"

namespace {

void writeVec3(content::BinaryWriter& out, const glm::vec3& v) {
    out.f32(v.x);
    out.f32(v.y);
    out.f32(v.z);
}

glm::vec3 readVec3(content::BinaryReader& in) {
    float x = in.f32();
    float y = in.f32();
    float z = in.f32();
    return {x, y, z};
}

content::Json vec3ToJson(const glm::vec3& v) { return content::Json::array({double(v.x), double(v.y), double(v.z)}); }

glm::vec3 vec3FromJson(const content::Json& json, const char* key) {
    const content::Json& a = content::jsonArray(json, key);
    auto at = [&](size_t i) { return i < a.size() ? content::asJsonFloat(a[i]) : 0.0f; };
    return {at(0), at(1), at(2)};
}

// Present records are marked 1, absent ones 0; readers take any nonzero marker as present.
template <class T>
void writeOptional(content::BinaryWriter& out, const std::unique_ptr<T>& record) {
    out.u64(record ? 1 : 0);
    if (record) record->writeBinary(out);
}

template <class T>
std::unique_ptr<T> readOptional(content::BinaryReader& in) {
    if (in.u64() == 0) return nullptr;
    auto record = std::make_unique<T>();
    record->readBinary(in);
    return record;
}

template <class T>
std::unique_ptr<T> optionalFromJson(const content::Json& json, const char* key, const content::JsonFiles& files) {
    if (!json.is_object() || !json.contains(key) || !json[key].is_object()) return nullptr;
    auto record = std::make_unique<T>();
    record->fromJson(json[key], files);
    return record;
}

}  // namespace

content::Json Camera::toJson(const content::JsonFiles&) const {
    content::Json j;
    j["position"] = vec3ToJson(position);
    j["direction"] = vec3ToJson(direction);
    j["up"] = vec3ToJson(up);
    j["aspect"] = double(aspect);
    j["fov"] = double(fov);
    j["znear"] = double(znear);
    j["zfar"] = double(zfar);
    j["direction_mode"] = direction_mode;
    return j;
}

void Camera::writeBinary(content::BinaryWriter& out) const {
    writeVec3(out, position);
    writeVec3(out, direction);
    writeVec3(out, up);
    out.f32(aspect);
    out.f32(fov);
    out.f32(znear);
    out.f32(zfar);
    out.boolean(direction_mode);
}

void Camera::fromJson(const content::Json& json, const content::JsonFiles&) {
    using namespace content;
    position = vec3FromJson(json, "position");
    direction = vec3FromJson(json, "direction");
    up = vec3FromJson(json, "up");
    aspect = jsonFloat(json, "aspect");
    fov = jsonFloat(json, "fov");
    znear = jsonFloat(json, "znear");
    zfar = jsonFloat(json, "zfar");
    if (jsonHas(json, "direction_mode")) direction_mode = jsonBool(json, "direction_mode");
}

void Camera::readBinary(content::BinaryReader& in) {
    content::RecordScope scope(in, "Camera");
    position = readVec3(in);
    direction = readVec3(in);
    up = readVec3(in);
    aspect = in.f32();
    fov = in.f32();
    znear = in.f32();
    zfar = in.f32();
    direction_mode = in.boolean();
}

content::Json Node::toJson(const content::JsonFiles&) const {
    content::Json j;
    j["name"] = name;
    if (model) j["model"] = model->storedName();
    return j;
}

void Node::writeBinary(content::BinaryWriter& out) const {
    out.string(name);
    out.reference(model);
}

void Node::fromJson(const content::Json& json, const content::JsonFiles&) {
    name = content::jsonString(json, "name");
    modelName = content::jsonString(json, "model");
}

void Node::readBinary(content::BinaryReader& in) {
    content::RecordScope scope(in, "Node");
    name = in.string();
    modelKey = in.u64();
}

Scene::Scene() { scene::placeLightCamera(light_camera); }

content::Json Scene::toJson(const content::JsonFiles& files) const {
    content::Json j;
    j["name"] = name;
    if (camera) j["camera"] = camera->toJson(files);
    if (root_node) j["root_node"] = root_node->toJson(files);
    if (camera_scene) j["camera_scene"] = camera_scene->name;
    j["camera_scene_only_direction"] = camera_scene_only_direction;
    return j;
}

void Scene::writeBinary(content::BinaryWriter& out) const {
    out.string(name);
    writeOptional(out, camera);
    writeOptional(out, root_node);
    out.reference(camera_scene);
    out.boolean(camera_scene_only_direction);
}

void Scene::fromJson(const content::Json& json, const content::JsonFiles& files) {
    using namespace content;
    name = jsonString(json, "name");
    camera = optionalFromJson<Camera>(json, "camera", files);
    root_node = optionalFromJson<Node>(json, "root_node", files);
    cameraSceneName = jsonString(json, "camera_scene");
    camera_scene_only_direction = jsonBool(json, "camera_scene_only_direction");
}

void Scene::readBinary(content::BinaryReader& in) {
    content::RecordScope scope(in, "Scene");
    name = in.string();
    camera = readOptional<Camera>(in);
    root_node = readOptional<Node>(in);
    cameraSceneKey = in.u64();
    camera_scene_only_direction = in.boolean();
}
