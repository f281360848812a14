#include "run_cli.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "formats/bmp.h"

std::vector<std::string> TCliResult::OutLines() const {
    std::vector<std::string> lines;
    std::istringstream in(Out);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

namespace {

[[noreturn]] void ExecChild(const TCliRun& run, int outFd, int errFd) {
    dup2(outFd, STDOUT_FILENO);
    dup2(errFd, STDERR_FILENO);
    if (!run.WorkDir.empty() && chdir(run.WorkDir.c_str()) != 0) {
        _exit(127);
    }
    if (run.FileSizeLimit != 0) {
        signal(SIGXFSZ, SIG_DFL);
        const rlimit limit{run.FileSizeLimit, run.FileSizeLimit};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(127);
    }
    unsetenv("LC_ALL");
    setenv("LANG", run.Lang.c_str(), 1);
    std::vector<char*> argv;
    std::string program = ZINOP_CLI_PATH;
    argv.push_back(program.data());
    std::vector<std::string> args = run.Args;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
}

// Reads both pipes until both are closed, reporting stdout lines as they come.
void Collect(const TCliRun& run, int pid, int outFd, int errFd, TCliResult& result) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string pending;
    int open = 2;
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
                continue;
            }
            (i == 0 ? result.Out : result.Err).append(buffer, static_cast<size_t>(got));
            if (i == 0 && run.OnLine) {
                pending.append(buffer, static_cast<size_t>(got));
                for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
                    run.OnLine(pid, pending.substr(0, end));
                    pending.erase(0, end + 1);
                }
            }
        }
    }
}

}  // namespace

TCliResult RunCli(const TCliRun& run) {
    TCliResult result;
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) {
        return result;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        ExecChild(run, outPipe[1], errPipe[1]);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    Collect(run, pid, outPipe[0], errPipe[0], result);
    int status = 0;
    waitpid(pid, &status, 0);
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

TCliResult RunCli(std::vector<std::string> args) {
    TCliRun run;
    run.Args = std::move(args);
    return RunCli(run);
}

void WritePicture(const std::string& path, int width, int height, int seed) {
    TPictureRecord record;
    record.Kind = pkFullColour;
    record.Width = width;
    record.Height = height;
    record.Pixels.resize(static_cast<size_t>(width) * height * 4);
    ColorValue* pixels = record.ColorPixels();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels[y * width + x] =
                seed == 0 ? MakeColor((x * 255) / width, (y * 255) / height, (x ^ y) & 255)
                          : MakeColor((x * seed) & 255, (y * 255) / height, (x ^ (y * seed)) & 255);
        }
    }
    record.FileName = path;
    ASSERT_TRUE(SaveBmp(record)) << path;
}

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
