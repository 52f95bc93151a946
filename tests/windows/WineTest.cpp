// The Windows build under Wine: start-up failures and the quiet end from a
// fresh game folder, the top-level handler on each kind of processor fault,
// and a real window under Xvfb. MORVA_WINDOWS_BUILD names the Windows build
// folder (scripts/test-windows.sh sets it); without it every test skips.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ProgramRun.h"

namespace morva {
namespace {

using test::WithoutAddresses;

namespace fs = std::filesystem;

std::string WindowsBuild() {
    const char* build = std::getenv("MORVA_WINDOWS_BUILD");
    return build != nullptr ? build : "";
}

#define REQUIRE_WINDOWS_BUILD()                                             \
    if (WindowsBuild().empty()) {                                           \
        GTEST_SKIP() << "MORVA_WINDOWS_BUILD is not set: no Windows build"; \
    }

void Replace(std::string& text, const std::string& what, const std::string& with) {
    for (std::size_t at; (at = text.find(what)) != std::string::npos;) {
        text.replace(at, what.size(), with);
    }
}

// Wine shows the Unix folder /a/b as Z:\a\b.
std::string WindowsPath(const fs::path& path) {
    std::string text = "Z:" + path.string();
    Replace(text, "/", "\\");
    return text;
}

// A script that starts `program` under Wine with the arguments given: the
// child-process runner takes one program path.
std::string WineLauncher(const fs::path& folder, const fs::path& program,
                         const std::string& arguments = "") {
    const fs::path script = folder / "under-wine.sh";
    std::ofstream(script) << "#!/bin/sh\nexec '" << MORVA_WINE_RUN << "' '" << program.string()
                          << "' " << arguments << "\n";
    fs::permissions(script, fs::perms::owner_all);
    return script.string();
}

// The game folder as a player unpacks it: morva.exe, the SDL DLLs, Data/ with
// the textures and `library` as Plumo.zqd ("" for none). "planted" puts the
// library in the working folder instead, "no title" leaves the title
// screen's texture out.
struct GameTree {
    explicit GameTree(const std::string& library) {
        const fs::path build = WindowsBuild();
        fs::create_directories(elsewhere / "Data");
        fs::create_directories(game / "Data");
        for (const char* file : {"morva.exe", "SDL2.dll", "SDL2_image.dll"}) {
            fs::copy_file(build / file, game / file);
        }
        for (const auto& entry : fs::directory_iterator(build / "Data")) {
            if (entry.path().extension() == ".zqtex" &&
                !(library == "no title" && entry.path().filename() == "title.zqtex")) {
                fs::create_symlink(entry.path(), game / "Data" / entry.path().filename());
            }
        }
        const bool real = library == "planted" || library == "no title" || library == "whole";
        if (!library.empty()) {
            fs::copy_file(real ? build / "Data/Plumo.zqd" : build / "variants" / library,
                          library == "planted" ? elsewhere / "Data/Plumo.zqd" : plumo);
        }
    }

    // "<exit code> [<stdout>] [<stderr>] <the trace's first call and last line>".
    std::string Run() {
        const test::ProgramRun run = test::RunProgram(
            WineLauncher(root, game / "morva.exe"),
            {"PLUMO_VIDEO=none", "PLUMO_FPS=0", "PLUMO_FRAMES=3", "PLUMO_TRACE=" + root + "/trace"},
            elsewhere.string(), 120);
        std::string err = WithoutAddresses(run.err);
        Replace(err, "\r\n", "\n");
        Replace(err, WindowsPath(game), "<game>");
        const std::string trace = test::TraceEnds(test::ReadFile(root + "/trace"));
        return std::to_string(run.status) + " [" + run.out + "] [" + err + "]" + trace;
    }

