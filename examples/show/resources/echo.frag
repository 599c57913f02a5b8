#version 150
// Feedback: blends the effect's own previous output (unit 0) with a ring of the screen copy.
uniform vec2 resolution;
uniform float beat;
uniform float decay;
uniform sampler2D tex;
uniform sampler2D tex1;
out vec4 fragColor;

void main() {
    vec2 uv = gl_FragCoord.xy / resolution;
    vec2 centred = (uv - 0.5) * 0.98 + 0.5;
    vec3 previous = texture(tex, centred).rgb;
    vec3 now = texture(tex1, uv).rgb;
    fragColor = vec4(mix(now, previous, decay), 1.0);
}
