#version 150
// Draws a font texture over the picture; the text surface's first row is its top.
uniform vec2 resolution;
uniform float beat;
uniform float glow;
uniform sampler2D tex;
out vec4 fragColor;

void main() {
    vec2 uv = gl_FragCoord.xy / resolution;
    vec2 box = (uv - vec2(0.5, 0.5)) * vec2(1.0, -4.0) + vec2(0.5, 0.5);
    float a = 0.0;
    if (box.y >= 0.0 && box.y <= 1.0) a = texture(tex, box).a;
    vec3 col = mix(vec3(1.0), vec3(1.0, 0.8, 0.3), glow);
    fragColor = vec4(col, a);
}
