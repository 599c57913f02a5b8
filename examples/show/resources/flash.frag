#version 150
// A white flash whose strength is a stepped track.
uniform float alpha;
out vec4 fragColor;

void main() {
    fragColor = vec4(1.0, 1.0, 1.0, alpha);
}
