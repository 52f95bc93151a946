// The player's side of a window: the settings file, the pause and the window
// remembered across runs. Each process gets a private X server, and input
// arrives as SDL events pushed into the library's queue.
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <optional>
#include <thread>

#include "Harness.h"
#include "ProgramRun.h"

// SDL opens D-Bus with a window and never shuts it down; what libdbus keeps is its own.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}

namespace plumo::test {
namespace {

// Started once per process and ended at its exit; no developer's desktop is touched.
void UseVirtualDisplay() {
    static const pid_t server = [] {
        int ready[2];
        if (pipe(ready) != 0) {
            throw std::runtime_error("no pipe for Xvfb");
        }
        const pid_t child = fork();
        if (child == 0) {
            close(ready[0]);
            freopen("/dev/null", "w", stderr);
            const std::string fd = std::to_string(ready[1]);
            // -noreset: a server that resets when its last client leaves refuses the
            // next session's connection for a moment, and SDL falls back to no display.
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1920x1080x24",
                   "-nolisten", "tcp", "-noreset", nullptr);
            _exit(127);
        }
        close(ready[1]);
        char number[16] = {};
        // Left open: the server writes to it again, and would die of SIGPIPE.
        const ssize_t got = read(ready[0], number, sizeof number - 1);
        if (got <= 0) {
            throw std::runtime_error("Xvfb did not start (scripts/install-deps.sh installs it)");
        }
        setenv("DISPLAY", (":" + std::string(number, std::strcspn(number, "\n"))).c_str(), 1);
        unsetenv("WAYLAND_DISPLAY");
        // Software drawing, as on a machine without a GPU: GL drivers loaded and unloaded
        // with each session leave leaks the leak checker cannot even name.
        setenv("SDL_RENDER_DRIVER", "software", 1);
        setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 1);
        std::atexit([] {
            kill(server, SIGTERM);
            waitpid(server, nullptr, 0);
        });
        return child;
    }();
}

void Push(SDL_Event event) {
    SDL_PushEvent(&event);
}

void Key(SDL_Scancode key, bool down) {
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.scancode = key;
    Push(event);
}

void Tap(SDL_Scancode key) {
    Key(key, true);
    Key(key, false);
}

void Close() {
    Push(SDL_Event{SDL_QUIT});
}

SDL_Window* TheWindow() {
    for (Uint32 id = 1; id < 1000; ++id) {
        if (SDL_Window* window = SDL_GetWindowFromID(id)) {
            return window;
        }
    }
    return nullptr;
}

// "<w>x<h> at <x>,<y>", with " fullscreen" when it is.
std::string WindowState() {
    SDL_Window* window = TheWindow();
    int w = 0, h = 0, x = 0, y = 0;
    SDL_GetWindowSize(window, &w, &h);
    SDL_GetWindowPosition(window, &x, &y);
    const bool full = (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
    return std::to_string(w) + "x" + std::to_string(h) + " at " + std::to_string(x) + "," +
           std::to_string(y) + (full ? " fullscreen" : "");
}

// What `run` writes to standard error, every "<dir>/" in it written as "<dir>/".
std::string StandardError(const std::string& dir, const std::function<void()>& run) {
    int pipeEnds[2];
    EXPECT_EQ(pipe(pipeEnds), 0);
    const int saved = dup(2);
    dup2(pipeEnds[1], 2);
    close(pipeEnds[1]);
    run();
    dup2(saved, 2);
    close(saved);
    std::string text;
    char chunk[4096];
    for (ssize_t got; (got = read(pipeEnds[0], chunk, sizeof chunk)) > 0;) {
        text.append(chunk, static_cast<size_t>(got));
    }
    close(pipeEnds[0]);
    for (size_t at; (at = text.find(dir)) != std::string::npos;) {
        text.replace(at, dir.size(), "<dir>/");
    }
    return text;
}

// Root passes every permission check; for a folder to refuse it, the override
// leaves this thread's effective capabilities while `run` runs.
void WithoutPermissionOverride(const std::function<void()>& run) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2]{};
    syscall(SYS_capget, &header, caps);
    const __u32 saved = caps[0].effective;
    caps[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
    syscall(SYS_capset, &header, caps);
    run();
    caps[0].effective = saved;
    syscall(SYS_capset, &header, caps);
}

