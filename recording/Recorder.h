// Recording a show offline: every frame at its exact time, at any size, with the show's own sound,
// into a video file or a folder of frames.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "player/PlayerOptions.h"
#include "recording/RecordSession.h"

// How frames reach the sinks: read back through pixel buffers a frame or two late and encoded on
// a thread of their own, or read back and encoded one after another (a baseline to measure).
enum class RecordPipeline { Pipelined, Sequential };

struct RecordReport {
    long frames = 0;
    double seconds = 0.0;  // wall time
};

// Draws frames [first, first + count) of the session into the sinks and finishes them; with
// `progress`, a progress line on standard error. Throws RecordError.
RecordReport recordFrames(RecordSession& session, std::vector<std::unique_ptr<RecordSink>> sinks,
                          RecordPipeline pipeline, bool progress);

// The sinks the options ask for: --record FILE and/or --frames DIR.
std::vector<std::unique_ptr<RecordSink>> openSinks(const PlayerOptions& options, const RecordFormat& format);

// The player's --record / --frames mode; returns the exit status (1 with a one-line error).
int runRecorder(const std::string& executablePath, const PlayerOptions& options);
