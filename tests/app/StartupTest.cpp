// The real program run as a child process against stand-in libraries:
// binding, start-up failures, the quiet end and the shutdown order.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace morva {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The program copied into a fresh game folder with a stand-in library as
// Data/Plumo.zqd ("" for none, "planted" for none there but one in the working
// directory, "linked" for a complete one with the program started through a
// link), run from another folder.
struct GameTree {
    explicit GameTree(const std::string& variant) {
        fs::create_directories(elsewhere / "Data");
        fs::create_directories(game / "Data");
        fs::copy_file(MORVA_PROGRAM, program);
        if (!variant.empty()) {
            const bool complete = variant == "planted" || variant == "linked";
            fs::copy_file(
                std::string(MORVA_STUB_DIR "/") + (complete ? "complete" : variant) + ".zqd",
                variant == "planted" ? elsewhere / "Data" / "Plumo.zqd" : library);
        }
        if (variant == "linked") {
            fs::create_symlink(program, elsewhere / "morva");
            program = elsewhere / "morva";
        }
    }
    ~GameTree() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    // Runs the program (60 s at most): "<exit code> [<stdout>] [<stderr>] <what the
    // library saw>", <lib> for its path, 0x? for addresses, " (unloaded)" when
    // it was unloaded before the exit (only then is its link map destroyed).
    std::string Run(const std::string& breakStep) {
        const std::string command =
            "cd '" + elsewhere.string() +
            "' && timeout -s KILL 60 env 'MORVA_STUB_LOG=" + (root / "stub.log").string() +
            "' 'MORVA_STUB_BREAK=" + breakStep +
            "' LD_DEBUG=files 'LD_DEBUG_OUTPUT=" + (root / "loader").string() + "' '" +
            program.string() + "' >'" + (root / "out").string() + "' 2>'" +
            (root / "err").string() + "'";
        const int status = std::system(command.c_str());
        std::string err = ReadFile(root / "err");
        for (std::size_t at = err.find("0x"); at != std::string::npos;
             at = err.find("0x", at + 2)) {
            const std::size_t digits =
                std::min(err.find_first_not_of("0123456789abcdef", at + 2), err.size()) - at - 2;
            err.replace(at + 2, digits >= 3 ? digits : 0, digits >= 3 ? "?" : "");
        }
        if (const std::size_t at = err.find(library.string()); at != std::string::npos) {
            err.replace(at, library.string().size(), "<lib>");
        }
        std::string events = ReadFile(root / "stub.log");
        for (std::size_t at; (at = events.find('\n')) != std::string::npos;) {
            events.replace(at, 1, at + 1 == events.size() ? "" : ", ");
        }
        const bool unloaded =
            std::system(("cat '" + root.string() + "'/loader.* 2>/dev/null | grep -F '" +
                         library.string() + "' | grep -q 'destroying link map'")
                            .c_str()) == 0;
        return std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + " [" +
               ReadFile(root / "out") + "] [" + err + "] " + events +
               (unloaded ? " (unloaded)" : "");
    }

    const fs::path root = [] {
        std::string pattern = (fs::temp_directory_path() / "morva-frame-XXXXXX").string();
        return mkdtemp(pattern.data()) != nullptr ? pattern : throw std::runtime_error("mkdtemp");
    }();
    const fs::path game = root / "game";
    const fs::path library = game / "Data" / "Plumo.zqd";
    const fs::path elsewhere = root / "elsewhere";  // never the game folder
    fs::path program = game / "morva";
};

TEST(GameTree, FailsWithOneLineAndShutsDownInOrder) {
    const std::string none =
        "cannot load game library <lib>: cannot open shared object file: No such file or directory";
    const std::string lacks = "game library <lib> lacks export ";
    const std::string at = " at 0x? (Plumo.zqd+0x?)";
    const std::string unreadable =
        "game library failure: texture missing.zqtex cannot be read (raised" + at + ")";
    const std::string quiet =
        "loaded, Init \"MORVA var 0.2\" signature ok mode 1 instance program icon 16 32 48 64 "
        "cell 0, Free, unloaded (unloaded)";
    const struct {
        const char* variant;  // as GameTree takes it
        const char* breakStep;
        std::string error;   // the line after "morva: ", "" for a quiet end
        std::string events;  // what the library saw, and whether it was unloaded before the exit
    } kCases[] = {
        {"", "", none, ""},
        {"planted", "", none, ""},
        // Free only when its slot was bound.
        {"lacks_init", "", lacks + "Init", "loaded, unloaded (unloaded)"},
        {"lacks_sort", "", lacks + "Sort", "loaded, Free, unloaded (unloaded)"},
        {"lacks_stop_bgm_fade", "", lacks + "StopBGMFade", "loaded, Free, unloaded (unloaded)"},
        {"complete", "", "", quiet},  // the window closed on the title
        {"linked", "", "", quiet},
        {"complete", "act-failure", unreadable, quiet},
        {"complete", "act-invalid-fp", "invalid floating-point operation" + at, quiet},
        {"complete", "act-access-violation", "access violation touching 0x10" + at, quiet},
        {"complete", "act-failure free-failure", unreadable, quiet},  // the first failure shows
        {"complete", "free-failure", "game library failure: Free broke (raised" + at + ")", quiet},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(
            GameTree(c.variant).Run(c.breakStep),
            (c.error.empty() ? "0 [] []" : "1 [] [morva: " + c.error + "\n]") + " " + c.events)
            << c.variant << " " << c.breakStep;
    }
}

}  // namespace
}  // namespace morva
