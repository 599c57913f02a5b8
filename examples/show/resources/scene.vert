#version 150
uniform mat4 uModelViewProjMatrix;
uniform mat4 uModelMatrix;
in vec3 vp;
in vec3 normal;
out vec3 vNormal;

void main() {
    vNormal = mat3(uModelMatrix) * normal;
    gl_Position = uModelViewProjMatrix * vec4(vp, 1.0);
}
