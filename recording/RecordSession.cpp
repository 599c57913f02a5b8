#include "recording/RecordSession.h"

#include <GL/glew.h>
#include <SDL_ttf.h>

#include <cmath>

#include "show/Demo.h"
#include "nodes/Execution.h"
#include "nodes/NodesGL.h"
#include "player/ContentLocation.h"
#include "frame/Runtime.h"

namespace {

constexpr float kClockBound = 10000.0f;  // past this beat the show's own end no longer ends it

std::string sizeText(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

}  // namespace

RecordSession::RecordSession(const std::string& executablePath, const PlayerOptions& options) {
    if (SDL_InitSubSystem(SDL_INIT_TIMER | SDL_INIT_EVENTS) != 0) throw RecordError(std::string("SDL: ") + SDL_GetError());
    TTF_Init();
    bringUpGl(options.recordWidth, options.recordHeight);
    loadShow(executablePath, options);
    planFrames(options);
    std::string error;
    if (!sound_.open(*demo_, startSeconds_, !contentFromExecutable, error)) throw RecordError(error);
    format_.sampleRate = sound_.mix().rate();
}

RecordSession::~RecordSession() {
    sound_.close();
    demo_.reset();
    closeOffscreenGL(gl_);
    TTF_Quit();
    SDL_QuitSubSystem(SDL_INIT_TIMER | SDL_INIT_EVENTS);
}

// The show's picture is the whole surface: render size and window size are the recording's.
void RecordSession::bringUpGl(int width, int height) {
    std::string error;
    gl_ = openOffscreenGL(error, width, height);
    if (!gl_.window) throw RecordError(error);
    GLint viewport[2] = {0, 0}, renderbuffer = 0;
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
    int drawableWidth = 0, drawableHeight = 0;
    SDL_GL_GetDrawableSize(gl_.window, &drawableWidth, &drawableHeight);
    if (width > viewport[0] || height > viewport[1] || width > renderbuffer || height > renderbuffer ||
        drawableWidth != width || drawableHeight != height)
        throw RecordError("the GL driver cannot render " + sizeText(width, height) + " (it gives " +
                          sizeText(drawableWidth, drawableHeight) + ", at most " + sizeText(viewport[0], viewport[1]) +
                          ")");
    renderSize = RenderSize{width, height, width, height};
    windowPixelWidth = width;
    windowPixelHeight = height;
    format_.width = width;
    format_.height = height;
    glClearColor(0, 0, 0, 1);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

// As live start-up does, without the loading screen and its sound.
void RecordSession::loadShow(const std::string& executablePath, const PlayerOptions& options) {
    Nodes::installLiveExecutes(Nodes::catalogue());
    fallbackGraph_ = Nodes::makeFallbackRootGraph(Nodes::catalogue());
    rootGraph = fallbackGraph_.get();
    demo_ = options.project.empty() ? locateAndReadContent(executablePath, options.content, nullptr)
                                    : readCheckedProject(options.project);
    if (demo_->rootGraph()) rootGraph = demo_->rootGraph();
    makeDefaultWhiteTexture();
    demo_->renderEffectsOnce();
    loop_.demo = demo_.get();
    loop_.window = gl_.window;
    loop_.screenSize = renderSize;
    loop_.startBeat = options.startBeat;
    loop_.endBeat = options.endBeat;
}

// Frames run from the start beat's time up to the end beat's, the end excluded.
void RecordSession::planFrames(const PlayerOptions& options) {
    const float end = options.endBeat.value_or(demo_->endBeat);
    if (!options.endBeat && !(end < kClockBound))
        throw RecordError("the show's end beat " + std::to_string(end) + " never ends it: give --end BEAT");
    format_.fps = options.fps;
    format_.sampleRate = demo_->musicSampleRate;
    startSeconds_ = loop_.startSeconds();
    const double endSeconds = (double(end) + demo_->beatOffset) * 60.0 / demo_->bpm;
    const double frames = std::ceil((endSeconds - startSeconds_) * options.fps - 1e-9);
    if (!(frames >= 1)) throw RecordError("nothing to record: the end beat is not after the start");
    if (frames > 1e8) throw RecordError("the recording would be longer than 1e8 frames");
    frames_ = long(frames);
}

size_t RecordSession::soundFrames() const {
    return size_t(std::llround(double(frames_) * format_.sampleRate / format_.fps));
}

// The live clock's arithmetic on a counter of nanoseconds since the music's start.
float RecordSession::beatOf(long n) const {
    const BeatClock clock{0, 1e9};
    const double seconds = startSeconds_ + double(n) / format_.fps;
    return clock.beatAt(uint64_t(std::llround(seconds * 1e9)), demo_->bpm, demo_->beatOffset);
}

void RecordSession::drawFrame(long n) {
    sound_.advanceTo(double(n) / format_.fps);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    loop_.draw(beatOf(n));
}
