#include "recording/EncoderThread.h"

#include <cstring>

EncoderThread::EncoderThread(std::vector<std::unique_ptr<RecordSink>> sinks, size_t frameBytes, bool threaded)
    : sinks_(std::move(sinks)), frameBytes_(frameBytes), threaded_(threaded) {
    if (threaded_) thread_ = std::thread([this] { run(); });
}

EncoderThread::~EncoderThread() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
        queue_.clear();
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void EncoderThread::write(const Job& job) {
    for (auto& sink : sinks_) {
        if (job.hasPicture) sink->writeVideo(job.picture.data());
        if (!job.sound.empty()) sink->writeAudio(job.sound.data(), job.sound.size() / 2);
    }
}

void EncoderThread::rethrow() {
    if (error_) std::rethrow_exception(error_);
}

void EncoderThread::push(const uint8_t* rgba, const int16_t* sound, size_t soundFrames) {
    Job job;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return queue_.size() < kQueued || error_; });
        rethrow();
        if (!spare_.empty()) job.picture = std::move(spare_.back()), spare_.pop_back();
    }
    if (rgba) job.picture.assign(rgba, rgba + frameBytes_), job.hasPicture = true;
    job.sound.assign(sound, sound + soundFrames * 2);
    if (!threaded_) {
        write(job);
        spare_.push_back(std::move(job.picture));
        return;
    }
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(job));
    }
    changed_.notify_all();
}

void EncoderThread::run() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !queue_.empty() || closing_; });
            if (queue_.empty()) return;
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        try {
            write(job);
        } catch (...) {
            std::lock_guard lock(mutex_);
            error_ = std::current_exception();
            queue_.clear();
            changed_.notify_all();
            return;
        }
        {
            std::lock_guard lock(mutex_);
            spare_.push_back(std::move(job.picture));
        }
        changed_.notify_all();
    }
}

void EncoderThread::finish() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
    rethrow();
    for (auto& sink : sinks_) sink->finish();
}
