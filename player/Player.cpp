#include "player/Player.h"

#include <GL/glew.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

#include "audio/Audio.h"
#include "show/Demo.h"
#include "nodes/Execution.h"
#include "nodes/NodesGL.h"
#include "player/ContentLocation.h"
#include "player/CrashExit.h"
#include "frame/FrameTimes.h"
#include "frame/GlFunctions.h"
#include "player/LoadingScreen.h"
#include "frame/Runtime.h"

namespace {

void requestContext(int minor) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, minor);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
}

void setRenderSize(const SDL_DisplayMode& mode) {
    renderSize.windowWidth = mode.w;
    renderSize.windowHeight = mode.h;
    renderSize.width = mode.w;
    renderSize.height = mode.w * 9 / 16;
}

// A driver that refuses a 3.0 core context may still give 3.2 core, which the shaders also suit.
SDL_GLContext createContext(SDL_Window* window) {
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (context) return context;
    requestContext(2);
    return SDL_GL_CreateContext(window);
}

// Borderless over the whole desktop, or an ordinary window when one was asked for.
bool openDisplay(const SDL_DisplayMode& mode, bool windowed, Player& player) {
    const Uint32 flags = SDL_WINDOW_OPENGL | (windowed ? 0 : SDL_WINDOW_BORDERLESS);
    player.window = SDL_CreateWindow("Glimmerdeck :: 0.11", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, mode.w,
                                     mode.h, flags);
    if (!player.window) return false;
    SDL_GetWindowSize(player.window, &windowPixelWidth, &windowPixelHeight);
    player.context = createContext(player.window);
    if (!player.context || !loadGlFunctions()) return false;
    SDL_GL_SetSwapInterval(1);
    return true;
}

void printSizes() {
    std::printf("Window: %dx%d, render size %dx%d\n", windowPixelWidth, windowPixelHeight, renderSize.width,
                renderSize.height);
}

void printGlInfo() {
    std::printf("OpenGL version: %s\n", glGetString(GL_VERSION));
    std::printf("GLSL version: %s\n", glGetString(GL_SHADING_LANGUAGE_VERSION));
    std::printf("Vendor: %s\n", glGetString(GL_VENDOR));
    std::printf("Renderer: %s\n", glGetString(GL_RENDERER));
}

}  // namespace

void makeDefaultWhiteTexture() {
    const float white[4] = {1, 1, 1, 1};
    glGenTextures(1, &defaultWhiteTexture);
    glBindTexture(GL_TEXTURE_2D, defaultWhiteTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_FLOAT, white);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_R, GL_REPEAT);
    glBindTexture(GL_TEXTURE_2D, 0);
}

// Samples decoded for another rate than the show's are decoded again for it.
bool reopenAudio(Demo& demo, int32_t deviceRate) {
    if (deviceRate == demo.musicSampleRate) return true;
    audio::closeDevice();
    if (!audio::openDevice(demo.musicSampleRate)) return false;
    for (auto& sample : demo.audioSamples) sample->decode();
    return true;
}

namespace {

// The device runs at the loading rate until the show's rate is known. Read ahead from the block,
// that rate lets samples be decoded once, while the show is read, at the rate they play at. A
// rate the device refuses leaves it at the loading rate, and is tried once more when the show
// has been read, which then ends the player as before. Returns the rate opened, nothing when the
// device would not open at all.
std::optional<int32_t> openAudioAhead(const ContentBlock& block) {
    const std::optional<int32_t> rate = peekSampleRate(block);
    if (!rate || *rate == kLoadingRate) return kLoadingRate;
    if (audio::openDeviceQuietly(*rate)) return *rate;
    if (audio::openDevice(kLoadingRate)) return kLoadingRate;
    return std::nullopt;
}

void discardEvents() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
    }
}

// SDL, the window with its context, and the audio device at the loading rate.
int startDevices(Player& player, const PlayerOptions& options) {
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        SDL_Log("Failed to initialize SDL: %s", SDL_GetError());
        return 1;
    }
    TTF_Init();
    requestContext(0);
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
        SDL_Log("SDL_GetDesktopDisplayMode failed: %s", SDL_GetError());
        return 1;
    }
    const bool windowed = options.windowWidth > 0;
    if (windowed) mode.w = options.windowWidth, mode.h = options.windowHeight;
    setRenderSize(mode);
    if (!openDisplay(mode, windowed, player)) {
        std::printf("Cannot open the window: %s\n", SDL_GetError());
        return 1;
    }
    return audio::openDevice(kLoadingRate) ? 0 : -1;
}

}  // namespace

void FrameLoop::frame() {
    // Only the heads-up display reads the measures, and only the keys show it.
    if (controls) measureFrame();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const float beat = applyEndRules(beatNow());
    pollEvents();
    draw(beat);
    drawOverlays(beat);
    SDL_GL_SwapWindow(window);
}