    const test::TempFolder folder;
    const std::string root = folder.path;
    const fs::path game = fs::path(root) / "game";
    const fs::path plumo = game / "Data" / "Plumo.zqd";
    const fs::path elsewhere = fs::path(root) / "elsewhere";  // never the game folder
};

TEST(GameTreeUnderWine, FailsWithOneLineAndShutsDownInOrder) {
    REQUIRE_WINDOWS_BUILD();
    const std::string none =
        "cannot load game library <game>\\Data\\Plumo.zqd: Module not found";  // in Wine's words
    const std::string lacks = "game library <game>\\Data\\Plumo.zqd lacks export ";
    const struct {
        const char* library;  // as GameTree takes it
        std::string error;    // the line after "morva: ", "" for a quiet end
        std::string events;   // what the trace saw
    } kCases[] = {
        {"", none, ""},
        {"planted", none, ""},
        {"lacks_Init.zqd", lacks + "Init", ""},
        {"lacks_Sort.zqd", lacks + "Sort", ""},
        {"lacks_StopBGMFade.zqd", lacks + "StopBGMFade", ""},
        {"whole", "", " Init \"MORVA var 0.2\", Free"},
        {"no title",
         "game library failure: cannot read texture <game>\\Data\\title.zqtex: No such file or "
         "directory (raised at 0x? (Plumo.zqd+0x?))",
         " Init \"MORVA var 0.2\", Free"},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(GameTree(c.library).Run(),
                  (c.error.empty() ? "0 [] []" : "1 [] [morva: " + c.error + "\n]") + c.events)
            << c.library;
    }
}

// Each fault ends in the line the Linux build prints and exit code 1; the
// shutdown runs unless the fault could not be jumped back from.
TEST(TopLevelHandlerUnderWine, ReportsEachFaultInOneLine) {
    REQUIRE_WINDOWS_BUILD();
    const std::string kViolation = "1 [morva: access violation touching 0x10 at 0x? (";
    const struct {
        const char* name;
        std::string expected;  // "<exit code> [<standard error>] <shutdown>"
    } kCases[] = {
        {"invalid-operation",
         "1 [morva: invalid floating-point operation at 0x? (morva_fault_cases.exe+0x?)\n] Free, "
         "title dropped"},
        {"division-by-zero",
         "1 [morva: integer division by zero at 0x? (morva_fault_cases.exe+0x?)\n] Free, title "
         "dropped"},
        {"float-division-by-zero", "0 [] Free, title dropped"},
        // The jump would land on another thread's stack: no shutdown.
        {"access-violation-on-another-thread", kViolation + "morva_fault_cases.exe+0x?)\n] "},
        // The C runtime may hold its heap's lock: no shutdown.
        {"access-violation-inside-the-c-library", kViolation + "msvcrt.dll+0x?)\n] "},
        // Jumped back from, shut down; the watchdog ends the hang in Free.
        {"free-hanging-after-a-fault",
         kViolation + "morva_fault_cases.exe+0x?)\n] Free, title dropped"},
        {"library-failure",
         "1 [morva: game library failure: texture gone (raised at 0x?)\n] Free, title dropped"},
    };
    const test::TempFolder folder;
    for (const auto& c : kCases) {
        const test::ProgramRun run = test::RunProgram(
            WineLauncher(folder.path, fs::path(WindowsBuild()) / "variants/morva_fault_cases.exe",
                         c.name),
            {"PLUMO_VIDEO=none"}, "", 60);  // in window mode a message box would wait
        std::string err = run.err;
        Replace(err, "\r\n", "\n");
        EXPECT_EQ(WithoutAddresses(std::to_string(run.status) + " [" + err + "] " + run.out),
                  c.expected)
            << c.name;
    }
}

struct Picture {
    uint32_t width = 0, height = 0;
    std::vector<unsigned char> rgba;
};

Picture ReadPng(const std::string& path) {
    const std::string data = test::ReadFile(path);
    Picture picture;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, data.data(), data.size()) != 0) {
        image.format = PNG_FORMAT_RGBA;
        std::vector<unsigned char> rgba(PNG_IMAGE_SIZE(image));
        if (png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr) != 0) {
            picture.width = image.width;
            picture.height = image.height;
            picture.rgba = std::move(rgba);
        }
    }
    png_image_free(&image);
    return picture;
}

// The share of pixels brighter than near-black, in percent.
int LitPercent(const Picture& picture) {
    std::size_t lit = 0;
    for (std::size_t i = 0; i + 3 < picture.rgba.size(); i += 4) {
        lit += picture.rgba[i] + picture.rgba[i + 1] + picture.rgba[i + 2] > 3 * 24 ? 1 : 0;
    }
    return picture.rgba.empty() ? 0 : static_cast<int>(100 * lit / (picture.rgba.size() / 4));
}

// A real window (Wine's X11 driver on Xvfb): the demo's title screen and then
// its game, each a whole picture of the screen's size, and not the same.
TEST(WindowUnderWine, ShowsTheTitleAndThenTheGame) {
    REQUIRE_WINDOWS_BUILD();
    if (std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "no DISPLAY: run under xvfb-run";
    }
    const test::TempFolder folder;
    const test::ProgramRun run = test::RunProgram(
        WineLauncher(folder.path, fs::path(WindowsBuild()) / "morva.exe"),
        {"PLUMO_VIDEO=window", "PLUMO_FPS=0", "PLUMO_REPLAY=" MORVA_DEMO_REPLAY, "PLUMO_FRAMES=100",
         "PLUMO_SHOT_FRAMES=1,90", "PLUMO_SHOT_DIR=" + folder.path},
        "", 180);
    ASSERT_EQ(run.status, 0) << run.err;
    // The demo starts its game at frame 2: the title is its first frame.
    const Picture title = ReadPng(folder.path + "/frame-000001.png");
    const Picture game = ReadPng(folder.path + "/frame-000090.png");
    for (const Picture* picture : {&title, &game}) {
        // On scripts/test-windows.sh's 1600x900 screen the window fills it.
        EXPECT_EQ(std::to_string(picture->width) + "x" + std::to_string(picture->height),
                  "1600x900");
        EXPECT_GT(LitPercent(*picture), 5) << "black";
    }
    EXPECT_NE(title.rgba, game.rgba) << "the game never started";
}

