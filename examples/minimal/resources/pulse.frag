#version 150
uniform float beat;
uniform vec2 resolution;
uniform float hue;
out vec4 colour;

// A flash on every beat that fades until the next one, over a gradient.
void main() {
    vec2 uv = gl_FragCoord.xy / resolution;
    float pulse = 1.0 - fract(beat);
    vec3 tint = 0.5 + 0.5 * cos(6.2831 * (hue + vec3(0.0, 0.33, 0.67)));
    colour = vec4(tint * (0.25 + 0.75 * pulse * pulse) * (0.6 + 0.4 * uv.y), 1.0);
}
