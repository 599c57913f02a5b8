// Feeds recorded frames and sound to the sinks, on a thread of its own so that drawing never
// waits for an encoder unless the encoder has fallen a few frames behind; or, unthreaded, at once
// on the caller's thread.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "recording/RecordSink.h"

class EncoderThread {
public:
    EncoderThread(std::vector<std::unique_ptr<RecordSink>> sinks, size_t frameBytes, bool threaded);
    // Without finish(), stops the thread and drops what is queued; the sinks then remove their output.
    ~EncoderThread();

    // Queues one picture (bottom-up RGBA of frameBytes; null for none) and the sound that follows
    // what was queued before. Copies both; throws a sink's RecordError.
    void push(const uint8_t* rgba, const int16_t* sound, size_t soundFrames);
    // Writes out everything queued and finishes every sink; throws a sink's RecordError.
    void finish();

private:
    struct Job {
        std::vector<uint8_t> picture;
        bool hasPicture = false;
        std::vector<int16_t> sound;
    };
    static constexpr size_t kQueued = 3;

    void run();
    void write(const Job& job);
    void rethrow();

    std::vector<std::unique_ptr<RecordSink>> sinks_;
    size_t frameBytes_;
    bool threaded_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queue_;
    std::vector<std::vector<uint8_t>> spare_;  // picture buffers for reuse
    bool closing_ = false;
    std::exception_ptr error_;
    std::thread thread_;
};
