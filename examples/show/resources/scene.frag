#version 150
// Flat shading for the example's cube scene.
uniform vec4 uBaseColorFactor;
uniform vec3 uLightDir;
in vec3 vNormal;
out vec4 fragColor;

void main() {
    float light = max(dot(normalize(vNormal), normalize(uLightDir)), 0.0) * 0.8 + 0.2;
    fragColor = vec4(uBaseColorFactor.rgb * light, 1.0);
}
