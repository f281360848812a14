#include "app/io_worker.h"

#include <QEventLoop>
#include <QMetaObject>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "config/texts.h"
#include "formats/bmp.h"

namespace {

std::mutex hookMutex;
std::function<void()> workHook;

std::function<void()> CurrentHook() {
    std::lock_guard<std::mutex> lock(hookMutex);
    return workHook;
}

// What the work thread hands back: shared, so that neither side depends on
// the other's stack.
struct TWorkState {
    std::function<void()> Work;
    std::function<void()> Hook;
    std::exception_ptr Error;
};

}  // namespace

void SetOffMainThreadHook(std::function<void()> hook) {
    std::lock_guard<std::mutex> lock(hookMutex);
    workHook = std::move(hook);
}

void RunOffMainThread(const std::function<void()>& work) {
    auto state = std::make_shared<TWorkState>();
    state->Work = work;
    state->Hook = CurrentHook();
    QEventLoop loop;
    std::thread thread;
    try {
        // The quit is queued after the work's own queued calls (progress),
        // so they have all arrived when the loop ends.
        thread = std::thread([state, target = &loop] {
            try {
                if (state->Hook) state->Hook();
                state->Work();
            } catch (...) {
                state->Error = std::current_exception();
            }
            QMetaObject::invokeMethod(target, &QEventLoop::quit, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        work();  // no thread to be had: the window freezes, the work is still done
        return;
    }
    loop.exec();
    thread.join();
    if (state->Error) std::rethrow_exception(state->Error);
}

int LoadPictureOffMainThread(TPictureRecord& record, const std::function<void()>& then) {
    TFailureReason reason;
    int status = 1;
    RunOffMainThread([&record, &reason, &status, &then] {
        status = LoadPicture(record);
        if (status != 0) {
            reason = LastLoadFailure();
        } else if (then) {
            then();
        }
    });
    if (status != 0) SetLastLoadFailure(reason);
    return status;
}

bool SaveOffMainThread(const std::function<bool()>& write) {
    TFailureReason reason;
    bool written = false;
    RunOffMainThread([&write, &reason, &written] {
        ClearSaveFailure();
        written = write();
        if (!written) reason = LastSaveFailure();
    });
    ClearSaveFailure();
    if (!written) SetLastSaveFailure(reason);
    return written;
}

QString ReasonLine(const TFailureReason& reason) {
    return QStringLiteral("\n") + QString::fromStdString(FailureText(reason, UseEnglish()));
}
