// What the library writes (trace, recording, frame log, screenshots) is complete or the run
// fails naming it; stop signals end a run as a closed window does; settings that cannot be
// honoured are refused before anything is written.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <csignal>

#include "Harness.h"
#include "ProgramRun.h"

namespace plumo::test {
namespace {

using morva::test::ProgramRun;
using morva::test::ReadFile;

// Starts the game the way a tester's script would. STOP names a signal to send it a second
// after the start; FSIZE caps the bytes it may write to a file; DEADERR sends its standard
// error into a FIFO whose only reader has left.
constexpr const char* kStarter = R"(#!/bin/sh
[ -n "$STOP" ] && (sleep 1; kill -"$STOP" $$) &
[ -n "$FSIZE" ] && exec prlimit --fsize="$FSIZE" "$GAME"
if [ -n "$DEADERR" ]; then
  mkfifo "$DEADERR"
  exec 5<>"$DEADERR" 6>"$DEADERR" 5<&-
  exec "$GAME" 2>&6
fi
exec "$GAME"
)";

size_t Count(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

class OutputsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(starter) << kStarter;
        std::filesystem::permissions(starter, std::filesystem::perms::owner_all);
    }

    // Unpaced and drawing nothing unless the settings say otherwise.
    ProgramRun Run(std::vector<std::string> settings, int seconds = 60) {
        for (const std::string fallback : {"PLUMO_VIDEO=none", "PLUMO_FPS=0", "PLUMO_SEED=7"}) {
            const std::string name = fallback.substr(0, fallback.find('=') + 1);
            if (std::ranges::none_of(settings, [&](auto& s) { return s.starts_with(name); })) {
                settings.push_back(fallback);
            }
        }
        settings.push_back("GAME=" MORVA_PROGRAM);
        return morva::test::RunProgram(starter, settings, folder.path, seconds);
    }

    // Exit code 1 and the one line, naming what failed.
    void ExpectFailure(const ProgramRun& run, const std::string& message) {
        const std::string line = "morva: game library failure: " + message + " (raised at ";
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err.substr(0, line.size()), line) << run.err;
        EXPECT_EQ(Count(run.err, "\n"), 1u) << run.err;
    }

    const morva::test::TempFolder folder;
    const std::string dir = folder.path + "/";
    const std::string starter = dir + "start.sh";
};

TEST_F(OutputsTest, AnOutputThatCannotBeWrittenEndsTheRunWithOneLineNamingIt) {
    const std::string trace = dir + "trace", shot = dir + "frame-000001.png";
    ASSERT_EQ(Run({"PLUMO_FRAMES=2", "PLUMO_TRACE=" + trace}).status, 0);
    // Room for everything before the last line, Free's.
    const std::string allButFree = std::to_string(ReadFile(trace).size() - 2);
    const std::string full = ": No space left on device", large = ": File too large";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"PLUMO_FRAMES=30", "PLUMO_TRACE=/dev/full"}, "cannot write trace file /dev/full" + full},
        {{"PLUMO_FRAMES=2", "PLUMO_TRACE=/dev/full"}, "cannot write trace file /dev/full" + full},
        {{"PLUMO_FRAMES=30", "PLUMO_RECORD=/dev/full"},
         "cannot write record file /dev/full" + full},
        {{"PLUMO_FRAMES=30", "PLUMO_FRAME_LOG=/dev/full"},
         "cannot write frame log /dev/full" + full},
        {{"PLUMO_FRAMES=2", "PLUMO_TRACE=" + trace, "FSIZE=" + allButFree},
         "cannot write trace file " + trace + large},
        {{"PLUMO_FRAMES=3000", "PLUMO_TRACE=" + trace, "FSIZE=102400"},
         "cannot write trace file " + trace + large},
        {{"PLUMO_VIDEO=offscreen", "PLUMO_FRAMES=3", "PLUMO_SHOT_FRAMES=1",
          "PLUMO_SHOT_DIR=" + folder.path, "FSIZE=4096"},
         "cannot save screenshot " + shot + large},
    };
    for (const auto& [settings, message] : cases) {
        SCOPED_TRACE(settings.front() + " " + settings.back());
        ExpectFailure(Run(settings), message);
    }
    EXPECT_FALSE(std::filesystem::exists(shot)) << "no screenshot cut short";
}

