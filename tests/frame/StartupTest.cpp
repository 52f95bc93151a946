// The real program run as a child process, with stand-in libraries or the
// real one: binding, start-up failures, the quiet end and the shutdown order.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace morva {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The lines of a file joined with ", "; only those that start with one of
// `keep` when it is given.
std::string Lines(const fs::path& file, std::initializer_list<std::string_view> keep = {}) {
    std::ifstream in(file);
    std::string lines;
    for (std::string line; std::getline(in, line);) {
        if (keep.size() == 0 ||
            std::ranges::any_of(keep, [&](auto p) { return line.starts_with(p); })) {
            lines += (lines.empty() ? "" : ", ") + line;
        }
    }
    return lines;
}

const std::string kInit =
    "Init \"MORVA var 0.2\" signature ok mode 1 instance program icon 16 32 48 64 cell 0";

// The program copied into a fresh game folder with a stand-in library as
// Data/Plumo.zqd ("" for none, "junk" for a file that is not one, "planted"
// for none there but one in the working directory), run from another folder.
struct GameTree {
    explicit GameTree(const std::string& variant = "") {
        fs::create_directories(elsewhere / "Data");
        fs::create_directories(game / "Data");
        fs::copy_file(MORVA_PROGRAM, game / "morva");
        if (variant == "junk") {  // longer than an ELF header, so the loader reads it
            std::ofstream(library) << std::string(4096, '#');
        } else if (!variant.empty()) {
            fs::copy_file(fs::path(MORVA_STUB_DIR) /
                              (variant == "planted" ? "complete.zqd" : variant + ".zqd"),
                          variant == "planted" ? elsewhere / "Data" / "Plumo.zqd" : library);
        }
    }
    ~GameTree() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    // Runs the program (the tree's copy from `elsewhere` by default) for at
    // most 60 s: "<exit code> [<stdout>] [<stderr>]", the library's path as
    // <lib>, code addresses as 0x?. No path or value here holds a quote.
    std::string Run(std::vector<std::pair<std::string, std::string>> extra = {},
                    const fs::path& program = {}, const fs::path& from = {}) {
        extra.emplace_back("MORVA_STUB_LOG", (root / "stub.log").string());
        extra.emplace_back("LD_DEBUG", "files");
        extra.emplace_back("LD_DEBUG_OUTPUT", (root / "loader").string());
        std::string command =
            "cd '" + (from.empty() ? elsewhere : from).string() + "' && timeout -s KILL 60 env";
        for (const auto& [name, value] : extra) {
            command += " '" + name + "=" + value + "'";
        }
        command += " '" + (program.empty() ? game / "morva" : program).string() + "' >'" +
                   (root / "out").string() + "' 2>'" + (root / "err").string() + "'";
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
        return std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + " [" +
               ReadFile(root / "out") + "] [" + err + "]";
    }

    // What the stand-in library saw, as "loaded, Init ..., Free, unloaded".
    std::string StubEvents() const { return Lines(root / "stub.log"); }

    // The loader destroys a link map only when dlclose unloads the library,
    // not when the process ends with it still loaded.
    bool UnloadedBeforeExit() const {
        return std::system(("cat '" + root.string() + "'/loader.* 2>/dev/null | grep -F '" +
                            library.string() + "' | grep -q 'destroying link map'")
                               .c_str()) == 0;
    }

    const fs::path root = [] {
        std::string pattern = (fs::temp_directory_path() / "morva-frame-XXXXXX").string();
        return mkdtemp(pattern.data()) != nullptr ? pattern : throw std::runtime_error("mkdtemp");
    }();
    const fs::path game = root / "game";
    const fs::path library = game / "Data" / "Plumo.zqd";
    const fs::path elsewhere = root / "elsewhere";  // never the game folder
};

