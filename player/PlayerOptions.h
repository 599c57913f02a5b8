// The player's command line: one option table for live play and for recording, parsed into a
// plain record. Without arguments the player runs as it always has.
#pragma once
#include <optional>
#include <string>
#include <vector>

struct PlayerOptions {
    std::string content;                      // a content block or a show executable; empty: the usual search
    std::string project;                      // a project file (the folder's project.json when a folder was named)
    bool watch = false;                       // reload the project whenever a file it reads is saved
    std::optional<float> startBeat, endBeat;  // where the clock and the music start, where the show ends
    bool loop = false;                        // back to the start beat after the end
    bool mute = false;                        // silent, while the sound texture still follows the music
    int windowWidth = 0, windowHeight = 0;    // an ordinary window of this size; 0: borderless, desktop-sized
    std::string recordPath;                   // a video file to record into
    std::string framesDir;                    // a folder for numbered PNG frames and audio.wav
    int recordWidth = 1920, recordHeight = 1080;
    int fps = 60;
    bool controls = false;  // the keys beyond Escape: on whenever the player got any argument

    bool recording() const { return !recordPath.empty() || !framesDir.empty(); }
};

// What the command line asks for: run with the options, or end at once with a status after
// printing `text` (help and version to standard output, usage errors to standard error).
struct ParsedCommandLine {
    PlayerOptions options;
    std::optional<int> exitStatus;
    std::string text;
};

ParsedCommandLine parsePlayerOptions(const std::vector<std::string>& arguments);

extern const char* const kPlayerVersion;
