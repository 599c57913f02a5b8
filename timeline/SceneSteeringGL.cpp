#include "timeline/SceneSteering.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>

#include "scene/Animation.h"
#include "scene/Model.h"
#include "scene/SceneCamera.h"
#include "timeline/Event.h"

namespace {

// Track values are floats of any size; counts and indices take them truncated and clamped.
int32_t truncated(float v) {
    if (std::isnan(v)) return 0;
    return int32_t(std::clamp(double(v), double(INT_MIN), double(INT_MAX)));
}

struct Tracks {
    const Event& event;
    float x;

    bool has(const char* name) const { return event.findTrack(name) != nullptr; }
    float value(const char* name, float fallback) const {
        const Track* track = event.findTrack(name);
        return track ? event.evaluate(track, x) : fallback;
    }
};

const char* const kCameraTracks[9] = {
    "camera_position_x", "camera_position_y", "camera_position_z", "camera_direction_x", "camera_direction_y",
    "camera_direction_z", "camera_up_x",       "camera_up_y",       "camera_up_z",
};
const char* const kLightAxes[3] = {"ldX", "ldY", "ldZ"};
const char* const kOtherTracks[] = {"ldD",
                                    "render_instances",
                                    "animation_index",
                                    "animation_position",
                                    "animation_divider",
                                    "animation_start",
                                    "animation_end"};

void steerCamera(const Tracks& tracks, Camera& camera) {
    glm::vec3* vectors[3] = {&camera.position, &camera.direction, &camera.up};
    for (int i = 0; i < 9; ++i) {
        if (tracks.has(kCameraTracks[i])) (*vectors[i / 3])[i % 3] = tracks.value(kCameraTracks[i], 0.0f);
    }
}

// The light camera sits dist away from the camera along (ldX, ldY, ldZ) and looks at the camera.
void steerLight(const Tracks& tracks, Camera& light, const glm::vec3& eye) {
    const float dist = tracks.value("ldD", 50.0f);
    light.ortho_half_extent = dist;
    light.znear = 0.01f;
    for (int i = 0; i < 3; ++i) {
        if (!tracks.has(kLightAxes[i])) continue;
        light.position[i] = tracks.value(kLightAxes[i], 0.0f) * dist + eye[i];
        light.direction[i] = eye[i];
    }
}

void steerAnimation(const Tracks& tracks, Model& model) {
    const int32_t index = truncated(tracks.value("animation_index", 0.0f));
    const float phase = Animation::nodePhase(tracks.value("animation_position", 0.0f),
                                             tracks.value("animation_divider", 1.0f),
                                             tracks.value("animation_start", 0.0f), tracks.value("animation_end", 1.0f));
    Animation::pose(model, index, phase);
    if (model.skeleton) Animation::uploadJointMatrices(model);
}

}  // namespace

void steerScene(const Event& event, Scene& scene, float x) {
    const Tracks tracks{event, x};
    if (Camera* camera = scene::activeCamera(scene)) {
        steerCamera(tracks, *camera);
        steerLight(tracks, scene.light_camera, camera->position);
    }
    modelInstanceCount = tracks.has("render_instances") ? truncated(tracks.value("render_instances", 1.0f)) : 1;
    Model* model = scene.root_node ? scene.root_node->model : nullptr;
    if (model && model->ready && model->animated) steerAnimation(tracks, *model);
}

std::vector<std::string> sceneTrackNames() {
    std::vector<std::string> names(std::begin(kCameraTracks), std::end(kCameraTracks));
    names.insert(names.end(), std::begin(kLightAxes), std::end(kLightAxes));
    names.insert(names.end(), std::begin(kOtherTracks), std::end(kOtherTracks));
    return names;
}
