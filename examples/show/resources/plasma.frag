#version 150
// A beat-driven plasma; "speed" and "brightness" are animated by the timeline.
uniform float beat;
uniform vec2 resolution;
uniform float speed;
uniform float brightness;
uniform sampler2D tex;
out vec4 fragColor;
// <UNIFORMS>

void main() {
    vec2 uv = gl_FragCoord.xy / resolution;
    float t = beat * speed;
    float v = sin(uv.x * 9.0 + t) + sin(uv.y * 7.0 - t * 1.3) + sin((uv.x + uv.y) * 6.0 + t * 0.7);
    vec3 col = texture(tex, vec2(fract(v * 0.25 + t * 0.05), 0.5)).rgb;
    col = mix(col, 0.5 + 0.5 * cos(vec3(0.0, 2.0, 4.0) + v + t), 0.5);
    // <FRAGMENT_PATCH>
    fragColor = vec4(col * brightness, 1.0);
}
