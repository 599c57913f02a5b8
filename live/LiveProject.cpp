#include "live/LiveProject.h"

#include <malloc.h>

#include <cstdio>

#include "audio/Audio.h"
#include "frame/Runtime.h"
#include "live/FileWatcher.h"
#include "live/ProjectSession.h"
#include "player/Player.h"
#include "show/Demo.h"

namespace live {
namespace {

void tellFindings(const LoadOutcome& outcome, FrameLoop& loop) {
    for (const std::string& line : outcome.findings) std::fprintf(stderr, "%s\n", line.c_str());
    loop.findings.setLines(outcome.findings);
}

std::string names(const std::vector<std::filesystem::path>& files) {
    if (files.empty()) return "everything";
    std::string out;
    for (const auto& f : files) out += (out.empty() ? "" : ", ") + f.filename().string();
    return out;
}

// The new show takes the clock at the beat the old one showed: a new tempo or new music moves the
// music there.
void swapIn(Player& player, const LoadOutcome& outcome, float beat) {
    Demo& show = *player.demo;
    player.loop.demo = &show;
    rootGraph = show.rootGraph() ? show.rootGraph() : player.fallbackGraph.get();
    show.renderEffectsOnce();
    if (outcome.musicChanged) audio::startMusic(show.music, true, 0.0);
    if (outcome.musicChanged || outcome.tempoChanged) player.loop.seek(beat);
}

void tellLoad(const char* what, const std::string& files, const LoadOutcome& outcome) {
    if (outcome.replaced)
        std::printf("%s %s: %s, in %.0f ms\n", what, files.c_str(), outcome.work.c_str(), outcome.milliseconds);
    else
        std::printf("%s %s refused: %zu error%s, the last good show plays on (%.0f ms)\n", what, files.c_str(),
                    outcome.errors, outcome.errors == 1 ? "" : "s", outcome.milliseconds);
    std::fflush(stdout);
}

// The first load is told once its files are watched, so that a save after the line is seen.
void watchAndPlay(Player& player, ProjectSession& session, const LoadOutcome& first, const std::string& project) {
    FileWatcher watcher;
    watcher.watch(session.files());
    tellLoad("load of", project, first);
    player.loop.holdAtEnd = true;
    while (!quitRequested) {
        player.loop.frame();
        std::vector<std::filesystem::path> changed = watcher.changedFiles();
        if (changed.empty() && !player.loop.reloadRequested) continue;
        player.loop.reloadRequested = false;
        reload(player, session, changed);
        watcher.watch(session.files());
    }
}

}  // namespace

void reload(Player& player, ProjectSession& session, const std::vector<std::filesystem::path>& changed) {
    const float beat = player.loop.beatNow();
    const LoadOutcome outcome = session.load(!changed.empty());
    if (outcome.replaced) swapIn(player, outcome, beat);
    session.dropReplaced();
    // A reload frees a whole show; its pages go back to the system so that an afternoon of saves
    // does not grow the player by what the allocator would otherwise keep.
    malloc_trim(0);
    tellLoad("reload of", names(changed), outcome);
    tellFindings(outcome, player.loop);
}

int playProject(const PlayerOptions& options) {
    Player player;
    if (int status = player.openDevices(options)) return status;
    ProjectSession session(options.project, player.demo);
    const LoadOutcome first = session.load();
    tellFindings(first, player.loop);
    if (!first.replaced && !options.watch) {
        player.shutdown();
        return 1;
    }
    if (!player.demo) player.demo = std::make_unique<Demo>();  // black until the first good save
    if (!reopenAudio(*player.demo, kLoadingRate)) return -1;
    if (int status = player.beginShow(options)) return status;
    if (options.watch)
        watchAndPlay(player, session, first, options.project);
    else
        player.loop.run();
    return player.shutdown();
}

}  // namespace live
