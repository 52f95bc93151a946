// The one writer behind every file the library writes, on its own: whole
// replacements under concurrent writers, and what it refuses to open.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "Harness.h"
#include "OutputFile.h"
#include "ProgramRun.h"

namespace plumo::test {
namespace {

namespace fs = std::filesystem;

// Several games ending at once: each writes its own text many times over, and
// every read between finds one writer's text whole.
TEST(OutputFile, ConcurrentReplacementsLeaveOneWholeTextAndReportNoError) {
    const morva::test::TempFolder temp;
    const std::string path = temp.path + "/settings.ini";
    constexpr int kWriters = 4, kRounds = 200;
    std::vector<std::string> texts;
    for (int writer = 0; writer < kWriters; ++writer) {
        // Of different lengths, so that a mix of two shows.
        texts.push_back(std::string(1000 + 3000 * writer, static_cast<char>('a' + writer)) + "\n");
    }
    std::vector<pid_t> children;
    for (int writer = 0; writer < kWriters; ++writer) {
        const pid_t child = fork();
        if (child == 0) {
            int failures = 0;
            for (int round = 0; round < kRounds; ++round) {
                failures += !ReplaceWhole(path, texts[static_cast<size_t>(writer)]).empty();
            }
            _exit(failures);
        }
        children.push_back(child);
    }
    int mixed = 0;
    for (int look = 0; look < 500; ++look) {
        const std::string seen = ReadText(path);
        mixed += !seen.empty() && std::ranges::find(texts, seen) == texts.end();
    }
    for (const pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0) << "failed replacements";
    }
    EXPECT_EQ(mixed, 0);
    EXPECT_NE(std::ranges::find(texts, ReadText(path)), texts.end());
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.path), fs::directory_iterator()), 1)
        << "a temporary file left behind";
}

TEST(OutputFile, RefusesWhatCouldHangOrIsNoFileAndWritesDevices) {
    const morva::test::TempFolder temp;
    const std::string fifo = temp.path + "/fifo";
    mkfifo(fifo.c_str(), 0600);
    const std::pair<std::string, std::string> kCases[] = {
        {fifo, "it is a FIFO, not a regular file or a device"},
        {temp.path, "it is a folder, not a regular file or a device"},
        {"/dev/null", ""},
        {temp.path + "/new", ""},
        {temp.path + "/missing/new", "No such file or directory"},
    };
    for (const auto& [path, why] : kCases) {
        OutputFile file;
        EXPECT_EQ(file.Create(path), why) << path;
        EXPECT_EQ(file.IsOpen() && file.Write("x\n", 2) && file.Close(), why.empty()) << path;
    }
    EXPECT_EQ(ReplaceWhole(fifo, "x"), "it is a FIFO, not a regular file or a device");
}

// Each signal that would have ended the process is ignored once the session
// has ended, and the next session takes it back.
TEST(StopSignals, AStopAfterFreeChangesNothingAndTheNextSessionHearsItAgain) {
    uint64_t cell = 0;
    for (const int stop : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(stop);
        std::signal(stop, SIG_DFL);
        Open({{"PLUMO_VIDEO", "none"}}, &cell);
        Library().Free();
        raise(stop);
        Open({{"PLUMO_VIDEO", "none"}}, &cell);
        raise(stop);
        EXPECT_EQ(Raised(Library().Act), "0 a stop signal arrived");
        Library().Free();
        std::signal(stop, SIG_DFL);
    }
}

}  // namespace
}  // namespace plumo::test
