// Which camera a scene draws through, and its view and projection matrices.
#pragma once
#include <glm/mat4x4.hpp>

#include "scene/Scene.h"

namespace scene {

// The camera the shadow pass looks through: orthographic, from (300, 50, 0) at the origin.
void placeLightCamera(Camera& light);

// The light camera in the shadow pass; else the own camera, or the camera scene's one. With
// camera_scene_only_direction the own camera takes the other camera's viewing direction (written
// into it, so it follows the other camera). Null when the scene has no camera to draw through.
Camera* activeCamera(Scene& scene);

// Right-handed look-at: along direction in direction mode, else at the point direction.
glm::mat4 viewMatrix(const Camera& camera);
// Perspective (vertical fov in degrees) or orthographic box, clip depth -1..1.
glm::mat4 projectionMatrix(const Camera& camera);

}  // namespace scene
