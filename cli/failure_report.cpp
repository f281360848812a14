#include "cli/failure_report.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "config/regular_file.h"
#include "config/safe_file.h"

namespace {

void Say(const char* what, const std::string& path, const std::string& reason) {
    std::fprintf(stderr, "zinop-cli: %s %s: %s\n", what, path.c_str(), reason.c_str());
    std::fflush(stderr);
}

}  // namespace

std::string ReadFailureReason(const std::string& path) {
    int error = 0;
    FILE* file = OpenRegularFile(path, &error);
    if (file == nullptr) return ReadErrorText(error);
    std::fclose(file);
    return "not a picture any plug-in or the BMP reader understands";
}

void ReportReadFailure(const std::string& path) {
    Say("cannot read", path, ReadFailureReason(path));
}

void ReportWriteFailure(const std::string& path) {
    const int error = SafeFileError();
    Say("cannot write", path,
        error != 0 ? std::string(std::strerror(error))
                   : std::string("the writer refused the picture"));
}

void ReportSkip(const std::string& sourcePath, const TOutputPlan& output) {
    const char* why = output.Verdict == TOutputVerdict::SourceOfRun
                          ? "it is one of the files of this run"
                          : "an earlier file of this run writes it";
    Say("not writing", output.Path + " (from " + sourcePath + ")", why);
}

std::string OutputFolderProblem(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return std::strerror(errno);
    if (!S_ISDIR(info.st_mode)) return std::strerror(ENOTDIR);
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return std::strerror(errno);
    return std::string();
}
