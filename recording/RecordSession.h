// A show loaded off-screen for recording: the GL context at the recording's size, the Demo, the
// frame loop driven by frame numbers instead of the performance counter, and the offline sound.
#pragma once
#include <memory>
#include <string>

#include "recording/OfflineAudio.h"
#include "graph/Graph.h"
#include "frame/OffscreenGL.h"
#include "player/Player.h"
#include "recording/RecordSink.h"

class RecordSession {
public:
    // Brings everything up; throws RecordError (a size the driver cannot render, a show without
    // an end and no --end, sound that cannot be decoded).
    RecordSession(const std::string& executablePath, const PlayerOptions& options);
    ~RecordSession();

    // Draws frame n into the default frame buffer: the show at n / fps seconds after the start,
    // with the sound texture and level of the mix at that time.
    void drawFrame(long n);

    long frameCount() const { return frames_; }
    // Sound frames that cover frameCount() pictures.
    size_t soundFrames() const;
    const RecordFormat& format() const { return format_; }
    audio::OfflineMix& mix() { return sound_.mix(); }
    float beatOf(long n) const;

private:
    void bringUpGl(int width, int height);
    void loadShow(const std::string& executablePath, const PlayerOptions& options);
    void planFrames(const PlayerOptions& options);

    OffscreenGL gl_;
    std::unique_ptr<Nodes::Graph> fallbackGraph_;
    std::unique_ptr<Demo> demo_;
    FrameLoop loop_;
    audio::OfflineAudio sound_;
    RecordFormat format_;
    double startSeconds_ = 0.0;
    long frames_ = 0;
};