// A FIFO nobody reads would hold the run in open() for ever; the game's own files must
// survive a mistyped variable.
TEST_F(OutputsTest, OutputsThatCouldHangTheRunOrOverwriteTheGameAreRefused) {
    const std::string fifo = dir + "fifo", shots = dir + "shots";
    mkfifo(fifo.c_str(), 0600);
    std::filesystem::create_directory(shots);
    mkfifo((shots + "/frame-000001.png").c_str(), 0600);
    const std::string data =
        std::filesystem::canonical(std::filesystem::path(MORVA_PROGRAM).parent_path() / "Data");
    const std::string refused = ": it is a FIFO, not a regular file or a device";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"PLUMO_TRACE=" + fifo}, "cannot write trace file " + fifo + refused},
        {{"PLUMO_RECORD=" + fifo}, "cannot write record file " + fifo + refused},
        {{"PLUMO_FRAME_LOG=" + fifo}, "cannot write frame log " + fifo + refused},
        {{"PLUMO_VIDEO=offscreen", "PLUMO_SHOT_FRAMES=1", "PLUMO_SHOT_DIR=" + shots},
         "cannot save screenshot " + shots + "/frame-000001.png" + refused},
        {{"PLUMO_TRACE=" + data + "/Plumo.zqd"},
         "PLUMO_TRACE must name a file outside the game's folder " + data + ", not " + data +
             "/Plumo.zqd"},
        {{"PLUMO_RECORD=" + data + "/../Data/title.zqtex"},
         "PLUMO_RECORD must name a file outside the game's folder " + data + ", not " + data +
             "/../Data/title.zqtex"},
        {{"PLUMO_SHOT_DIR=" + data, "PLUMO_SHOT_FRAMES=1"},
         "PLUMO_SHOT_DIR must name a folder outside the game's folder " + data + ", not " + data},
    };
    const auto library = std::filesystem::last_write_time(data + "/Plumo.zqd");
    for (const auto& [settings, message] : cases) {
        SCOPED_TRACE(settings.front());
        std::vector<std::string> all = settings;
        all.push_back("PLUMO_FRAMES=3");
        ExpectFailure(Run(all, 20), message);
    }
    EXPECT_EQ(std::filesystem::last_write_time(data + "/Plumo.zqd"), library);
}

// Standard error into a pipe nobody reads any more: the warnings and the failure line are
// lost, but the exit code still tells the run's end, never a death by SIGPIPE.
TEST_F(OutputsTest, AStandardErrorNobodyReadsNeverEndsTheRunBySignal) {
    std::filesystem::create_directory(dir + "config");
    std::ofstream(dir + "config/settings.ini") << "junk\n";
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{"PLUMO_FRAMES=3", "PLUMO_CONFIG_DIR=" + dir + "config"}, 0},
        {{"PLUMO_FRAMES=0"}, 1},
    };
    for (const auto& [settings, status] : cases) {
        SCOPED_TRACE(settings.back());
        std::filesystem::remove(dir + "deaderr");
        std::vector<std::string> all = settings;
        all.push_back("DEADERR=" + dir + "deaderr");
        EXPECT_EQ(Run(all, 20).status, status);
    }
}

// Each ends like a closed window: the outputs whole, and the recording plays the same game.
TEST_F(OutputsTest, StopSignalsEndTheRunCompletelyAndItsRecordingReplaysToItsTrace) {
    std::signal(SIGHUP, SIG_DFL);  // in case this suite itself runs under nohup
    for (const std::string stop : {"INT", "TERM", "HUP"}) {
        SCOPED_TRACE(stop);
        const ProgramRun run =
            Run({"STOP=" + stop, "PLUMO_FPS=60", "PLUMO_TRACE=" + dir + "trace",
                 "PLUMO_RECORD=" + dir + "rec", "PLUMO_FRAME_LOG=" + dir + "log"});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, "");
        const std::string trace = ReadFile(dir + "trace");
        EXPECT_TRUE(trace.ends_with("\nFree\n"));
        const size_t frames = Count(trace, "\nframe ");
        EXPECT_GT(frames, 10u) << "stopped mid-run";
        EXPECT_EQ(Count(ReadFile(dir + "log"), "\n"), frames + 1) << "a line a frame, and a header";
        EXPECT_EQ(Run({"PLUMO_REPLAY=" + dir + "rec", "PLUMO_FRAMES=" + std::to_string(frames),
                       "PLUMO_TRACE=" + dir + "replayed"})
                      .status,
                  0);
        EXPECT_EQ(ReadFile(dir + "replayed"), trace);
    }
}

