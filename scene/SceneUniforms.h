// Positions of the scene uniforms in ShaderProgram::sceneLocations (the order of
// sceneUniformNames()) and of the scene texture units in sceneTextureUnits.
#pragma once

namespace scene {

enum Uniform {
    uModelViewProjMatrix, uModelViewMatrix, uNormalMatrix, uModelMatrix, uViewProjMatrix, uLightMVPMatrix,
    uBaseColorFactor, uBaseColorTex, uHasBaseColorTex, uMetallicFactor, uRoughnessFactor, uMetallicRoughnessTex,
    uHasMetallicRoughnessTex, uEmissiveFactor, uEmissiveTex, uHasEmissiveTex, uNormalTex, uHasNormalTex,
    uNormalScale, uOcclusionTex, uHasOcclusionTex, uOcclusionStrength, uCameraPos, uLightDir, uLightColor,
    uShadowMapTexture, uIsShadowRenderPass, uTag, uInstance, uAlphaCutoff, uMaterialIndex,
};

enum TextureUnit { kBaseColourUnit, kMetallicRoughnessUnit, kEmissiveUnit, kNormalUnit, kOcclusionUnit, kShadowUnit };
constexpr int kSceneUnitCount = 6;

}  // namespace scene