// Every file write fails as on a full disk.
void WithFullDisk(const std::function<void()>& run) {
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit none = saved;
    none.rlim_cur = 0;
    setrlimit(RLIMIT_FSIZE, &none);
    run();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { UseVirtualDisplay(); }
    void TearDown() override { Library().Free(); }

    void OpenWindow(std::map<std::string, std::string> settings = {}) {
        settings.insert({{"PLUMO_VIDEO", "window"}, {"PLUMO_CONFIG_DIR", config}});
        Open(settings, &cell);
    }
    // Closes the window as a player does, so the session ends normally.
    void CloseWindow() {
        Close();
        EXPECT_EQ(Raised(Library().Act), "0 the window was closed");
        Library().Free();
    }
    std::string Settings() const { return ReadText(config + "/settings.ini"); }

    const morva::test::TempFolder folder;
    const std::string dir = folder.path + "/";
    const std::string config = dir + "morva";
    uint64_t cell = 0;
};

// `line` over and over, to just past `bytes`.
std::string Repeated(const std::string& line, size_t bytes) {
    std::string lines;
    while (lines.size() <= bytes) {
        lines += line;
    }
    return lines;
}

// Each probe key pressed for a frame, as "<key>:<buttons it held>" ("-" for none).
std::string Probe() {
    std::string seen;
    for (const SDL_Scancode key : {SDL_SCANCODE_SPACE, SDL_SCANCODE_Z, SDL_SCANCODE_J,
                                   SDL_SCANCODE_K, SDL_SCANCODE_Q, SDL_SCANCODE_LEFT}) {
        Key(key, true);
        Library().Act();
        std::string buttons;
        for (int button = 0; button < 16; ++button) {
            buttons += Library().Pad(0, button) > 0 ? std::to_string(button) : "";
        }
        seen += std::string(seen.empty() ? "" : " ") + SDL_GetScancodeName(key) + ":" +
                (buttons.empty() ? "-" : buttons);
        Key(key, false);
        Library().Act();
    }
    return seen;
}

constexpr const char* kDefaultKeys = "Space:0 Z:2 J:2 K:1 Q:- Left:12";

enum class Obstacle {
    kNone,
    kFolderInstead,
    kReadOnlyFolder,
    kFullDisk,
    kFlood,         // a file of junk lines that write-back would push past 1 MiB
    kPrivate,       // mode 0600, which it keeps
    kReadOnly,      // mode 0444: left alone
    kDanglingLink,  // a link to a file yet to be, which stays a link
    kStaleFifo,     // a FIFO where an earlier writer left its new file
};

struct FileCase {
    const char* name;
    const char* file;  // null: none
    Obstacle obstacle;
    const char* keys;    // what the probe keys hold
    const char* window;  // "" for the default: as large as the screen allows
    const char* warned;  // one line each; "line" lines are about the file's lines
    const char* after;   // how the file ends after a normal exit; null: no file
};

