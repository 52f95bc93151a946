// The real program, copied into a fresh game tree with a stand-in library as
// Data/Plumo.zqd, run as a child process: binding, start-up failures, the
// quiet end and the shutdown sequence as a player or packager would see them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ChildProcess.h"

namespace morva::test {
namespace {

namespace fs = std::filesystem;

const std::string kInitLine =
    "Init \"MORVA var 0.2\" signature ok mode 1 instance program icon 16 32 48 64 cell 0";

using Lines = std::vector<std::string>;

constexpr std::size_t kNotALibraryBytes = 4096;

class GameTree : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(GameDir() / "Data");
        fs::create_directories(Elsewhere());
        fs::copy_file(MORVA_PROGRAM, Program());
        fs::permissions(Program(), fs::perms::owner_all, fs::perm_options::add);
    }

    fs::path GameDir() const { return scratch.path() / "game"; }
    fs::path Program() const { return GameDir() / "morva"; }
    fs::path LibraryPath() const { return GameDir() / "Data" / "Plumo.zqd"; }
    // The working directory of every run: never the game folder.
    fs::path Elsewhere() const { return scratch.path() / "elsewhere"; }
    fs::path StubLog() const { return scratch.path() / "stub.log"; }

    static fs::path Stub(const std::string& variant) {
        return fs::path(MORVA_STUB_DIR) / (variant + ".zqd");
    }

    void InstallLibrary(const std::string& variant) { fs::copy_file(Stub(variant), LibraryPath()); }

    ChildResult Run(Environment extra = {}) { return RunFrom(Program(), Elsewhere(), extra); }

    ChildResult RunFrom(const fs::path& program, const fs::path& workingDirectory,
                        Environment extra = {}) {
        extra.emplace_back("MORVA_STUB_LOG", StubLog().string());
        extra.emplace_back("LD_DEBUG", "files");
        extra.emplace_back("LD_DEBUG_OUTPUT", (scratch.path() / "loader").string());
        return RunChild(program, workingDirectory, extra);
    }

    Lines StubEvents() const { return ReadLines(StubLog()); }

    // The loader destroys a link map only when dlclose unloads the library,
    // not when the process ends with it still loaded.
    bool UnloadedBeforeExit() const {
        for (const fs::directory_entry& entry : fs::directory_iterator(scratch.path())) {
            if (!entry.path().filename().string().starts_with("loader.")) {
                continue;
            }
            for (const std::string& line : ReadLines(entry.path())) {
                if (line.find(LibraryPath().string()) != std::string::npos &&
                    line.find("destroying link map") != std::string::npos) {
                    return true;
                }
            }
        }
        return false;
    }

    ScratchDir scratch;
};

TEST_F(GameTree, WithoutLibraryNamesTheMissingPathAndFails) {
    const ChildResult run = Run();

    EXPECT_EQ(run.exitCode, 1) << run.Describe();
    EXPECT_EQ(run.err, "morva: cannot load game library " + LibraryPath().string() +
                           ": cannot open shared object file: No such file or directory\n");
    EXPECT_EQ(run.out, "");
}

TEST_F(GameTree, ALibraryThatIsNotOneGivesTheLoadersReason) {
    // Longer than an ELF header, so the loader reads it before refusing it.
    std::ofstream(LibraryPath()) << std::string(kNotALibraryBytes, '#');

    const ChildResult run = Run();

    EXPECT_EQ(run.exitCode, 1) << run.Describe();
    EXPECT_EQ(run.err, "morva: cannot load game library " + LibraryPath().string() +
                           ": invalid ELF header\n");
}

struct MissingExport {
    std::string variant;
    std::string name;
    Lines events;  // what the library saw, in order
};

void PrintTo(const MissingExport& missing, std::ostream* out) {
    *out << missing.name;
}

class LacksOneExport : public GameTree, public ::testing::WithParamInterface<MissingExport> {};

TEST_P(LacksOneExport, NamesItFreesOnlyWhenFreeWasBoundAndUnloads) {
    InstallLibrary(GetParam().variant);

    const ChildResult run = Run();

    EXPECT_EQ(run.exitCode, 1) << run.Describe();
    EXPECT_EQ(run.err, "morva: game library " + LibraryPath().string() + " lacks export " +
                           GetParam().name + "\n");
    EXPECT_EQ(StubEvents(), GetParam().events) << "no Init, and Free only when bound";
    EXPECT_TRUE(UnloadedBeforeExit());
}

