#include "engine/convert.h"

#include <system_error>
#include <utility>

TConvert::TConvert(ReduceJob& job, CompletionHandler onCompleted)
    : Job(job), OnCompleted(std::move(onCompleted)) {}

TConvert::~TConvert() {
    Terminate();
    if (!Worker.joinable()) return;
    if (Worker.get_id() == std::this_thread::get_id())
        Worker.detach();  // destroyed by its own completion handler
    else
        Worker.join();
}

bool TConvert::Start() {
    std::lock_guard<std::mutex> lock(StartLock);
    if (Started) return false;
    Started = true;
    // A stop asked for before the start still counts.
    Job.StopRequested.store(TerminateAsked, std::memory_order_release);
    try {
        Worker = std::thread(&TConvert::Body, this);
    } catch (const std::system_error&) {
        Done.store(true, std::memory_order_release);
        return false;
    }
    return true;
}

void TConvert::Terminate() {
    std::lock_guard<std::mutex> lock(StartLock);
    TerminateAsked = true;
    // Once the body has returned the job may already serve the next run.
    if (Started && !Done.load(std::memory_order_acquire))
        Job.StopRequested.store(true, std::memory_order_release);
}

void TConvert::WaitFor() {
    if (Worker.joinable() && Worker.get_id() != std::this_thread::get_id()) Worker.join();
}

void TConvert::Body() {
    RunJob(Job);
    // The handler may destroy this object: nothing below touches a member.
    CompletionHandler handler = std::move(OnCompleted);
    ReduceJob& job = Job;
    Done.store(true, std::memory_order_release);
    if (handler) handler(job);
}