// A pause key or a lost focus would hold the probes up, so the files leave both alone.
constexpr FileCase kFiles[] = {
    {"no file: the defaults, written", nullptr, Obstacle::kNone, kDefaultKeys, "", "",
     "position = 0, 0\n# Show frames in step with the display's refresh where the graphics "
     "driver can: yes or no\nvsync = yes\n# Pause when the window loses the keyboard focus: yes "
     "or no\npause_on_focus_loss = yes\n# Read the keys and controllers as late as each frame "
     "allows, so the picture answers sooner: yes or no\nlow_latency = yes\n"},
    {"remapped keys and window",
     "[keys]\ndash = Z\nattack = Q, J\n[window]\nsize = 1000 x 600\nposition = 40, 50\n",
     Obstacle::kNone, "Space:0 Z:1 J:2 K:- Q:2 Left:12", "1000x600 at 40,50", "",
     "size = 1000 x 600\nposition = 40, 50\n# Start in fullscreen: yes or no (F11 or "
     "Alt+Enter switches while playing)\nfullscreen = no\n"},
    {"unknown key names", "[keys]\nattack = Spce, Q\njump = Blorp\ndash = \xff\n", Obstacle::kNone,
     "Space:0 Z:- J:- K:1 Q:2 Left:12", "",
     "line 2: unknown key 'Spce'\n"
     "line 3: unknown key 'Blorp'; jump keeps its defaults\n"
     "line 4: unknown key '\\xff'; dash keeps its defaults\n",
     ""},
    {"unknown buttons", "[keys]\nkick = Q\n[controller]\njump = triangle, a\nleft = leftx\n",
     Obstacle::kNone, kDefaultKeys, "",
     "line 2: unknown button 'kick'\n"
     "line 4: unknown controller input 'triangle'\n"
     "line 5: unknown controller input 'leftx'; left keeps its defaults\n",
     ""},
    {"duplicate entries", "[keys]\nattack = Q\nattack = Z\ndash = Q, K, K, Space\nleft = F11\n",
     Obstacle::kNone, "Space:0 Z:- J:- K:1 Q:2 Left:12", "",
     "line 3: 'attack' is set again (first on line 2); this line is skipped\n"
     "line 4: 'Q' already holds attack; 'K' is listed twice; 'Space' always jumps\n"
     "line 5: 'F11' belongs to the window; left keeps its defaults\n",
     ""},
    {"junk",
     "\x01\x02 junk\nleft = Q\n[nonsense\n[sound]\nvolume = 3\n[window]\nfullscreen = maybe\n"
     "size = big\nvsync\nsize = 800 x 450\nlow_latency = soon\n",
     Obstacle::kNone, kDefaultKeys, "",
     "line 1: expected <name> = <value>, not '\\x01\\x02 junk'\n"
     "line 2: 'left' stands before any [section]\n"
     "line 3: expected [<section>], not '[nonsense'\n"
     "line 4: unknown section '[sound]'; its lines are skipped\n"
     "line 7: fullscreen must be yes or no, not 'maybe'\n"
     "line 8: size must be <width> x <height> or auto, not 'big'\n"
     "line 9: expected <name> = <value>, not 'vsync'\n"
     "line 10: 'size' is set again (first on line 8); this line is skipped\n"
     "line 11: low_latency must be yes or no, not 'soon'\n",
     "size = 1920 x 1080\nvsync\nsize = 800 x 450\nlow_latency = soon\n# Window position on the "
     "desktop, <x>, <y>, "
     "or centered\nposition = 0, 0\n"},
    {"CRLF line ends", "[keys]\r\nattack = Q\r\n[window]\r\nsize = 1000x600\r\n", Obstacle::kNone,
     "Space:0 Z:- J:- K:1 Q:2 Left:12", "1000x600 at 460,240", "",
     "[keys]\r\nattack = Q\r\n[window]\r\nsize = 1000x600\r\n# Start in fullscreen: yes or no "
     "(F11 or Alt+Enter switches while playing)\r\nfullscreen = no\r\n# Window position on the "
     "desktop, <x>, <y>, or centered\r\nposition = 460, 240\r\n"},
    {"an empty file", "", Obstacle::kNone, kDefaultKeys, "", "",
     "[window]\n# Start in fullscreen: yes or no (F11 or Alt+Enter switches while playing)\n"
     "fullscreen = no\n# Window size in pixels, <width> x <height>, or auto: as large as the "
     "desktop allows\nsize = 1920 x 1080\n# Window position on the desktop, <x>, <y>, or "
     "centered\nposition = 0, 0\n"},
    {"a folder where the file should be", nullptr, Obstacle::kFolderInstead, kDefaultKeys, "",
     "cannot read settings file <file>: it is a folder, not a regular file; the defaults apply\n",
     nullptr},
    {"an unwritable folder", nullptr, Obstacle::kReadOnlyFolder, kDefaultKeys, "",
     "cannot write settings file <file>: Permission denied\n", nullptr},
    {"a full disk", "[keys]\nattack = Q\n", Obstacle::kFullDisk, "Space:0 Z:- J:- K:1 Q:2 Left:12",
     "", "cannot write settings file <file>: File too large\n", "[keys]\nattack = Q\n"},
    {"a flood of junk", nullptr, Obstacle::kFlood, kDefaultKeys, "",
     "line 1: expected <name> = <value>, not 'x'\nline 2: expected <name> = <value>, not 'x'\n"
     "line 3: expected <name> = <value>, not 'x'\nline 4: expected <name> = <value>, not 'x'\n"
     "line 5: expected <name> = <value>, not 'x'\nline 6: expected <name> = <value>, not 'x'\n"
     "line 7: expected <name> = <value>, not 'x'\nline 8: expected <name> = <value>, not 'x'\n"
     "line 9: expected <name> = <value>, not 'x'\nline 10: expected <name> = <value>, not 'x'\n"
     "settings file <file>: 524229 more problems like these\n"
     "cannot write settings file <file>: it would grow past 1 MiB\n",
     "x\nx\n"},
    {"a private file", "[keys]\nattack = Q\n", Obstacle::kPrivate,
     "Space:0 Z:- J:- K:1 Q:2 Left:12", "", "", "position = 0, 0\n"},
    {"a read-only file", "[keys]\nattack = Q\n", Obstacle::kReadOnly,
     "Space:0 Z:- J:- K:1 Q:2 Left:12", "", "cannot write settings file <file>: it is read-only\n",
     "[keys]\nattack = Q\n"},
    {"a link to a file yet to be", nullptr, Obstacle::kDanglingLink, kDefaultKeys, "", "",
     "low_latency = yes\n"},
    {"a FIFO left by an earlier writer", nullptr, Obstacle::kStaleFifo, kDefaultKeys, "", "",
     "low_latency = yes\n"},
};

