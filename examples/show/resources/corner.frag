#version 150
// A disc at the bottom right that pulses with a value computed by a subgraph.
uniform vec2 resolution;
uniform float pulse;
out vec4 fragColor;
// <UNIFORMS>

void main() {
    vec2 uv = (gl_FragCoord.xy - vec2(0.92, 0.12) * resolution) / resolution.y;
    float radius = 0.03 + 0.04 * pulse;
    float inside = smoothstep(radius, radius - 0.005, length(uv));
    vec3 col = mix(vec3(0.2, 1.0, 0.6), vec3(1.0), pulse);
    // <FRAGMENT_PATCH>
    fragColor = vec4(col, inside);
}