TEST(GameTree, FailsWithOneLineAndShutsDownInOrder) {
    const std::string quiet = "loaded, " + kInit + ", Free, unloaded (unloaded)";
    const std::string none =
        "1 [] [morva: cannot load game library <lib>: cannot open shared object file: No such file "
        "or directory\n] ";
    const struct {
        const char* variant;  // as GameTree takes it
        const char* breakStep;
        std::string outcome;
    } kCases[] = {
        {"", "", none},
        {"planted", "", none},
        {"junk", "", "1 [] [morva: cannot load game library <lib>: invalid ELF header\n] "},
        // Free only when its slot was bound.
        {"lacks_init", "",
         "1 [] [morva: game library <lib> lacks export Init\n] loaded, unloaded (unloaded)"},
        {"lacks_sort", "",
         "1 [] [morva: game library <lib> lacks export Sort\n] loaded, Free, unloaded (unloaded)"},
        {"lacks_stop_bgm_fade", "",
         "1 [] [morva: game library <lib> lacks export StopBGMFade\n] loaded, Free, unloaded "
         "(unloaded)"},
        {"complete", "", "0 [] [] " + quiet},  // the window closed on the title
        {"complete", "act-failure",
         "1 [] [morva: game library failure: texture missing.zqtex cannot be read (raised at 0x? "
         "(Plumo.zqd+0x?))\n] " +
             quiet},
        {"complete", "act-invalid-fp",
         "1 [] [morva: invalid floating-point operation at 0x? (Plumo.zqd+0x?)\n] " + quiet},
        {"complete", "act-access-violation",
         "1 [] [morva: access violation touching 0x10 at 0x? (Plumo.zqd+0x?)\n] " + quiet},
        // The window closed quietly, but Free itself failed.
        {"complete", "free-failure",
         "1 [] [morva: game library failure: Free broke (raised at 0x? (Plumo.zqd+0x?))\n] " +
             quiet},
    };
    for (const auto& c : kCases) {
        GameTree tree(c.variant);
        const std::string run = tree.Run({{"MORVA_STUB_BREAK", c.breakStep}});
        // Then what the library saw, and whether it was unloaded before the exit.
        EXPECT_EQ(run + " " + tree.StubEvents() + (tree.UnloadedBeforeExit() ? " (unloaded)" : ""),
                  c.outcome)
            << c.variant << " " << c.breakStep;
    }
}

TEST(GameTree, StartsFromAnyWorkingDirectoryAndThroughALink) {
    GameTree tree("complete");
    fs::create_symlink(tree.game / "morva", tree.elsewhere / "morva-link");
    EXPECT_EQ(tree.Run({}, {}, "/"), "0 [] []");
    EXPECT_EQ(tree.Run({}, tree.elsewhere / "morva-link"), "0 [] []");
    EXPECT_EQ(tree.StubEvents(),
              "loaded, " + kInit + ", Free, unloaded, loaded, " + kInit + ", Free, unloaded");
}

// The real library, headless: the title it opens the window with, its
// frames and one Free at the end of a quiet run.
TEST(RealLibrary, AHeadlessRunOfThreeFramesOpensTheTitledWindowAndFreesOnce) {
    if (!fs::exists(MORVA_REAL_LIBRARY)) {
        GTEST_SKIP() << "the game library is not built: " << MORVA_REAL_LIBRARY;
    }
    GameTree tree;
    const fs::path trace = tree.root / "trace.txt";
    ASSERT_EQ(tree.Run({{"PLUMO_VIDEO", "none"},
                        {"PLUMO_FPS", "0"},
                        {"PLUMO_SEED", "1"},
                        {"PLUMO_FRAMES", "3"},
                        {"PLUMO_TRACE", trace.string()}},
                       MORVA_PROGRAM),
              "0 [] []");
    // Init first, frames 0 to 2 in order, one Free at the end.
    EXPECT_TRUE(ReadFile(trace).starts_with("plumo-trace 1\nInit \"MORVA var 0.2\"\nframe 0\n"));
    EXPECT_TRUE(ReadFile(trace).ends_with("\nFree\n"));
    EXPECT_EQ(Lines(trace, {"Init", "frame", "Free"}),
              "Init \"MORVA var 0.2\", frame 0, frame 1, frame 2, Free");
}

}  // namespace
}  // namespace morva