// The table's warnings as the library writes them.
std::string Warnings(std::string_view table) {
    std::string lines;
    for (std::string_view rest = table; !rest.empty();) {
        const std::string_view line = rest.substr(0, rest.find('\n'));
        rest.remove_prefix(std::min(line.size() + 1, rest.size()));
        std::string text =
            (line.starts_with("line ") ? "settings file <file> " : "") + std::string(line);
        text.replace(text.find("<file>"), 6, "<dir>/morva/settings.ini");
        lines += "plumo: " + text + "\n";
    }
    return lines;
}

TEST_F(WindowTest, SettingsFilesApplyWhatTheyCanAndWarnALineForEachThingWrong) {
    for (const FileCase& c : kFiles) {
        SCOPED_TRACE(c.name);
        const std::string file = config + "/settings.ini";
        std::filesystem::remove_all(config);
        std::filesystem::create_directories(c.obstacle == Obstacle::kFolderInstead ? file : config);
        if (c.file != nullptr) {
            std::ofstream(file, std::ios::binary) << c.file;
        }
        namespace fs = std::filesystem;
        switch (c.obstacle) {
            case Obstacle::kFlood:
                std::ofstream(file, std::ios::binary) << Repeated("x\n", (1 << 20) - 100);
                break;
            case Obstacle::kPrivate:
                fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
                break;
            case Obstacle::kReadOnly:
                fs::permissions(
                    file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
                break;
            case Obstacle::kDanglingLink:
                fs::create_symlink("real/settings.ini", file);
                break;
            case Obstacle::kStaleFifo:
                mkfifo((file + ".new").c_str(), 0600);
                break;
            default:
                break;
        }
        std::string keys, window;
        const auto run = [&] {
            OpenWindow();
            keys = Probe();
            window = WindowState();
            CloseWindow();
        };
        std::string warned;
        if (c.obstacle == Obstacle::kReadOnlyFolder) {
            std::filesystem::permissions(
                config, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
            warned = StandardError(dir, [&] { WithoutPermissionOverride(run); });
        } else if (c.obstacle == Obstacle::kFullDisk) {
            warned = StandardError(dir, [&] { WithFullDisk(run); });
        } else {
            warned = StandardError(dir, run);
        }
        EXPECT_EQ(keys, c.keys);
        EXPECT_EQ(window, *c.window != '\0' ? c.window : "1920x1080 at 0,0");
        EXPECT_EQ(warned, Warnings(c.warned));
        if (c.after == nullptr) {
            EXPECT_FALSE(std::filesystem::is_regular_file(file));
        } else {
            EXPECT_TRUE(Settings().ends_with(c.after)) << Settings().substr(0, 1000);
        }
        const fs::perms kept =
            c.obstacle == Obstacle::kPrivate ? fs::perms::owner_read | fs::perms::owner_write
            : c.obstacle == Obstacle::kReadOnly
                ? fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read
                : fs::perms::unknown;
        if (kept != fs::perms::unknown) {
            EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, kept);
        }
        EXPECT_EQ(fs::is_symlink(file), c.obstacle == Obstacle::kDanglingLink);
        EXPECT_EQ(fs::is_fifo(file + ".new"), c.obstacle == Obstacle::kStaleFifo);
    }
}

// Without a window there is no state worth remembering: the file is read, never made
// or written over.
TEST_F(WindowTest, WithoutAWindowTheSettingsFileIsReadButNeverWritten) {
    const std::string file = config + "/settings.ini";
    for (const char* video : {"none", "offscreen"}) {
        for (const char* text : {static_cast<const char*>(nullptr), "[keys]\nattack = Q, Q\n"}) {
            SCOPED_TRACE(std::string(video) + (text != nullptr ? " with a file" : ""));
            std::filesystem::remove_all(config);
            if (text != nullptr) {
                std::filesystem::create_directories(config);
                std::ofstream(file) << text;
            }
            const std::string warned = StandardError(dir, [&] {
                Open({{"PLUMO_VIDEO", video}, {"PLUMO_CONFIG_DIR", config}}, &cell);
                EXPECT_EQ(Raised(Library().Act), "returned");
                Library().Free();
            });
            EXPECT_EQ(warned, text != nullptr ? Warnings("line 2: 'Q' is listed twice\n") : "");
            EXPECT_EQ(std::filesystem::exists(file) ? Settings() : "none",
                      text != nullptr ? text : "none");
            EXPECT_FALSE(std::filesystem::exists(config) && text == nullptr);
        }
    }
}

// A player's screenshot goes to their pictures folder, or to PLUMO_SHOT_DIR when the run
// names one; one that cannot be saved is a warning, and the game plays on.
TEST_F(WindowTest, F12SavesIntoThePicturesFolderOrWarnsAndPlaysOn) {
    std::ofstream(dir + "a file") << "in the way";
    std::filesystem::create_directory(dir + "shots");
    mkfifo((dir + "shots/shot-000001.png").c_str(), 0600);
    const std::pair<std::map<std::string, std::string>, std::string> kCases[] = {
        {{{"XDG_PICTURES_DIR", dir + "Pictures"}},
         "screenshot saved as <dir>/Pictures/MORVA/shot-000001.png"},
        {{{"XDG_PICTURES_DIR", dir + "a file"}},
         "cannot save screenshot <dir>/a file/MORVA: Not a directory"},
        {{{"PLUMO_SHOT_DIR", dir + "shots"}},
         "cannot save screenshot <dir>/shots/shot-000001.png: it is a FIFO, not a regular file or "
         "a device"},
    };
    for (const auto& [settings, said] : kCases) {
        SCOPED_TRACE(said);
        std::string title;
        const std::string warned = StandardError(dir, [&] {
            OpenWindow(settings);
            Tap(SDL_SCANCODE_F12);
            Library().Act();
            EXPECT_EQ(Raised(Library().Act), "returned");
            title = SDL_GetWindowTitle(TheWindow());
            EXPECT_EQ(Raised(Library().Act), "returned");
            CloseWindow();
        });
        EXPECT_EQ(warned, "plumo: " + said + "\n");
        EXPECT_EQ(title, "MORVA var 0.2 - " + said.substr(0, said.find("<dir>/")) + dir +
                             said.substr(said.find("<dir>/") + 6));
    }
    EXPECT_TRUE(std::filesystem::is_regular_file(dir + "Pictures/MORVA/shot-000001.png"));
}

// Once many frames' worth of time has gone, taps the key that resumes;
// `resumed` turns true just before.
class Resumer {
public:
    explicit Resumer(SDL_Scancode key)
        : thread([this, key] {
              std::this_thread::sleep_for(std::chrono::milliseconds(300));
              resumed = true;
              Tap(key);
          }) {}
    ~Resumer() { thread.join(); }
    std::atomic<bool> resumed = false;

private:
    std::thread thread;
};

// A player holds jump and dash, pauses with Escape, lets go of dash, taps attack and asks
// for a screenshot while paused, resumes with P at once, then loses the focus and resumes
// with Escape. The recording replays, without a window, to the same counts and trace.
TEST_F(WindowTest, APauseLetsNoFramePassAndNeverEntersTheTraceOrTheRecording) {
    const auto play = [&](std::map<std::string, std::string> settings, bool player) {
        settings.insert({{"PLUMO_TRACE", dir + "trace"}, {"PLUMO_SEED", "3"}});
        Open(settings, &cell);
        Texture* quad = Load("quad.zqtex");
        std::string counts;
        for (int frame = 0; frame < 10; ++frame) {
            Library().DrawTex(quad, 0, 0, 64, 32, 0, 0, 1600, 900, 1, 1, 1, 1);
            std::optional<Resumer> resumer;
            if (player && frame == 1) {
                Key(SDL_SCANCODE_SPACE, true);
                Key(SDL_SCANCODE_LSHIFT, true);
            } else if (player && frame == 3) {
                Tap(SDL_SCANCODE_ESCAPE);
            } else if (player && frame == 4) {
                Key(SDL_SCANCODE_LSHIFT, false);
                Tap(SDL_SCANCODE_Z);
                Tap(SDL_SCANCODE_F12);
                // Read in one batch with the screenshot key: still a picture of the pause.
                Tap(SDL_SCANCODE_P);
            } else if (player && frame == 6) {
                SDL_Event focus{SDL_WINDOWEVENT};
                focus.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
                Push(focus);
            } else if (player && frame == 7) {
                resumer.emplace(SDL_SCANCODE_ESCAPE);
            }
            Library().Act();
            if (resumer) {
                EXPECT_TRUE(resumer->resumed) << "Act returned while paused, frame " << frame;
            }
            counts += std::to_string(Library().Pad(0, 0)) + std::to_string(Library().Pad(0, 1)) +
                      std::to_string(Library().Pad(0, 2)) + " ";
        }
        Drop(quad);
        Library().Free();
        return counts + "\n" + ReadText(dir + "trace");
    };
    const std::string played = play({{"PLUMO_VIDEO", "window"},
                                     {"PLUMO_RECORD", dir + "rec"},
                                     {"XDG_PICTURES_DIR", dir + "Pictures"}},
                                    true);
    EXPECT_EQ(played.substr(0, played.find('\n')), "000 110 220 330 400 500 000 000 000 000 ");
    EXPECT_EQ(play({{"PLUMO_VIDEO", "none"}, {"PLUMO_REPLAY", dir + "rec"}}, false), played);

    // The paused frame dimmed to 90 of 255, under the panel's gold title and frame.
    EXPECT_FALSE(std::filesystem::exists(dir + "Pictures/MORVA/shot-000005.png"));
    SDL_Surface* shot = IMG_Load((dir + "Pictures/MORVA/shot-000004.png").c_str());
    ASSERT_NE(shot, nullptr) << IMG_GetError();
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(shot, SDL_PIXELFORMAT_RGBA32, 0);
    const auto* pixels = static_cast<const Uint8*>(rgba->pixels);
    int gold = 0;
    for (int i = 0; i < rgba->w * rgba->h; ++i) {
        gold += pixels[4 * i] == 255 && pixels[4 * i + 1] == 214 && pixels[4 * i + 2] == 90;
    }
    EXPECT_EQ(std::vector<int>(pixels, pixels + 3), (std::vector<int>{90, 0, 0}));
    EXPECT_GT(gold, 10000);
    SDL_FreeSurface(rgba);
    SDL_FreeSurface(shot);
}

// A controller SDL has never seen: a joystick whose mapping only gamecontrollerdb.txt gives.
// There its button 0 is "b" on this system and "y" on another; the settings give "b" to attack.
TEST_F(WindowTest, ControllerInputsFollowTheSettingsAndTheExtraMappings) {
    SDL_VirtualJoystickDesc pad{};
    pad.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    pad.type = SDL_JOYSTICK_TYPE_ARCADE_PAD;
    pad.nbuttons = 4;
    pad.name = "Unknown Test Pad";
    char guid[33] = {};
    const auto attach = [&] {
        const int index = SDL_JoystickAttachVirtualEx(&pad);
        SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(index), guid, sizeof guid);
        return SDL_JoystickOpen(index);
    };
    OpenWindow();
    attach();
    Library().Free();
    // As SDL's database writes them: without the checksum of the name.
    std::fill(guid + 4, guid + 8, '0');
    std::ofstream(config + "/settings.ini") << "[controller]\nattack = b\ndash = x\n";
    const std::string platform = SDL_GetPlatform();
    std::ofstream(config + "/gamecontrollerdb.txt")
        << "# mine\n"
        << guid << ",Unknown Test Pad,b:b0,x:b1,platform:" << platform << ",\n"
        << "not a mapping\n"
        << guid << ",Unknown Test Pad,y:b0,platform:Elsewhere,\n";
    std::string warned, counts;
    warned = StandardError(dir, [&] {
        OpenWindow();
        SDL_Joystick* joystick = attach();
        Library().Act();
        for (const int button : {0, 1}) {
            SDL_JoystickSetVirtualButton(joystick, button, SDL_PRESSED);
            Library().Act();
            counts += std::to_string(Library().Pad(0, 1)) + std::to_string(Library().Pad(0, 2));
            SDL_JoystickSetVirtualButton(joystick, button, SDL_RELEASED);
            Library().Act();
        }
    });
    EXPECT_EQ(counts, "0110") << "button 0: attack, button 1: dash";
    EXPECT_EQ(warned.substr(0, warned.find(": ", 60)),
              "plumo: controller mappings <dir>/morva/gamecontrollerdb.txt line 3");
    Library().Free();

    // A flood: junk warns a handful of lines, and mappings past the cap are skipped
    // instead of holding the window up.
    std::ofstream flood(config + "/gamecontrollerdb.txt");
    for (int i = 0; i < 30; ++i) {
        flood << "junk \x1b[2J\n";
    }
    for (unsigned i = 0; i < 2100; ++i) {
        char line[128];
        std::snprintf(line, sizeof line, "%08x%08x%08x%08x,Pad %u,a:b0,platform:%s,\n", 3u, i, 0u,
                      i, i, platform.c_str());
        flood << line;
    }
    flood.close();
    warned = StandardError(dir, [&] {
        OpenWindow();
        Library().Act();
    });
    EXPECT_EQ(std::ranges::count(warned, '\n'), 12) << warned;
    EXPECT_EQ(std::ranges::count(warned, '\x1b'), 0) << "an escape character went out raw";
    const std::string file = "plumo: controller mappings <dir>/morva/gamecontrollerdb.txt";
    EXPECT_TRUE(warned.ends_with(": 20 more lines refused\n" + file +
                                 ": only the first 2000 are used, 100 more skipped\n"))
        << warned;
}