TEST_F(OutputsTest, SettingsThatCannotBeHonouredAreRefusedBeforeAnyOutputIsOpened) {
    const std::string trace = dir + "trace", earlier = "an earlier trace\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"PLUMO_FRAMES=0"}, "PLUMO_FRAMES must be at least 1, not 0"},
        {{"PLUMO_FRAMES=-5"}, "PLUMO_FRAMES must be at least 1, not -5"},
        {{"PLUMO_FRAMES=10", "PLUMO_SHOT_FRAMES=3,10"},
         "PLUMO_SHOT_FRAMES must name frames from 0 to 9 (PLUMO_FRAMES is 10), not 10"},
        {{"PLUMO_SHOT_FRAMES=4,-1"}, "PLUMO_SHOT_FRAMES must name frames from 0, not -1"},
        {{"PLUMO_FPS=6\n0"}, "PLUMO_FPS is not a number: '6\\x0a0'"},
        {{"PLUMO_FRAMES=" + std::string(100'000, '7')},
         "PLUMO_FRAMES is out of range: '" + std::string(40, '7') + "...'"},
        {{"PLUMO_FPS=1000000000"}, "PLUMO_FPS must be from 0 (unpaced) to 1000000, not 1000000000"},
        {{"PLUMO_VIDEO=\x1b[2J"}, "PLUMO_VIDEO must be window, offscreen or none, not '\\x1b[2J'"},
        {{"PLUMO_SHOT_DIR=" + dir + "none"},
         "PLUMO_SHOT_DIR must name a folder, not " + dir + "none"},
        {{"PLUMO_RECORD=" + dir + "./trace"},
         "PLUMO_TRACE and PLUMO_RECORD must name different files, not " + trace + " and " + dir +
             "./trace"},
    };
    for (const auto& [settings, message] : cases) {
        SCOPED_TRACE(settings.back());
        std::ofstream(trace) << earlier;
        std::vector<std::string> all = settings;
        all.push_back("PLUMO_TRACE=" + trace);
        ExpectFailure(Run(all, 10), message);
        ASSERT_EQ(std::filesystem::file_size(trace), earlier.size());
        EXPECT_EQ(ReadFile(trace), earlier);
    }
}

// The header lines, 6446 of "Rnd 0 0 0", "LoadTex" and the opening quote leave exactly the
// name's 1024 bytes in the 64 KiB buffer; the lines before and after shift that by one.
TEST(TraceWriter, KeepsEveryLineWholeAroundAQuotedNameThatFillsTheBuffer) {
    std::string name;
    while (name.size() < 1014) {
        name += "./";
    }
    name += "quad.zqtex";
    const std::string trace = Library().out + "fill.trace";
    for (const int draws : {6445, 6446, 6447}) {
        uint64_t cell = 0;
        Open({{"PLUMO_VIDEO", "none"}, {"PLUMO_TRACE", trace}}, &cell);
        std::string expected = "plumo-trace 1\nInit \"MORVA var 0.2\"\nframe 0\n";
        for (int i = 0; i < draws; ++i) {
            Library().Rnd(0, 0);
            expected += "Rnd 0 0 0\n";
        }
        Drop(Load(name));
        Library().Free();
        EXPECT_EQ(ReadText(trace), expected + "LoadTex \"" + name + "\" 1\nReleaseTex 1\nFree\n")
            << draws;
    }
}

}  // namespace
}  // namespace plumo::test
