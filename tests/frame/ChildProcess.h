// Runs a program as a child process in a chosen working directory and hands
// back its exit status and output; plus the scratch folder the start-up
// tests lay out a game tree in.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace morva::test {

struct ChildResult {
    int exitCode = -1;  // -1 when the child did not exit on its own
    int signal = 0;
    bool timedOut = false;
    std::string out;
    std::string err;

    std::string Describe() const;
};

using Environment = std::vector<std::pair<std::string, std::string>>;

// The child gets this process's environment plus extra.
ChildResult RunChild(const std::filesystem::path& program,
                     const std::filesystem::path& workingDirectory, const Environment& extra);

// A fresh folder under the system temp directory, removed with the object.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

std::string ReadFile(const std::filesystem::path& file);
// Lines without their line ends; a missing file gives none.
std::vector<std::string> ReadLines(const std::filesystem::path& file);

}  // namespace morva::test
