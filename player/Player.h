// The player's spine: start-up of SDL, the window, the GL context and the audio device, loading,
// the frame loop with its beat clock and quit rules, and shutdown.
#pragma once
#include <cstdint>
#include <string>

#include <SDL.h>

#include "player/FrameClock.h"

#include <memory>
#include <optional>

#include "show/Demo.h"
#include "graph/ExecutionContext.h"
#include "player/LoadingScreen.h"
#include "player/PlayerOptions.h"
#include "frame/Runtime.h"
#include "overlay/FindingsOverlay.h"
#include "overlay/HeadsUpDisplay.h"
#include "shaders/ShaderPatch.h"

// The rate the audio device is opened at before the show's own rate is known.
constexpr int32_t kLoadingRate = 44100;

// The 1 x 1 white texture that scenes fall back to, made once the context is current.
void makeDefaultWhiteTexture();
// Reopens the audio device at the show's music rate, unless it already runs at it (it was opened
// at deviceRate), and then decodes the samples again for it.
bool reopenAudio(Demo& demo, int32_t deviceRate);

// Runs the whole show; returns the process exit status.
int runPlayer(const std::string& executablePath, const PlayerOptions& options = {});

// One frame of the show: clear, beat, quit rules, the timeline pass, the root graph, swap. The
// counter is read through a function so that tests can step the clock exactly.
struct FrameLoop {
    Demo* demo = nullptr;
    SDL_Window* window = nullptr;
    // The render size each frame starts from: a sized node changes it for the rest of its frame.
    RenderSize screenSize;
    BeatClock clock;
    uint64_t (*readCounter)() = SDL_GetPerformanceCounter;
    // Where a show being worked on starts and ends, and whether it starts again after its end.
    std::optional<float> startBeat, endBeat;
    bool loop = false;
    bool controls = false;         // keys beyond Escape (set when the player got any argument)
    bool holdAtEnd = false;        // at the end beat the picture holds (or loops with `loop`) instead of quitting
    bool reloadRequested = false;  // set by the R key; whoever reloads clears it
    overlay::FindingsOverlay findings;  // drawn over every frame while not empty
    static constexpr float kBeatsPerBar = 4.0f;
    static constexpr float kLoopedBeats = 8 * kBeatsPerBar;
    std::optional<float> loopedBars;    // where the eight bars that the L key loops begin
    overlay::HeadsUpDisplay hud;        // fed every frame, drawn while `hudShown`
    bool hudShown = false;

    void frame();
    void run();
    // The show at a beat into the bound frame buffer: the timeline pass and the root graph.
    void draw(float beat);
    // Starts the clock at the start beat, where the music is started too.
    void startClock();
    double startSeconds() const;

    void seek(float beat);         // the clock (and the music) continue from `beat`; pause is kept
    void setPaused(bool paused);   // clock and music stop / go on
    bool paused() const;
    float beatNow() const;         // the beat the clock shows now (frozen while paused)
    // One window event: the quit rules, and the keys when `controls` is set.
    void handleEvent(const SDL_Event& event);
    // Hands every pending event to handleEvent.
    void pollEvents();

private:
    void renderRootGraph();
    bool pastEnd(float beat) const;
    float applyEndRules(float beat);
    void seekSeconds(double seconds);
    void drawOverlays(float beat);
    void measureFrame();

    PatchSet framePatches;
    Nodes::ExecutionContext frameContext;
    std::optional<uint64_t> pausedAt_;  // the counter when the clock stopped
    uint64_t lastFrameCounter_ = 0;     // when the previous frame began, 0 before the first
    double lastFrameCpu_ = 0.0;
};

// The player from start-up to shutdown, in steps that a benchmark can also drive.
struct Player {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    std::unique_ptr<LoadingScreen> screen;
    std::unique_ptr<Demo> demo;
    std::unique_ptr<Nodes::Graph> fallbackGraph;  // rendered when the show has no graphs
    FrameLoop loop;

    // Everything up to the first frame: SDL, window, context, audio, loading, the loading-done
    // phase, the music and the clock. Returns 0, or the status the process must end with.
    int start(const std::string& executablePath, const PlayerOptions& options = {});
    // The parts of start around loading, for a show read otherwise (a project): SDL, the window
    // with its context, audio at the loading rate; then, with `demo` set and the audio device at
    // its rate, the first effect renders, the music and the clock.
    int openDevices(const PlayerOptions& options);
    int beginShow(const PlayerOptions& options);
    int shutdown();
};