// From the start of one frame to the start of the next: the time between them and the main
// thread's processor time in them.
void FrameLoop::measureFrame() {
    const uint64_t now = readCounter();
    const double cpu = threadCpuSeconds();
    if (lastFrameCounter_) hud.addFrame(double(now - lastFrameCounter_) / clock.frequency, cpu - lastFrameCpu_);
    lastFrameCounter_ = now;
    lastFrameCpu_ = cpu;
}

// The end of the L key's bars goes back to their start; past the end beat the show starts again,
// holds or ends. Returns the beat to draw.
float FrameLoop::applyEndRules(float beat) {
    if (loopedBars && beat >= *loopedBars + kLoopedBeats) {
        seek(*loopedBars);
        beat = beatNow();
    }
    if (!pastEnd(beat)) return beat;
    if (loop) {
        seekSeconds(startSeconds());
    } else if (holdAtEnd) {
        seek(endBeat ? *endBeat : demo->endBeat);
        setPaused(true);
    } else {
        quitRequested = true;
        return beat;
    }
    return beatNow();
}

void FrameLoop::drawOverlays(float beat) {
    if (!findings.empty()) findings.draw(screenSize.windowWidth, screenSize.windowHeight);
    if (hudShown) hud.draw(screenSize.windowWidth, screenSize.windowHeight, beat, paused(), *demo);
}

void FrameLoop::draw(float beat) {
    currentBeat = beat;
    renderSize = screenSize;
    glViewport(0, 0, renderSize.width, renderSize.height);
    demo->renderTimeline(beat);
    renderRootGraph();
}

// A chosen end beat ends the show plainly; the show's own end follows its rule.
bool FrameLoop::pastEnd(float beat) const { return endBeat ? beat > *endBeat : pastEndOfShow(beat, demo->endBeat); }

// Seconds into the music at the start beat; a start before the music's own start is its start.
double FrameLoop::startSeconds() const {
    if (!startBeat) return 0.0;
    return std::max(0.0, (double(*startBeat) + demo->beatOffset) * 60.0 / demo->bpm);
}

void FrameLoop::startClock() { clock.start = readCounter() - uint64_t(startSeconds() * clock.frequency); }

// The patch set and the context serve one frame each; they are cleared rather than made anew so
// that a steady frame allocates nothing.
void FrameLoop::renderRootGraph() {
    if (!rootGraph) return;
    framePatches.clear();
    Nodes::beginFrame(frameContext);
    frameContext.patchSet = &framePatches;
    frameContext.beat = currentBeat;
    Nodes::renderGraph(*rootGraph, demo, nullptr, frameContext);
}

void FrameLoop::run() {
    while (!quitRequested) frame();
}

int Player::openDevices(const PlayerOptions& options) {
    audio::setMuted(options.mute);
    if (int status = startDevices(*this, options)) return status;
    printGlInfo();
    printSizes();
    glClearColor(0, 0, 0, 1);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    if (options.windowWidth == 0) SDL_ShowCursor(SDL_DISABLE);
    discardEvents();
    SDL_GL_MakeCurrent(window, context);
    SDL_GL_SetSwapInterval(0);
    SDL_GL_SwapWindow(window);

    // Shader program node types copy their execute operation when the show links them.
    Nodes::installLiveExecutes(Nodes::catalogue());
    fallbackGraph = Nodes::makeFallbackRootGraph(Nodes::catalogue());
    rootGraph = fallbackGraph.get();
    makeDefaultWhiteTexture();
    return 0;
}

int Player::start(const std::string& executablePath, const PlayerOptions& options) {
    if (int status = openDevices(options)) return status;
    screen = std::make_unique<LoadingScreen>(window, context);
    ContentBlock block = locateContent(executablePath, options.content);
    const std::optional<int32_t> deviceRate = openAudioAhead(block);
    if (!deviceRate) return -1;
    demo = readContent(block, screen.get());
    if (!reopenAudio(*demo, *deviceRate)) return -1;
    screen->finish(demo->total, contentFromExecutable);
    return beginShow(options);
}

int Player::beginShow(const PlayerOptions& options) {
    if (demo->rootGraph()) rootGraph = demo->rootGraph();
    SDL_GL_SetSwapInterval(1);
    demo->renderEffectsOnce();

    loop.demo = demo.get();
    loop.window = window;
    loop.screenSize = renderSize;
    loop.startBeat = options.startBeat;
    loop.endBeat = options.endBeat;
    loop.loop = options.loop;
    loop.controls = options.controls;
    audio::startMusic(demo->music, !contentFromExecutable, loop.startSeconds());
    loop.clock.frequency = double(SDL_GetPerformanceFrequency());
    loop.startClock();
    SDL_AddEventWatch(onSystemEvent, nullptr);
    flushGlErrors("flushing");
    return 0;
}

int Player::shutdown() {
    SDL_DelEventWatch(onSystemEvent, nullptr);
    audio::closeDevice();
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}

int runPlayer(const std::string& executablePath, const PlayerOptions& options) {
    Player player;
    if (int status = player.start(executablePath, options)) return status;
    player.loop.run();
    return player.shutdown();
}
