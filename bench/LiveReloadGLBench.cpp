// Reloading the example show while it plays, under a display, through the watching player's own
// path: a save seen by the file watcher, the reload, and the first frame drawn after it. Also the
// memory and the live GL objects over 200 reloads, against 200 bare builds of the same programs.
#include <benchmark/benchmark.h>

#include <GL/glew.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "content/Json.h"
#include "frame/Runtime.h"
#include "live/FileWatcher.h"
#include "live/LiveProject.h"
#include "live/ProjectSession.h"
#include "live/ShowRelease.h"
#include "player/Player.h"
#include "show/Demo.h"
#include "show/ProjectFile.h"

namespace fs = std::filesystem;

namespace {

constexpr float kBeat = 30.0f;  // the stage scene with its shadow pass

struct Live {
    fs::path folder = fs::temp_directory_path() / "live-reload-bench";
    Player player;
    std::unique_ptr<live::ProjectSession> session;
    live::FileWatcher watcher;

    Live() {
        fs::remove_all(folder);
        fs::copy(fs::path(DEMO_SOURCE_DIR) / "examples" / "show", folder, fs::copy_options::recursive);
        PlayerOptions options;
        options.windowWidth = 640, options.windowHeight = 360, options.mute = true;
        if (player.openDevices(options) != 0) std::abort();
        session = std::make_unique<live::ProjectSession>(folder / "project.json", player.demo);
        if (!session->load().replaced) std::abort();
        player.loop.demo = player.demo.get();
        player.loop.window = player.window;
        player.loop.screenSize = renderSize;
        player.loop.clock.frequency = double(SDL_GetPerformanceFrequency());
        player.loop.setPaused(true);
        player.loop.seek(kBeat);
        rootGraph = player.demo->rootGraph();
        watcher.watch(session->files());
        frame();
    }
    void frame() {
        player.loop.draw(player.loop.beatNow());
        glFinish();
    }
    // From the save to the first frame drawn after the reload it caused, and its parts in ms:
    // until the watcher reports the file, the reload, the frame.
    double saveToFrame(const fs::path& file, const std::string& text, benchmark::State& state) {
        using Clock = std::chrono::steady_clock;
        auto ms = [](Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); };
        const auto saved = Clock::now();
        std::ofstream(file, std::ios::trunc) << text;
        std::vector<fs::path> changed;
        while ((changed = watcher.changedFiles()).empty()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const auto seen = Clock::now();
        live::reload(player, *session, changed);
        watcher.watch(session->files());
        const auto reloaded = Clock::now();
        frame();
        const auto drawn = Clock::now();
        state.counters["watch_ms"] = ms(saved, seen);
        state.counters["reload_ms"] = ms(seen, reloaded);
        state.counters["frame_ms"] = ms(reloaded, drawn);
        return ms(saved, drawn) / 1000.0;
    }
};

Live& live() {
    static Live* instance = new Live();
    return *instance;
}

std::string readWhole(const fs::path& file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void BM_SavedShaderToNewFrame(benchmark::State& state) {
    Live& l = live();
    const fs::path file = l.folder / "resources" / "stage.frag";
    static const std::string original = readWhole(file);
    static int save = 0;
    for (auto _ : state) {
        const double seconds = l.saveToFrame(file, original + "// save " + std::to_string(++save) + "\n", state);
        state.SetIterationTime(seconds);
    }
    state.counters["programs_in_show"] = double(l.player.demo->shaders.size());
}
BENCHMARK(BM_SavedShaderToNewFrame)->UseManualTime()->Iterations(1)->Repetitions(20)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

// What the reload alone spends compiling and linking the program of one saved shader.
void BM_CompileOfSavedShader(benchmark::State& state) {
    Live& l = live();
    const fs::path file = l.folder / "resources" / "stage.frag";
    static const std::string original = readWhole(file);
    static int save = 0;
    for (auto _ : state) {
        std::ofstream(file, std::ios::trunc) << original << "// compile " << ++save << "\n";
        const live::LoadOutcome outcome = l.session->load();
        if (!outcome.replaced) std::abort();
        state.SetIterationTime(outcome.compileMilliseconds / 1000.0);
        l.player.loop.demo = l.player.demo.get();
        rootGraph = l.player.demo->rootGraph();
        l.frame();
    }
}
BENCHMARK(BM_CompileOfSavedShader)->UseManualTime()->Iterations(1)->Repetitions(20)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

// The first control point of the first event's first track, set to a new value each save.
void BM_EditedTrackValueToNewFrame(benchmark::State& state) {
    Live& l = live();
    const fs::path file = l.folder / "project.json";
    content::Json project = content::Json::parse(readWhole(file));
    content::Json* point = nullptr;
    for (auto& event : project["events"]) {
        if (!event.contains("control_points") || event["control_points"].empty()) continue;
        point = &event["control_points"].begin().value()["control_points"][0]["value"];
        break;
    }
    if (!point) std::abort();
    static int save = 0;
    for (auto _ : state) {
        *point = 0.001 * (++save % 500);
        state.SetIterationTime(l.saveToFrame(file, project.dump(1), state));
    }
}
BENCHMARK(BM_EditedTrackValueToNewFrame)->UseManualTime()->Iterations(1)->Repetitions(20)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

double residentMegabytes() {
    long pages = 0, resident = 0;
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f || std::fscanf(f, "%ld %ld", &pages, &resident) != 2) std::abort();
    std::fclose(f);
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Live GL objects of each kind, found by asking GL about every name up to a bound, not from our
// own bookkeeping.
struct GlObjects {
    long programs = 0, shaders = 0, textures = 0, buffers = 0, frameBuffers = 0, renderBuffers = 0, vertexArrays = 0;
    long total() const { return programs + shaders + textures + buffers + frameBuffers + renderBuffers + vertexArrays; }
};

GlObjects countGlObjects() {
    constexpr GLuint kHighestName = 65536;
    GlObjects n;
    for (GLuint name = 1; name <= kHighestName; ++name) {
        n.programs += glIsProgram(name);
        n.shaders += glIsShader(name);
        n.textures += glIsTexture(name);
        n.buffers += glIsBuffer(name);
        n.frameBuffers += glIsFramebuffer(name);
        n.renderBuffers += glIsRenderbuffer(name);
        n.vertexArrays += glIsVertexArray(name);
    }
    return n;
}

// The show's programs built and deleted as a reload does it, without the rest of the reload: what
// Mesa keeps for itself over as many builds.
void bareBuilds(int cycles) {
    Demo demo;
    content::readProjectFile(live().folder / "project.json", demo);
    showPrograms = &demo.shaders;
    for (int i = 0; i < cycles; ++i) {
        for (auto& program : demo.shaders) program->build();
        live::releaseShow(demo);
    }
    showPrograms = &live().player.demo->shaders;
}

void BM_TwoHundredReloads(benchmark::State& state) {
    Live& l = live();
    for (auto _ : state) {
        const double beforeBare = residentMegabytes();
        bareBuilds(200);
        const double bare = residentMegabytes() - beforeBare;
        const GlObjects before = countGlObjects();
        const double beforeReloads = residentMegabytes();
        for (int i = 0; i < 200; ++i) {
            live::reload(l.player, *l.session, {});
            l.frame();
        }
        const double reloads = residentMegabytes() - beforeReloads;
        const GlObjects after = countGlObjects();
        state.counters["rss_growth_bare_mb"] = bare;
        state.counters["rss_growth_reloads_mb"] = reloads;
        state.counters["rss_reloads_over_bare_mb"] = reloads - bare;
        state.counters["gl_objects_before"] = double(before.total());
        state.counters["gl_objects_after"] = double(after.total());
        state.counters["programs_change"] = double(after.programs - before.programs);
        state.counters["shaders_change"] = double(after.shaders - before.shaders);
        state.counters["textures_change"] = double(after.textures - before.textures);
        state.counters["buffers_change"] = double(after.buffers - before.buffers);
        state.counters["framebuffers_change"] = double(after.frameBuffers - before.frameBuffers);
        state.counters["renderbuffers_change"] = double(after.renderBuffers - before.renderBuffers);
        state.counters["vertex_arrays_change"] = double(after.vertexArrays - before.vertexArrays);
    }
}
BENCHMARK(BM_TwoHundredReloads)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
