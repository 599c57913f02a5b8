#version 150
// Concentric rings drawn by the graph into its own frame buffer.
uniform float beat;
uniform vec2 resolution;
uniform float speed;
out vec4 fragColor;

void main() {
    vec2 uv = (gl_FragCoord.xy - 0.5 * resolution) / resolution.y;
    float r = length(uv);
    float rings = 0.5 + 0.5 * sin(r * 40.0 - beat * speed * 6.2831);
    vec3 col = mix(vec3(0.05, 0.02, 0.15), vec3(1.0, 0.55, 0.1), rings * smoothstep(0.8, 0.1, r));
    fragColor = vec4(col, 1.0);
}