INSTANTIATE_TEST_SUITE_P(
    FirstMiddleLast, LacksOneExport,
    ::testing::Values(MissingExport{"lacks_init", "Init", {"loaded", "unloaded"}},
                      MissingExport{"lacks_sort", "Sort", {"loaded", "Free", "unloaded"}},
                      MissingExport{
                          "lacks_stop_bgm_fade", "StopBGMFade", {"loaded", "Free", "unloaded"}}));

TEST_F(GameTree, ClosingTheWindowOnTheTitleEndsQuietlyAfterOneFree) {
    InstallLibrary("complete");

    const ChildResult run = Run({{"MORVA_STUB_FRAMES", "3"}});

    EXPECT_EQ(run.exitCode, 0) << run.Describe();
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(StubEvents(), (Lines{"loaded", kInitLine, "Free", "unloaded"}));
    EXPECT_TRUE(UnloadedBeforeExit());
}

TEST_F(GameTree, StartsFromAnyWorkingDirectoryAndThroughALink) {
    InstallLibrary("complete");
    const fs::path link = Elsewhere() / "morva-link";
    fs::create_symlink(Program(), link);

    const ChildResult fromRoot = RunFrom(Program(), "/");
    const ChildResult throughLink = RunFrom(link, Elsewhere());

    EXPECT_EQ(fromRoot.exitCode, 0) << fromRoot.Describe();
    EXPECT_EQ(throughLink.exitCode, 0) << throughLink.Describe();
    EXPECT_EQ(StubEvents(), (Lines{"loaded", kInitLine, "Free", "unloaded", "loaded", kInitLine,
                                   "Free", "unloaded"}));
}

TEST_F(GameTree, NeverLoadsALibraryPlantedInTheWorkingDirectory) {
    fs::create_directories(Elsewhere() / "Data");
    fs::copy_file(Stub("complete"), Elsewhere() / "Data" / "Plumo.zqd");

    const ChildResult run = Run();

    EXPECT_EQ(run.exitCode, 1) << run.Describe();
    EXPECT_NE(run.err.find("cannot load game library " + LibraryPath().string()), std::string::npos)
        << run.err;
    EXPECT_EQ(StubEvents(), Lines{}) << "the planted library ran its constructor";
}

struct BrokenStep {
    std::string step;          // MORVA_STUB_BREAK
    std::string messageStart;  // the one stderr line starts so
    std::string messagePart;   // and contains this
};

void PrintTo(const BrokenStep& broken, std::ostream* out) {
    *out << broken.step;
}

class FailureInsideTheLibrary : public GameTree,
                                public ::testing::WithParamInterface<BrokenStep> {};

TEST_P(FailureInsideTheLibrary, ShutsDownInOrderAndReportsOneLine) {
    InstallLibrary("complete");

    const ChildResult run = Run({{"MORVA_STUB_BREAK", GetParam().step}});

    EXPECT_EQ(run.exitCode, 1) << run.Describe();
    EXPECT_TRUE(run.err.starts_with(GetParam().messageStart)) << run.err;
    EXPECT_NE(run.err.find(GetParam().messagePart), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(StubEvents(), (Lines{"loaded", kInitLine, "Free", "unloaded"}));
    EXPECT_TRUE(UnloadedBeforeExit());
}

INSTANTIATE_TEST_SUITE_P(
    ActAndFree, FailureInsideTheLibrary,
    ::testing::Values(
        BrokenStep{"act-failure",
                   "morva: game library failure: texture missing.zqtex cannot be read (raised at "
                   "0x",
                   "(Plumo.zqd+0x"},
        BrokenStep{"act-invalid-fp", "morva: invalid floating-point operation at 0x",
                   "(Plumo.zqd+0x"},
        BrokenStep{"act-access-violation", "morva: access violation touching 0x10 at 0x",
                   "(Plumo.zqd+0x"},
        // The window closed quietly, but Free itself failed: still unloaded,
        // and the failure is not reported as success.
        BrokenStep{"free-failure", "morva: game library failure: Free broke (raised at 0x",
                   "(Plumo.zqd+0x"}));

}  // namespace
}  // namespace morva::test
