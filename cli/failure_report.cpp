#include "cli/failure_report.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "config/failure_reason.h"
#include "config/safe_file.h"

namespace {

std::string Line(const char* what, const std::string& path, const std::string& reason) {
    return std::string("zinop-cli: ") + what + " " + path + ": " + reason;
}

void Say(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

}  // namespace

std::string ReadFailureReason(const std::string&) { return FailureText(LastLoadFailure()); }

std::string ReadFailureLine(const std::string& path) {
    return Line("cannot read", path, ReadFailureReason(path));
}

std::string WriteFailureLine(const std::string& path) {
    return Line("cannot write", path, FailureText(LastSaveFailure()));
}

std::string ReduceFailureLine(const std::string& path) {
    return Line("cannot reduce", path, FailureText({TFailure::OutOfMemory, 0}));
}

void ReportReduceFailure(const std::string& path) { Say(ReduceFailureLine(path)); }

std::string SkipLine(const std::string& sourcePath, const TOutputPlan& output) {
    const char* why = output.Verdict == TOutputVerdict::SourceOfRun
                          ? "it is one of the files of this run"
                          : "an earlier file of this run writes it";
    return Line("not writing", output.Path + " (from " + sourcePath + ")", why);
}

void ReportReadFailure(const std::string& path) { Say(ReadFailureLine(path)); }

void ReportWriteFailure(const std::string& path) { Say(WriteFailureLine(path)); }

void ReportSkip(const std::string& sourcePath, const TOutputPlan& output) {
    Say(SkipLine(sourcePath, output));
}

std::string ProfileWarningLine(const TPictureRecord& record) {
    if (record.Profile != TPictureRecord::psRejected) return std::string();
    return "zinop-cli: warning: " + record.FileName +
           ": its colour profile was refused; loaded without conversion";
}

std::string OutputFolderProblem(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return std::strerror(errno);
    if (!S_ISDIR(info.st_mode)) return std::strerror(ENOTDIR);
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return std::strerror(errno);
    return std::string();
}
