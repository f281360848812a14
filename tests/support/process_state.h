#pragma once
// Process-wide state a test changes for a while and puts back: environment
// variables and the file size limit, plus a guard for work that a FIFO
// without a writer would block for ever.

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

// Sets (or, given nullptr, removes) an environment variable; the old value
// comes back at the end of the scope.
class TScopedEnv {
  public:
    TScopedEnv(const char* name, const char* value) : name_(name) {
        const char* old = getenv(name);
        had_ = old != nullptr;
        if (had_) old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~TScopedEnv() { had_ ? setenv(name_, old_.c_str(), 1) : unsetenv(name_); }
    TScopedEnv(const TScopedEnv&) = delete;
    TScopedEnv& operator=(const TScopedEnv&) = delete;

  private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

// The disk takes no more than `bytes` per file while this lives: writes past
// it fail with EFBIG, even for root, instead of raising SIGXFSZ.
class TFileSizeLimit {
  public:
    explicit TFileSizeLimit(rlim_t bytes) : handler_(signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit small = saved_;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, handler_);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    sighandler_t handler_;
};

// Runs `work` on another thread and gives its result, or nothing when it is
// still running after five seconds: then `fifo` is opened for writing once so
// that a reader blocked on it can end.
template <class Work>
std::optional<std::invoke_result_t<Work>> UnlessBlockedOn(const std::string& fifo, Work work) {
    auto attempt = std::async(std::launch::async, std::move(work));
    if (attempt.wait_for(std::chrono::seconds(5)) == std::future_status::ready) {
        return attempt.get();
    }
    const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) ::close(writer);
    return std::nullopt;
}
