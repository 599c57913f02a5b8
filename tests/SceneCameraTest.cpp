// The active camera rules and the view and projection matrices of scene drawing.
#include <gtest/gtest.h>

#include <glm/gtc/matrix_transform.hpp>

#include "scene/SceneCamera.h"

namespace {

glm::vec3 toView(const Camera& camera, glm::vec3 p) { return glm::vec3(scene::viewMatrix(camera) * glm::vec4(p, 1.0f)); }

Scene sceneWithCamera(glm::vec3 position, glm::vec3 direction, bool directionMode) {
    Scene scene;
    scene.camera = std::make_unique<Camera>();
    scene.camera->position = position;
    scene.camera->direction = direction;
    scene.camera->direction_mode = directionMode;
    return scene;
}

TEST(SceneCameraTest, ActiveCameraFollowsShadowPassAndCameraScene) {
    Scene own = sceneWithCamera({1, 2, 3}, {0, 0, -1}, true);
    Scene other = sceneWithCamera({10, 0, 0}, {10, 0, -4}, false);
    EXPECT_EQ(scene::activeCamera(own), own.camera.get());
    own.shadow_pass = true;
    EXPECT_EQ(scene::activeCamera(own), &own.light_camera);
    own.shadow_pass = false;

    own.camera_scene = &other;
    EXPECT_EQ(scene::activeCamera(own), other.camera.get());

    // Only the direction: a look-at target becomes target minus position.
    own.camera_scene_only_direction = true;
    EXPECT_EQ(scene::activeCamera(own), own.camera.get());
    EXPECT_EQ(own.camera->position, glm::vec3(1, 2, 3));
    EXPECT_EQ(own.camera->direction, glm::vec3(0, 0, -4));

    Scene bare;
    EXPECT_EQ(scene::activeCamera(bare), nullptr) << "a scene without a camera draws nothing";
}

TEST(SceneCameraTest, ViewLooksAtThePointOrAlongTheDirection) {
    // Look-at mode with direction (0, 0, 0) looks at the origin.
    Camera at;
    at.position = {3, 0, 0};
    at.direction = {0, 0, 0};
    at.direction_mode = false;
    const glm::vec3 origin = toView(at, {0, 0, 0});
    EXPECT_NEAR(origin.x, 0, 1e-5);
    EXPECT_NEAR(origin.z, -3, 1e-5);

    Camera along = at;
    along.direction_mode = true;
    along.direction = {0, 0, -7};  // normalised: one unit along -z
    const glm::vec3 ahead = toView(along, {3, 0, -2});
    EXPECT_NEAR(ahead.x, 0, 1e-5);
    EXPECT_NEAR(ahead.z, -2, 1e-5);
}

TEST(SceneCameraTest, LightCameraIsAnOrthographicBoxOfTheHalfExtent) {
    Scene scene;
    const Camera& light = scene.light_camera;
    EXPECT_EQ(light.position, glm::vec3(300, 50, 0));
    EXPECT_TRUE(light.orthographic);
    const glm::vec4 corner = scene::projectionMatrix(light) * glm::vec4(100, -100, -light.znear, 1);
    EXPECT_NEAR(corner.x / corner.w, 1, 1e-5);
    EXPECT_NEAR(corner.y / corner.w, -1, 1e-5);
    EXPECT_NEAR(corner.z / corner.w, -1, 1e-5);
}

}  // namespace
