#include "player/LoadingScreen.h"

#include <GL/glew.h>

#include "audio/Audio.h"
#include "player/LoaderAssets.h"
#include "frame/Runtime.h"

const char* const kLoaderFragmentSource = R"(#version 150
#define mainImage(X,Y) main()
#define iResolution resolution
#define iTime beat
#define fragCoord (gl_FragCoord.xy)
#define iChannel0 tex
uniform int sound;
uniform float beat;
uniform float read;
uniform float total;
uniform sampler2D tex;
uniform vec2 resolution;
const vec2 iMouse = vec2(0.0, 0.0);
out vec4 fragColor;

void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    vec2 uv = fragCoord / iResolution.xy;
    float aspect = iResolution.x / iResolution.y;
    uv.x = (uv.x - 0.5) * aspect + 0.5;
    vec4 colour = vec4(0.0, 0.0, 0.0, 1.0);
    float level = read / total;
    level = level <= 0.5 ? level * 2.0 : (1.0 - level) * 2.0;
    if (uv.x >= 0.0 && uv.x <= 1.0) {
        float pixel = texture(iChannel0, vec2(uv.x, 1.0 - uv.y)).r;
        if (uv.y < level) {
            uv.y += 0.02 * sin(uv.x * 10.0);
            if (pixel < 0.5) colour = uv.y < level - 0.2 ? vec4(1.0, 1.0, 0.0, 1.0) : vec4(1.0, 1.0, 1.0, 1.0);
        } else if (pixel < 0.5) {
            colour = vec4(0.5, 0.5, 0.5, 1.0);
        }
    }
    fragColor = colour;
}
)";

LoadingScreen::LoadingScreen(SDL_Window* window, SDL_GLContext context) : window_(window), context_(context) {
    // Compiling the built-in empty fragment first would only print a syntax error.
    program.fragmentSource = kLoaderFragmentSource;
    program.build();
    picture.name = "loader";
    picture.image = ByteBuffer(kLoaderPicture, kLoaderPictureSize);
    picture.upload();
    effect = std::make_unique<Effect>("Loader", &program, &picture, nullptr, false, false, nullptr);
    doneSound.name = "loader_done";
    doneSound.bytes = ByteBuffer(kLoaderSound, kLoaderSoundSize);
}

void LoadingScreen::drawFrame(float read, float total) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
    }
    draw(read, total);
    SDL_GL_SwapWindow(window_);
}

void LoadingScreen::draw(float read, float total) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0, 0, 0, 1);
    SDL_GL_MakeCurrent(window_, context_);
    glViewport(0, 0, windowPixelWidth, windowPixelHeight);
    effect->bindInputs(program, false);
    glUniform1f(glGetUniformLocation(program.program, "read"), read);
    glUniform1f(glGetUniformLocation(program.program, "total"), total);
    effect->render({}, false);
}

void LoadingScreen::drawProgress(uint64_t read, uint64_t total) {
    drawFrame(float(read), float(total));
    SDL_Delay(20);
}

void LoadingScreen::finish(uint64_t total, bool fromExecutable) {
    doneSound.decode();
    audio::playSample(doneSound);
    if (!fromExecutable) return;
    for (int i = 0; i < 100; ++i) {
        drawFrame(float(total), float(total));
        SDL_Delay(20);
        SDL_Delay(20);
    }
}
