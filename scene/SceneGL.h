// Drawing scenes: the shared shadow map, one draw of a scene with a program, the texture units
// an effect gives a scene, and the model render underneath.
#pragma once
#include <cstdint>

class Model;
class Scene;
class ShaderProgram;

namespace scene {

// The shadow map's edge in texels as asked for; the map gets the largest size up to it that the
// GL implementation takes as texture, render buffer and viewport.
extern int32_t shadowMapRequestedSize;
// That largest size.
int32_t shadowMapSize();

// One depth map shared by every scene (scenes draw one after another), made by the first shadow
// pass that needs it, not at load: at 8192 x 8192 it is 256 MiB. Points the scene's
// shadow_texture, shadow_framebuffer and size at it, and marks it as holding this scene's
// shadows: a scene draws with the map only while it does, and without shadows otherwise. The map
// belongs to the GL context current when it was made; under another context it is made anew.
void ensureShadowMap(Scene& scene);

// Draws the scene once with the program in use: depth test on, the shadow map on the program's
// shadow unit, the joint matrices on "MatricesBlock", the model render; GL state restored after.
// A scene without a root node, a model or a camera draws nothing.
void render(Scene& scene, ShaderProgram& program);

// The model render with the given "uInstance" value (SceneRenderGL.cpp).
void renderModel(Model& model, Scene& scene, ShaderProgram& program, int32_t instance);

// An effect's scene units from unit onward: the shadow map, then base colour, metallic-roughness,
// emissive, normal and occlusion, stored as the program's scene units; uploads the joint
// matrices of a skinned model. Unit 16 (the sound texture's) is stepped over. Returns the unit
// after the last one used, or -1 (nothing bound) when they would pass GL_MAX_TEXTURE_IMAGE_UNITS.
int bindSceneUnits(Scene& scene, ShaderProgram& program, int unit);

// The unit after the scene units that start at unit, 16 stepped over.
int sceneUnitsEnd(int unit);

}  // namespace scene
