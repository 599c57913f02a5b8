#version 150
// Shows the graph's off-screen picture in a framed window at the top right; tinted by a patch.
uniform vec2 resolution;
uniform sampler2D tex;
out vec4 fragColor;
// <UNIFORMS>

void main() {
    vec2 uv = gl_FragCoord.xy / resolution;
    vec2 lo = vec2(0.66, 0.64), hi = vec2(0.97, 0.95);
    vec2 inner = (uv - lo) / (hi - lo);
    if (any(lessThan(inner, vec2(-0.02))) || any(greaterThan(inner, vec2(1.02)))) discard;
    vec3 col = vec3(1.0);
    if (all(greaterThanEqual(inner, vec2(0.0))) && all(lessThanEqual(inner, vec2(1.0)))) {
        col = texture(tex, inner).rgb;
        // <FRAGMENT_PATCH>
    }
    fragColor = vec4(col, 1.0);
}
