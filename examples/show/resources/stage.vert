#version 330 core
// The example's 3D stage: rigid nodes, or a skinned mesh bent by the joint matrices (its node
// sits at the origin, so the skinned positions are world positions).
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 4) in ivec4 joints;
layout(location = 5) in vec4 weights;
uniform mat4 uModelViewProjMatrix;
uniform mat4 uModelMatrix;
uniform mat4 uViewProjMatrix;
uniform mat4 uLightMVPMatrix;
uniform float skinned;
layout(std140) uniform MatricesBlock {
    mat4 jointMatrices[100];
};
out vec3 vNormal;
out vec4 vLight;

void main() {
    vec4 p = vec4(position, 1.0);
    if (skinned > 0.5) {
        mat4 skin = weights.x * jointMatrices[joints.x] + weights.y * jointMatrices[joints.y] +
                    weights.z * jointMatrices[joints.z] + weights.w * jointMatrices[joints.w];
        vec4 world = skin * p;
        vNormal = mat3(skin) * normal;
        vLight = uLightMVPMatrix * world;
        gl_Position = uViewProjMatrix * world;
    } else {
        vNormal = mat3(uModelMatrix) * normal;
        vLight = uLightMVPMatrix * p;
        gl_Position = uModelViewProjMatrix * p;
    }
}
