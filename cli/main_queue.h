#pragma once
// The CLI's main loop: tasks posted from any thread (a worker's completion)
// run on the thread that calls RunFor, as the desktop program's queued calls
// run on its main thread.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

class TMainQueue {
public:
    // Safe from any thread.
    void Post(std::function<void()> task) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            tasks_.push_back(std::move(task));
        }
        ready_.notify_one();
    }
    // Waits up to timeout for a task, then runs every task posted so far.
    void RunFor(std::chrono::milliseconds timeout) {
        std::deque<std::function<void()>> tasks;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            ready_.wait_for(lock, timeout, [this] { return !tasks_.empty(); });
            tasks.swap(tasks_);
        }
        for (auto& task : tasks) {
            task();
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> tasks_;
};
