#include "player/PlayerOptions.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "player/Licences.h"

const char* const kPlayerVersion = "demoplayer 0.11";

namespace {

constexpr int kLargestSize = 16384;

const char* const kKeysHelp = R"(Keys while playing (a show started without arguments knows only Escape):
  Space         pause, or go on (the music too)
  Left, Right   one bar back or forward; with Shift, eight bars
  Home          back to the --start beat (or beat 0)
  L             loop the eight bars that hold the current beat, or end the loop
  R             reload the project
  F1            show or hide the heads-up display
  Escape        quit, when released)";

// "WxH" with both sides from 1 to the largest texture size any driver offers.
std::string sizeRule(const std::string& text, int& width, int& height) {
    char tail = 0;
    if (std::sscanf(text.c_str(), "%dx%d%c", &width, &height, &tail) != 2 || width < 1 || height < 1 ||
        width > kLargestSize || height > kLargestSize)
        return "a size is WIDTHxHEIGHT, each from 1 to " + std::to_string(kLargestSize) + ", not \"" + text + "\"";
    return "";
}

void addOptions(CLI::App& app, PlayerOptions& o, std::string& window, std::string& size) {
    app.add_option("CONTENT", o.content,
                   "a content block, a show executable, or a project (a .json file or a folder holding "
                   "project.json) played without packing (default: this program, then content.dat)")
        ->check(CLI::ExistingPath);
    app.add_flag("--watch", o.watch, "with a project: reload it whenever a file it reads is saved");
    app.add_option("--start", o.startBeat, "start the clock and the music at this beat");
    app.add_option("--end", o.endBeat, "end the show at this beat");
    app.add_flag("--loop", o.loop, "go back to the start beat after the end");
    app.add_flag("--mute", o.mute, "play without sound");
    app.add_option("--window", window, "an ordinary window of WIDTHxHEIGHT instead of the desktop-sized one");
    app.add_option("--record", o.recordPath, "render the show offline into a video file (.mp4, .mkv, .mov)");
    app.add_option("--frames", o.framesDir, "render the show offline into numbered PNG frames and audio.wav");
    app.add_option("--size", size, "the recording's WIDTHxHEIGHT (default 1920x1080)");
    app.add_option("--fps", o.fps, "the recording's frames per second (default 60)");
    app.set_version_flag("--version", kPlayerVersion);
    app.footer(kKeysHelp);
}

// A folder, or a file whose name ends in ".json", is a project; anything else is content.
void takeProject(PlayerOptions& o) {
    const std::filesystem::path named = o.content;
    if (std::filesystem::is_directory(named))
        o.project = (named / "project.json").string();
    else if (named.extension() == ".json")
        o.project = o.content;
    if (!o.project.empty()) o.content.clear();
}

// The rules between options that CLI11's table does not express.
std::string crossRules(PlayerOptions& o, const std::string& window, const std::string& size, bool fpsGiven) {
    takeProject(o);
    if (!o.project.empty() && !std::filesystem::is_regular_file(o.project))
        return "no project file " + o.project;
    for (const auto& beat : {o.startBeat, o.endBeat})
        if (beat && !std::isfinite(*beat)) return "a beat must be a finite number";
    if (o.startBeat && o.endBeat && *o.endBeat <= *o.startBeat) return "--end must come after --start";
    if (!window.empty()) {
        if (std::string fault = sizeRule(window, o.windowWidth, o.windowHeight); !fault.empty()) return fault;
    }
    if (!size.empty()) {
        if (std::string fault = sizeRule(size, o.recordWidth, o.recordHeight); !fault.empty()) return fault;
    }
    if (o.fps < 1 || o.fps > 1000) return "--fps must be from 1 to 1000";
    if (o.recording() && (o.loop || o.mute || !window.empty()))
        return "--loop, --mute and --window are for live play, not for recording";
    if (!o.recording() && (!size.empty() || fpsGiven)) return "--size and --fps need --record or --frames";
    if (o.watch && o.recording()) return "--watch is for live play, not for --record or --frames";
    if (o.watch && o.project.empty()) return "--watch needs a project (a .json file or a folder holding project.json)";
    return "";
}

}  // namespace

ParsedCommandLine parsePlayerOptions(const std::vector<std::string>& arguments) {
    ParsedCommandLine result;
    CLI::App app{"Plays a show: its music, and on the beat what its timeline, effects and graphs draw.",
                 "demoplayer"};
    std::string window, size;
    addOptions(app, result.options, window, size);
    bool licences = false;
    app.add_flag("--licences", licences, "print the notices of the libraries this program contains");
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());  // CLI11 reads from the back
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        result.exitStatus = 0;
        result.text = app.help();
        return result;
    } catch (const CLI::CallForVersion&) {
        result.exitStatus = 0;
        result.text = std::string(kPlayerVersion) + "\n";
        return result;
    } catch (const CLI::ParseError& e) {
        result.exitStatus = 1;
        result.text = std::string("demoplayer: ") + e.what() + " (see --help)\n";
        return result;
    }
    if (licences) {
        result.exitStatus = 0;
        result.text = licenceText();
        return result;
    }
    result.options.controls = !arguments.empty();
    if (std::string fault = crossRules(result.options, window, size, app.count("--fps") > 0); !fault.empty()) {
        result.exitStatus = 1;
        result.text = "demoplayer: " + fault + " (see --help)\n";
    }
    return result;
}
