// Runs a program as a child process, the way a player or a script starts the
// game: the caller's environment without its PLUMO_ settings, plus the ones
// given (PLUMO_CONFIG_DIR=none unless one is), and a time limit.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace morva::test {

struct ProgramRun {
    int status = -1;  // the exit code, 128 + the signal for a killed program
    std::string out;
    std::string err;
};

// Each setting is "NAME=value". The program runs in `folder` ("" for this
// process's) and is killed after `seconds`.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& settings,
                      const std::string& folder = "", int seconds = 120);

std::string ReadFile(const std::string& path);

// Every hexadecimal number of three digits or more as "0x?", so that lines
// naming addresses compare across runs.
std::string WithoutAddresses(std::string_view text);

// " <first traced call>, <last line>" of a trace, or "" for an empty one: how a
// run began and ended.
std::string TraceEnds(std::string trace);

// A fresh temporary folder, removed with everything in it when this goes.
struct TempFolder {
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string path;
};

}  // namespace morva::test