// A player whose folders have names outside the system's code page: the settings file is
// read and written where it belongs, with Windows line ends, and a replay and a trace in
// such a folder work as well; no folder with a mangled name appears.
TEST(WindowUnderWine, FoldersWithAnyNameHoldTheSettingsAReplayAndATrace) {
    REQUIRE_WINDOWS_BUILD();
    if (std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "no DISPLAY: run under xvfb-run";
    }
    for (const std::string name : {"Jos\u00e9", "\u7530\u4e2d"}) {
        SCOPED_TRACE(name);
        const test::TempFolder folder;
        const fs::path user = fs::path(folder.path) / name;
        fs::create_directories(user);
        std::ofstream(user / "input.replay") << "1 jump down\n2 jump up\n";
        const test::ProgramRun run =
            test::RunProgram(WineLauncher(folder.path, fs::path(WindowsBuild()) / "morva.exe"),
                             {"LANG=C.UTF-8", "LC_ALL=C.UTF-8", "PLUMO_VIDEO=window", "PLUMO_FPS=0",
                              "PLUMO_FRAMES=3", "PLUMO_CONFIG_DIR=" + WindowsPath(user / "MORVA"),
                              "PLUMO_REPLAY=" + WindowsPath(user / "input.replay"),
                              "PLUMO_TRACE=" + WindowsPath(user / "trace")},
                             "", 180);
        EXPECT_EQ(std::to_string(run.status) + " [" + run.err + "]", "0 []");
        EXPECT_EQ(test::TraceEnds(test::ReadFile((user / "trace").string())),
                  " Init \"MORVA var 0.2\", Free");
        const std::string settings = test::ReadFile((user / "MORVA/settings.ini").string());
        std::size_t bare = 0, lines = 0;
        for (std::size_t at = 0; (at = settings.find('\n', at)) != std::string::npos; ++at) {
            ++lines;
            bare += at == 0 || settings[at - 1] != '\r';
        }
        EXPECT_GT(lines, 40u) << settings;
        EXPECT_EQ(bare, 0u) << "lines without their carriage return";
        std::vector<std::string> entries;
        for (const auto& entry : fs::directory_iterator(folder.path)) {
            entries.push_back(entry.path().filename().string());
        }
        std::vector<std::string> expected{"under-wine.sh", user.filename().string()};
        std::sort(entries.begin(), entries.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(entries, expected);
    }
}

// In window mode a failure also shows its line in a message box, for a
// player who has no console; the game ends once the box is dismissed.
TEST(WindowUnderWine, FailureWaitsInAMessageBox) {
    REQUIRE_WINDOWS_BUILD();
    if (std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "no DISPLAY: run under xvfb-run";
    }
    const test::TempFolder folder;
    auto run = std::async(std::launch::async, [&] {
        return test::RunProgram(
            WineLauncher(folder.path, fs::path(WindowsBuild()) / "variants/morva_fault_cases.exe",
                         "library-failure"),
            {"PLUMO_VIDEO=window"}, "", 60);
    });
    // The box is the window titled MORVA; Return presses its OK.
    const std::string press =
        "id=$(xdotool search --name '^MORVA$' | head -1) && [ -n \"$id\" ] "
        "&& timeout 5 xdotool windowfocus --sync \"$id\" key Return";
    // Pressed until the program ends: a press before the box takes input is lost.
    bool seen = false;
    for (int tries = 0;
         tries < 300 && run.wait_for(std::chrono::milliseconds(200)) != std::future_status::ready;
         ++tries) {
        seen = std::system(("(" + press + ") >/dev/null 2>&1").c_str()) == 0 || seen;
    }
    const test::ProgramRun ended = run.get();
    EXPECT_TRUE(seen) << "no message box appeared";
    std::string err = ended.err;
    Replace(err, "\r\n", "\n");
    EXPECT_EQ(WithoutAddresses(std::to_string(ended.status) + " [" + err + "]"),
              "1 [morva: game library failure: texture gone (raised at 0x?)\n]");
}

}  // namespace
}  // namespace morva
