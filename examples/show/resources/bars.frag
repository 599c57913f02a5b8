#version 150
// A spectrum and waveform visualiser reading the sound texture on its reserved unit.
uniform vec2 resolution;
uniform sampler2D sound_texture;
uniform int sound;
uniform float height;
out vec4 fragColor;

void main() {
    vec2 uv = gl_FragCoord.xy / resolution;
    // The lowest third of the dB range is the noise floor of the mix; leave it out.
    float spectrum = max(texture(sound_texture, vec2(uv.x * 0.5, 0.25)).r - 0.35, 0.0) / 0.65;
    float wave = texture(sound_texture, vec2(uv.x, 0.75)).r;
    float bar = step(uv.y, spectrum * height);
    float line = 1.0 - smoothstep(0.0, 0.01, abs(uv.y - 0.8 - (wave - 0.5) * 0.3));
    float level = float(sound) / 32768.0;
    vec3 col = vec3(0.2, 0.8, 1.0) * bar + vec3(1.0, 1.0, 1.0) * line;
    fragColor = vec4(col, max(bar * 0.7, line) * (0.6 + level));
}
