#include "engine/convert.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// A job over its own buffers: a gradient, 16 colours, mode none.
struct JobBuffers {
    explicit JobBuffers(int size)
        : Pixels(size * size), Indexes(size * size, 0xEE), Work(size * size) {
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                Pixels[y * size + x] = MakeColor(x * 255 / size, y * 255 / size, (x + y) % 256);
        Job.PaletteSize = 16;
        Job.DitherMode = 0;
        SetUpSingleJob(Job, size, size, Pixels.data(), Indexes.data(), Palette, Work.data(), false);
    }
    std::vector<ColorValue> Pixels;
    std::vector<uint8_t> Indexes;
    std::vector<int32_t> Work;
    ColorValue Palette[256] = {};
    ReduceJob Job;
};

TEST(TConvert, RunsTheJobAndThenTheHandler) {
    JobBuffers buffers(32);
    std::promise<bool> outcome;
    std::thread::id handlerThread;
    TConvert convert(buffers.Job, [&](ReduceJob& job) {
        handlerThread = std::this_thread::get_id();
        outcome.set_value(job.Succeeded);
    });
    ASSERT_TRUE(convert.Start());
    EXPECT_FALSE(convert.Start());
    EXPECT_TRUE(outcome.get_future().get());
    convert.WaitFor();
    EXPECT_TRUE(convert.Finished());
    EXPECT_NE(handlerThread, std::this_thread::get_id());
    EXPECT_NE(buffers.Indexes[0], 0xEE);
}

TEST(TConvert, TerminateBeforeStartEndsAtTheFirstCheck) {
    JobBuffers buffers(16);
    std::atomic<int> calls{0};
    TConvert convert(buffers.Job, [&](ReduceJob&) { ++calls; });
    convert.Terminate();
    ASSERT_TRUE(convert.Start());
    convert.WaitFor();
    EXPECT_FALSE(buffers.Job.Succeeded);
    EXPECT_EQ(calls.load(), 1);
    EXPECT_EQ(buffers.Indexes[0], 0xEE);
}

// The worker is held at Progress 75 until the stop has been asked for, so
// the request lands during palette construction.
TEST(TConvert, TerminateWhileRunning) {
    JobBuffers buffers(64);
    std::mutex lock;
    std::condition_variable changed;
    bool reached = false, released = false;
    buffers.Job.ProgressObserver = [&](int value) {
        if (value != 75) return;
        std::unique_lock<std::mutex> guard(lock);
        reached = true;
        changed.notify_all();
        changed.wait(guard, [&] { return released; });
    };
    std::promise<bool> outcome;
    TConvert convert(buffers.Job, [&](ReduceJob& job) { outcome.set_value(job.Succeeded); });
    ASSERT_TRUE(convert.Start());
    {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return reached; });
        convert.Terminate();
        released = true;
        changed.notify_all();
    }
    EXPECT_FALSE(outcome.get_future().get());
    EXPECT_LT(buffers.Job.Progress.load(), 800);
}

TEST(TConvert, StartClearsAStopLeftFromAnEarlierRun) {
    JobBuffers buffers(16);
    buffers.Job.StopRequested = true;
    TConvert convert(buffers.Job, nullptr);
    ASSERT_TRUE(convert.Start());
    convert.WaitFor();
    EXPECT_TRUE(buffers.Job.Succeeded);
}

// Destroying a running worker asks it to stop and waits for it.
TEST(TConvert, DestructorStopsAndJoins) {
    JobBuffers buffers(256);
    std::atomic<bool> handled{false};
    {
        TConvert convert(buffers.Job, [&](ReduceJob&) { handled = true; });
        ASSERT_TRUE(convert.Start());
    }
    EXPECT_TRUE(handled.load());
}

// The handler may free the worker object, as the program's does.
TEST(TConvert, HandlerMayDestroyTheWorker) {
    JobBuffers buffers(16);
    std::promise<void> destroyed;
    TConvert* convert = nullptr;
    convert = new TConvert(buffers.Job, [&](ReduceJob&) {
        delete convert;
        destroyed.set_value();
    });
    ASSERT_TRUE(convert->Start());
    destroyed.get_future().get();
    EXPECT_TRUE(buffers.Job.Succeeded);
}

}  // namespace
