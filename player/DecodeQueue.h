// Media decoding off the GL thread while a show is read: jobs run on one worker thread in the
// order they were added, and the step each one hands back (its GL upload, its messages) runs on
// the GL thread, in the same order, so that output and budgets come out as on one thread.
#pragma once
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class DecodeQueue {
public:
    using Finish = std::function<void()>;
    using Job = std::function<Finish()>;  // runs on the worker; must not touch GL

    DecodeQueue() = default;
    DecodeQueue(const DecodeQueue&) = delete;
    DecodeQueue& operator=(const DecodeQueue&) = delete;
    ~DecodeQueue() { cancel(); }

    void add(Job job);
    // Runs the finish steps of the jobs done so far, without waiting for the others.
    void finishReady();
    // Waits for every job, then runs the remaining finish steps.
    void finishAll();
    // Drops the jobs not started yet and their finish steps, and waits for the running one.
    void cancel();

private:
    void work();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> todo_;
    std::deque<Finish> done_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread worker_;  // started with the first job
};
