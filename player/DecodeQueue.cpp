#include "player/DecodeQueue.h"

void DecodeQueue::cancel() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        todo_.clear();
    }
    changed_.notify_all();
    if (worker_.joinable()) worker_.join();
    done_.clear();
    stopping_ = false;
}

void DecodeQueue::add(Job job) {
    {
        std::lock_guard lock(mutex_);
        todo_.push_back(std::move(job));
    }
    if (!worker_.joinable()) worker_ = std::thread(&DecodeQueue::work, this);
    changed_.notify_all();
}

// A job that throws hands its exception to the GL thread, where it surfaces as it would have
// without the worker.
void DecodeQueue::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopping_ || !todo_.empty(); });
        if (stopping_) return;
        Job job = std::move(todo_.front());
        todo_.pop_front();
        busy_ = true;
        lock.unlock();
        Finish finish;
        try {
            finish = job();
        } catch (...) {
            finish = [error = std::current_exception()] { std::rethrow_exception(error); };
        }
        lock.lock();
        done_.push_back(std::move(finish));
        busy_ = false;
        changed_.notify_all();
    }
}

void DecodeQueue::finishReady() {
    std::deque<Finish> ready;
    {
        std::lock_guard lock(mutex_);
        ready.swap(done_);
    }
    while (!ready.empty()) {
        Finish finish = std::move(ready.front());
        ready.pop_front();
        if (finish) finish();
    }
}

void DecodeQueue::finishAll() {
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return todo_.empty() && !busy_; });
    }
    finishReady();
}
