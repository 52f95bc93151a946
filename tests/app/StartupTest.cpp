// The real program and library copied into a fresh game folder and started
// from another folder: start-up failures, the quiet end and the shutdown order.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ProgramRun.h"
#include "app/Startup.h"

namespace morva {
namespace {

using test::WithoutAddresses;

namespace fs = std::filesystem;

void Replace(std::string& text, const std::string& what, const std::string& with) {
    for (std::size_t at; (at = text.find(what)) != std::string::npos;) {
        text.replace(at, what.size(), with);
    }
}

// The game folder: the program, Data/ with the textures and `library` as
// Plumo.zqd ("" for none). "planted" puts the library in the working folder
// instead, "linked" starts the program through a link, "no title" leaves
// the title screen's texture out, "truncated" cuts the library after its
// headers, so that the loader touches pages past its end.
struct GameTree {
    explicit GameTree(const std::string& library) {
        fs::create_directories(elsewhere / "Data");
        fs::create_directories(game / "Data");
        fs::copy_file(MORVA_PROGRAM, program);
        for (const auto& entry : fs::directory_iterator(MORVA_DATA_DIR)) {
            if (entry.path().extension() == ".zqtex" &&
                !(library == "no title" && entry.path().filename() == "title.zqtex")) {
                fs::create_symlink(entry.path(), game / "Data" / entry.path().filename());
            }
        }
        const bool real = library == "planted" || library == "linked" || library == "no title" ||
                          library == "truncated";
        if (!library.empty()) {
            fs::copy_file(real ? MORVA_DATA_DIR "/Plumo.zqd" : MORVA_VARIANT_DIR "/" + library,
                          library == "planted" ? elsewhere / "Data/Plumo.zqd" : plumo);
        }
        if (library == "truncated") {
            fs::resize_file(plumo, 20000);
        }
        if (library == "linked") {
            fs::create_symlink(program, elsewhere / "morva");
            program = elsewhere / "morva";
        }
    }

    // "<exit code> [<stdout>] [<stderr>] <the trace's first call and last
    // line>", " (unloaded)" when the library was unloaded before the exit.
    std::string Run() {
        const test::ProgramRun run = test::RunProgram(
            program.string(),
            {"PLUMO_VIDEO=none", "PLUMO_FPS=0", "PLUMO_FRAMES=3", "PLUMO_TRACE=" + root + "/trace",
             "LD_DEBUG=files", "LD_DEBUG_OUTPUT=" + root + "/loader"},
            elsewhere.string(), 60);
        std::string err = WithoutAddresses(run.err);
        Replace(err, game.string(), "<game>");
        const std::string trace = test::TraceEnds(test::ReadFile(root + "/trace"));
        bool unloaded = false;
        for (const auto& log : fs::directory_iterator(root)) {
            if (log.path().filename().string().starts_with("loader")) {
                const std::string text = test::ReadFile(log.path().string());
                unloaded = unloaded || (text.find("destroying link map") != std::string::npos &&
                                        text.find(plumo.string()) != std::string::npos);
            }
        }
        return std::to_string(run.status) + " [" + run.out + "] [" + err + "]" + trace +
               (unloaded ? " (unloaded)" : "");
    }

    const test::TempFolder folder;
    const std::string root = folder.path;
    const fs::path game = fs::path(root) / "game";
    const fs::path plumo = game / "Data" / "Plumo.zqd";
    const fs::path elsewhere = fs::path(root) / "elsewhere";  // never the game folder
    fs::path program = game / "morva";
};

TEST(GameTree, FailsWithOneLineAndShutsDownInOrder) {
    const std::string none =
        "cannot load game library <game>/Data/Plumo.zqd: cannot open shared object file: No such "
        "file or directory";
    const std::string lacks = "game library <game>/Data/Plumo.zqd lacks export ";
    const std::string quiet = " Init \"MORVA var 0.2\", Free (unloaded)";
    const struct {
        const char* library;  // as GameTree takes it
        std::string error;    // the line after "morva: ", "" for a quiet end
        std::string events;   // what the trace and the loader saw
    } kCases[] = {
        {"", none, ""},
        {"planted", none, ""},
        {"lacks_Init.zqd", lacks + "Init", " (unloaded)"},
        {"lacks_Sort.zqd", lacks + "Sort", " (unloaded)"},
        {"lacks_StopBGMFade.zqd", lacks + "StopBGMFade", " (unloaded)"},
        {"linked", "", quiet},
        {"no title",
         "game library failure: cannot read texture <game>/Data/title.zqtex: No such file or "
         "directory (raised at 0x? (Plumo.zqd+0x?))",
         quiet},
        {"truncated",
         "bus error touching 0x? at 0x? (ld-linux-x86-64.so.2+0x?) while loading game library "
         "<game>/Data/Plumo.zqd",
         ""},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(GameTree(c.library).Run(),
                  (c.error.empty() ? "0 [] []" : "1 [] [morva: " + c.error + "\n]") + c.events)
            << c.library;
    }
}

// The message box keeps what failed and where in the game's files, and drops
// the code addresses that standard error keeps for developers.
TEST(FailureBox, ShowsThePlayerNoCodeAddress) {
    const struct {
        const char* line;
        const char* shown;
    } kCases[] = {
        {"morva: game library failure: cannot read texture C:\\Games\\MORVA\\Data/title.zqtex: "
         "No such file or directory (raised at 0x164a30d (Plumo.zqd+0x2a30d))",
         "morva: game library failure: cannot read texture C:\\Games\\MORVA\\Data/title.zqtex: "
         "No such file or directory"},
        {"morva: game library failure: texture gone (raised at 0x1f00)",
         "morva: game library failure: texture gone"},
        {"morva: access violation touching 0x10 at 0x7ff6a1 (msvcrt.dll+0x1a2b3)",
         "morva: access violation touching 0x10"},
        {"morva: bus error touching 0x7f00 at 0x7f12 (ld-linux-x86-64.so.2+0x9a3) while loading "
         "game library /opt/morva/Data/Plumo.zqd",
         "morva: bus error touching 0x7f00 while loading game library /opt/morva/Data/Plumo.zqd"},
        {"morva: integer division by zero at 0x401000", "morva: integer division by zero"},
        {"morva: game library D:\\x (copy)\\Data\\Plumo.zqd lacks export Sort",
         "morva: game library D:\\x (copy)\\Data\\Plumo.zqd lacks export Sort"},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(PlayerMessage(c.line), c.shown) << c.line;
    }
}

}  // namespace
}  // namespace morva
