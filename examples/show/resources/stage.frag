#version 330 core
// The example's 3D stage: diffuse light from uLightDir, softened 3 x 3 shadow-map lookups.
uniform vec4 uBaseColorFactor;
uniform vec3 uLightDir;
uniform vec3 uLightColor;
uniform int uIsShadowRenderPass;
uniform sampler2D uShadowMapTexture;
in vec3 vNormal;
in vec4 vLight;
out vec4 fragColor;

float sunlit() {
    vec3 p = vLight.xyz / vLight.w * 0.5 + 0.5;
    if (any(lessThan(p, vec3(0.0))) || any(greaterThan(p, vec3(1.0)))) return 1.0;
    vec2 texel = 1.0 / vec2(textureSize(uShadowMapTexture, 0));
    float sum = 0.0;
    for (int x = -1; x <= 1; ++x)
        for (int y = -1; y <= 1; ++y)
            sum += p.z - 0.0015 > texture(uShadowMapTexture, p.xy + vec2(x, y) * texel).r ? 0.0 : 1.0;
    return sum / 9.0;
}

void main() {
    if (uIsShadowRenderPass == 1) {
        fragColor = vec4(1.0);
        return;
    }
    float diffuse = max(dot(normalize(vNormal), normalize(uLightDir)), 0.0);
    vec3 light = uLightColor * 1.7320508 * (0.25 + 0.75 * diffuse * sunlit());
    fragColor = vec4(uBaseColorFactor.rgb * light, 1.0);
}
