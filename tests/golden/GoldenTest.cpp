// Whole-game behaviour pinned by replays: the program's call trace must match the checked-in
// one line for line. MORVA_UPDATE_GOLDEN=1 rewrites the goldens; MORVA_PROGRAM runs another build.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "ProgramRun.h"

namespace {

namespace fs = std::filesystem;

struct Case {
    const char* name;
    const char* replay;
    int frames;
};
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

constexpr Case kCases[] = {
    {"demo", MORVA_DEMO_REPLAY, 3400},
    {"bot-2", MORVA_GOLDEN_DIR "/bot-2.replay", 3400},
    {"controls", MORVA_GOLDEN_DIR "/controls.replay", 420},
    {"title", MORVA_GOLDEN_DIR "/title.replay", 100},
    {"cells", MORVA_GOLDEN_DIR "/cells.replay", 820},
};

fs::path TempPath(const std::string& name) {
    return fs::temp_directory_path() / ("morva-golden-" + std::to_string(getpid()) + "-" + name);
}

// Headless and unpaced, with no PLUMO_ setting of the caller's leaking in.
// `log` names what to write: "PLUMO_TRACE=<file>" or "PLUMO_FRAME_LOG=<file>".
morva::test::ProgramRun RunReplay(const std::string& replay, int frames, const std::string& log) {
    const char* override = std::getenv("MORVA_PROGRAM");
    return morva::test::RunProgram(
        override != nullptr ? override : MORVA_GOLDEN_PROGRAM,
        {"PLUMO_VIDEO=none", "PLUMO_FPS=0", "PLUMO_CONFIG_DIR=none", "PLUMO_REPLAY=" + replay,
         "PLUMO_FRAMES=" + std::to_string(frames), log},
        "", 120 + frames / 1000);
}

// The first difference as "frame <n>, line <m>: expected '<a>', got '<b>'", or "".
std::string FirstDifference(std::string_view expected, std::string_view actual) {
    const auto next = [](std::string_view& text) {
        if (text.empty())
            return std::string_view("<end of trace>");
        const std::string_view line = text.substr(0, text.find('\n'));
        text.remove_prefix(std::min(line.size() + 1, text.size()));
        return line;
    };
    std::string_view frame = "<start-up>";
    for (long line = 1; !expected.empty() || !actual.empty(); ++line) {
        const std::string_view want = next(expected), got = next(actual);
        if (want != got) {
            return "frame " + std::string(frame) + ", line " + std::to_string(line) +
                   ": expected '" + std::string(want) + "', got '" + std::string(got) + "'";
        }
        if (want.starts_with("frame "))
            frame = want.substr(6);
    }
    return "";
}

class Golden : public ::testing::TestWithParam<Case> {};

TEST_P(Golden, TraceMatchesTheCheckedInOne) {
    const Case& c = GetParam();
    const fs::path trace = TempPath(std::string(c.name) + ".trace");
    const morva::test::ProgramRun exit =
        RunReplay(c.replay, c.frames, "PLUMO_TRACE=" + trace.string());
    const std::string actual = morva::test::ReadFile(trace);
    fs::remove(trace);
    ASSERT_EQ(exit.status, 0) << exit.err;
    ASSERT_EQ(exit.err, "");
    const std::string golden = std::string(MORVA_GOLDEN_DIR "/") + c.name + ".trace.gz";
    if (const char* update = std::getenv("MORVA_UPDATE_GOLDEN"); update && *update == '1') {
        gzFile out = gzopen(golden.c_str(), "wb9");
        ASSERT_NE(out, nullptr) << golden;
        ASSERT_EQ(gzwrite(out, actual.data(), unsigned(actual.size())), int(actual.size()));
        ASSERT_EQ(gzclose(out), Z_OK) << golden;
        GTEST_SKIP() << "wrote " << golden;
    }
    gzFile in = gzopen(golden.c_str(), "rb");
    ASSERT_NE(in, nullptr) << golden << " missing: run with MORVA_UPDATE_GOLDEN=1";
    std::string expected;
    char buffer[1 << 16];
    for (int n = 0; (n = gzread(in, buffer, sizeof buffer)) > 0;)
        expected.append(buffer, n);
    gzclose(in);
    if (const std::string difference = FirstDifference(expected, actual); !difference.empty()) {
        ADD_FAILURE() << c.name << " differs from " << golden << " at " << difference;
    }
}

INSTANTIATE_TEST_SUITE_P(Replays, Golden, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string name = info.param.name;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
});

// Random buttons through titles and games: the program must neither fail nor stop early.
TEST(Soak, RandomInputRunsEveryFrame) {
    const char* count = std::getenv("MORVA_SOAK_FRAMES");
    const int frames = count != nullptr ? std::atoi(count) : 50'000;
    const fs::path replay = TempPath("soak.replay"), log = TempPath("soak.log");
    {
        std::ofstream out(replay);
        out << "seed 11\n";
        const char* const buttons[] = {"jump", "dash", "attack", "left", "right", "up", "down"};
        bool held[7] = {};
        std::mt19937_64 random(0x6d6f727661);
        for (int frame = 1; frame < frames; ++frame) {
            for (int b = 0; b < 7; ++b) {
                if (random() % 8 == 0) {
                    held[b] = !held[b];
                    out << frame << ' ' << buttons[b] << (held[b] ? " down\n" : " up\n");
                }
            }
        }
    }
    const morva::test::ProgramRun exit =
        RunReplay(replay, frames, "PLUMO_FRAME_LOG=" + log.string());
    int presented = 0;  // the log's lines after its heading
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
        presented += line.starts_with("#") ? 0 : 1;
    }
    fs::remove(replay);
    fs::remove(log);
    EXPECT_EQ(exit.status, 0) << exit.err;
    EXPECT_EQ(exit.err, "");
    EXPECT_EQ(presented, frames);
}

}  // namespace
