#pragma once
// TConvert: the worker that runs one reduction. Toolkit-free: it runs
// RunJob on its own std::thread and, after the body has returned, calls the
// completion handler on that worker thread, as its last act. A program with
// a main-thread event loop marshals the call itself (for example with a
// queued call); the handler may also destroy the TConvert.

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "engine/reduce_job.h"

class TConvert {
  public:
    using CompletionHandler = std::function<void(ReduceJob&)>;

    // The job must outlive the worker; from Start() until the completion
    // handler runs, its buffers belong to the worker.
    TConvert(ReduceJob& job, CompletionHandler onCompleted);
    // Asks a running body to stop and waits for it (and for the handler).
    // Called from inside the completion handler, it lets the thread finish
    // on its own instead of waiting for itself.
    ~TConvert();
    TConvert(const TConvert&) = delete;
    TConvert& operator=(const TConvert&) = delete;

    // Clears the job's stop request and starts the body. Returns false when
    // already started or when no thread could be created (the handler is
    // then not called).
    bool Start();
    // Sets the stop request; safe from any thread at any time, also before
    // Start() is called (the body then ends at its first check).
    void Terminate();
    // True once RunJob has returned (the completion handler runs next).
    bool Finished() const { return Done.load(std::memory_order_acquire); }
    // Blocks until the thread, completion handler included, has ended.
    // Does nothing when called from the completion handler.
    void WaitFor();

  private:
    void Body();

    ReduceJob& Job;
    CompletionHandler OnCompleted;
    std::thread Worker;
    std::mutex StartLock;  // orders Start against Terminate
    bool Started = false;
    bool TerminateAsked = false;
    std::atomic<bool> Done{false};
};
