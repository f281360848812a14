#pragma once
// Runs the built zinop-cli as a child process and collects what it prints.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

struct TCliResult {
    int Status = -1;  // exit status; 128 + signal when killed by one
    std::string Out;
    std::string Err;
    std::vector<std::string> OutLines() const;
};

struct TCliRun {
    std::vector<std::string> Args;  // without the program name
    std::string Lang = "C";         // LANG for the child; LC_ALL is unset
    std::string WorkDir;            // empty: the test's own
    // Called with the child's pid and each complete stdout line as it arrives.
    std::function<void(int pid, const std::string& line)> OnLine;
    // Non-zero: the child's file-size limit (RLIMIT_FSIZE) in bytes, with
    // SIGXFSZ at its default action, as a shell's "ulimit -f" leaves it.
    unsigned long FileSizeLimit = 0;
};

TCliResult RunCli(const TCliRun& run);
TCliResult RunCli(std::vector<std::string> args);

// Saves a full-colour BMP of about width*height/2 distinct colours (fails the
// test when it cannot); a non-zero seed gives a different set of colours.
void WritePicture(const std::string& path, int width, int height, int seed = 0);

// The whole file as bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// How many times part occurs in text, overlapping ones counted.
size_t Occurrences(const std::string& text, const std::string& part);
