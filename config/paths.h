#pragma once
#include <string>

// Returns path with "/" appended unless its last byte already is "/";
// the empty path gives "/".
std::string AddTrailingSeparator(const std::string& path);

// The folder holding the running program, with a trailing separator
// (the folder of /proc/self/exe). Empty when it cannot be found.
std::string ProgramFolder();