// "<fullscreen> | <size> | <position>" as the settings file remembers them.
std::string Remembered(const std::string& settings) {
    std::string values;
    for (const std::string name : {"\nfullscreen = ", "\nsize = ", "\nposition = "}) {
        const size_t at = settings.find(name) + name.size();
        values += (values.empty() ? "" : " | ") + settings.substr(at, settings.find('\n', at) - at);
    }
    return values;
}

TEST_F(WindowTest, TheWindowsSizePositionAndFullscreenSurviveARestart) {
    OpenWindow();
    SDL_SetWindowSize(TheWindow(), 1000, 600);
    SDL_SetWindowPosition(TheWindow(), 40, 50);
    Library().Act();
    Tap(SDL_SCANCODE_F11);
    Library().Act();
    CloseWindow();
    EXPECT_EQ(Remembered(Settings()), "yes | 1000 x 600 | 40, 50");

    OpenWindow();
    EXPECT_TRUE(WindowState().ends_with(" fullscreen")) << WindowState();
    Tap(SDL_SCANCODE_F11);
    Library().Act();
    EXPECT_EQ(WindowState(), "1000x600 at 40,50");
    CloseWindow();
    EXPECT_EQ(Remembered(Settings()), "no | 1000 x 600 | 40, 50");

    // Left on a display that is gone, larger than the one there is.
    std::ofstream(config + "/settings.ini") << "[window]\nsize = 3000 x 800\nposition = 5000, 40\n";
    OpenWindow();
    EXPECT_EQ(WindowState(), "1920x800 at 0,140");
}

}  // namespace
}  // namespace plumo::test
