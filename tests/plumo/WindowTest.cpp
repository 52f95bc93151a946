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
#include "IniText.h"
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

// The pad buttons held in the last frame, by number; "-" for none.
std::string Held() {
    std::string buttons;
    for (int button = 0; button < 16; ++button) {
        buttons += Library().Pad(0, button) > 0 ? std::to_string(button) : "";
    }
    return buttons.empty() ? "-" : buttons;
}

// Each probe key pressed for a frame, as "<key>:<buttons it held>" ("-" for none).
std::string Probe() {
    std::string seen;
    for (const SDL_Scancode key : {SDL_SCANCODE_SPACE, SDL_SCANCODE_Z, SDL_SCANCODE_J,
                                   SDL_SCANCODE_K, SDL_SCANCODE_Q, SDL_SCANCODE_LEFT}) {
        Key(key, true);
        Library().Act();
        seen += std::string(seen.empty() ? "" : " ") + SDL_GetScancodeName(key) + ":" + Held();
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
    {"a size and a position out of range", "[window]\nsize = 0 x 600\nposition = 5, 1048577\n",
     Obstacle::kNone, kDefaultKeys, "",
     "line 2: size must be <width> x <height> or auto, not '0 x 600'\n"
     "line 3: position must be <x>, <y> or centered, not '5, 1048577'\n",
     ""},
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
              // F12 in one batch with the resume, added at once: the game's next picture.
              SDL_Event taps[4] = {};
              for (int i = 0; i < 4; ++i) {
                  taps[i].type = i % 2 == 0 ? SDL_KEYDOWN : SDL_KEYUP;
                  taps[i].key.state = i % 2 == 0 ? SDL_PRESSED : SDL_RELEASED;
                  taps[i].key.keysym.scancode = i < 2 ? key : SDL_SCANCODE_F12;
              }
              SDL_PeepEvents(taps, 4, SDL_ADDEVENT, 0, 0);
          }) {}
    ~Resumer() { thread.join(); }
    std::atomic<bool> resumed = false;

private:
    std::thread thread;
};

// A player holds jump and dash, pauses with Escape, lets go of dash, taps attack and asks
// for a screenshot while paused, resumes with P at once, then loses the focus and resumes
// with Escape and F12 at once. The recording replays, without a window, to the same counts
// and trace.
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
    SDL_Surface* resumed = IMG_Load((dir + "Pictures/MORVA/shot-000008.png").c_str());
    ASSERT_NE(resumed, nullptr) << IMG_GetError();
    SDL_Surface* resumedRgba = SDL_ConvertSurfaceFormat(resumed, SDL_PIXELFORMAT_RGBA32, 0);
    const auto* first = static_cast<const Uint8*>(resumedRgba->pixels);
    EXPECT_EQ(std::vector<int>(first, first + 3), (std::vector<int>{255, 0, 0})) << "not dimmed";
    SDL_FreeSurface(resumedRgba);
    SDL_FreeSurface(resumed);
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

// Taps each of `keys`, by SDL's names; a name ending in "!" is only pressed, in "-"
// only let go of, in "+" a repeat of a key held down.
void TapAll(std::string_view keys) {
    for (std::string_view rest = keys; !rest.empty();) {
        std::string name(rest.substr(0, rest.find(' ')));
        rest.remove_prefix(std::min(name.size() + 1, rest.size()));
        const char how = name.back();
        if (how == '!' || how == '-' || how == '+') {
            name.pop_back();
        }
        const SDL_Scancode key = SDL_GetScancodeFromName(name.c_str());
        ASSERT_NE(key, SDL_SCANCODE_UNKNOWN) << name;
        if (how == '+') {
            SDL_Event event{};
            event.type = SDL_KEYDOWN;
            event.key.state = SDL_PRESSED;
            event.key.repeat = 1;
            event.key.keysym.scancode = key;
            Push(event);
        } else if (how == '!' || how == '-') {
            Key(key, how == '!');
        } else {
            Tap(key);
        }
    }
}

// Presses the keys before " | ", pauses with Escape, then presses the others in the
// pause panel; the last must resume.
void InThePanel(std::string_view keys) {
    const size_t bar = keys.find(" | ");
    if (bar != std::string_view::npos) {
        TapAll(keys.substr(0, bar));
        keys.remove_prefix(bar + 3);
    }
    Tap(SDL_SCANCODE_ESCAPE);
    Library().Act();
    TapAll(keys);
    Library().Act();
}

// The lines of `after` that differ from those of `before`, which has as many.
std::string ChangedLines(const std::string& before, const std::string& after) {
    const std::vector<std::string_view> was = SplitLines(before);
    const std::vector<std::string_view> now = SplitLines(after);
    std::string changed;
    for (size_t i = 0; i < now.size(); ++i) {
        if (i >= was.size() || now[i] != was[i]) {
            changed += std::string(now[i]) + "\n";
        }
    }
    return changed;
}

struct RebindCase {
    const char* name;
    const char* file;  // null: none, so the defaults are written at the start
    bool readOnly;
    const char* keys;  // in the panel
    const char* probe;
    const char* after;  // the lines the panel changed in the defaults, else the whole file
    const char* warned;
};

constexpr RebindCase kRebinds[] = {
    {"attack changed", nullptr, false, "Down! Down+ Down- Return Q P",
     "Space:0 Z:- J:- K:1 Q:2 Left:12", "attack = Q\n", ""},
    {"a key held into the pause steers nothing", nullptr, false,
     "Right! | Right+ Right+ Right- Return Q P", "Space:0 Z:2 J:2 K:1 Q:0 Left:12",
     "jump = Space, Q\n", ""},
    {"Z added to dash, away from attack", nullptr, false, "Down Right Return Z P",
     "Space:0 Z:1 J:2 K:1 Q:- Left:12", "dash = Left Shift, X, K, Z\nattack = J\n", ""},
    {"cancelled, then back to the game", nullptr, false, "Down Return Escape Up Up Return",
     kDefaultKeys, "", ""},
    {"the last key removed", nullptr, false, "Down Down Left Return P",
     "Space:0 Z:2 J:- K:1 Q:- Left:12", "attack = Z\n", ""},
    {"Space stays jump's", nullptr, false, "Return J Down Return Space P",
     "Space:0 Z:2 J:0 K:1 Q:- Left:12", "jump = Space, J\nattack = Z\n", ""},
    {"changed, then all defaults", nullptr, false,
     "Down Down Return Q Down Down Down Down Down Down Return P", kDefaultKeys, "", ""},
    {"the player's own lines kept",
     "[keys]\r\n# mine\r\nattack = q , j\r\n\r\n[window]\r\nvsync = no\r\n", false,
     "Down Right Return Z P", "Space:0 Z:1 J:2 K:1 Q:2 Left:12",
     "[keys]\r\n# mine\r\nattack = q , j\r\n"
     "# jump; also starts a game and answers \"Push Space Key\"\r\njump = Space\r\n"
     "# dash\r\ndash = Left Shift, X, K, Z\r\n"
     "# pad button 3 (no role in the game)\r\nbutton3 = C, L\r\n"
     "# pad button 4 (no role in the game)\r\nbutton4 = V\r\n"
     "# pad button 5 (no role in the game)\r\nbutton5 = B\r\n"
     "# walk left\r\nleft = Left, A\r\n# walk right\r\nright = Right, D\r\n"
     "# change to the line above\r\nup = Up, W\r\n# change to the line below\r\ndown = Down, S\r\n"
     "# pause, and resume\r\npause = Escape, P\r\n\r\n[window]\r\nvsync = no\r\n",
     ""},
    {"a read-only file", "[keys]\nattack = Q\n", true, "Down Down Return K P",
     "Space:0 Z:- J:- K:2 Q:- Left:12", "[keys]\nattack = Q\n",
     "plumo: cannot write settings file <dir>/morva/settings.ini: it is read-only\n"},
};

TEST_F(WindowTest, ThePausePanelRebindsKeysAndKeepsThemInTheSettingsFile) {
    const std::string file = config + "/settings.ini";
    for (const RebindCase& c : kRebinds) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(config);
        std::filesystem::create_directories(config);
        if (c.file != nullptr) {
            std::ofstream(file, std::ios::binary) << c.file;
        }
        if (c.readOnly) {
            std::filesystem::permissions(file, std::filesystem::perms::owner_read);
        }
        std::string before, keys;
        const std::string warned = StandardError(dir, [&] {
            OpenWindow();
            before = Settings();
            InThePanel(c.keys);
            keys = Probe();
            // Not closed: only what the panel wrote is in the file.
            Library().Free();
        });
        EXPECT_EQ(keys, c.probe);
        EXPECT_EQ(c.file == nullptr ? ChangedLines(before, Settings()) : Settings(), c.after);
        EXPECT_EQ(warned, c.warned);
    }
}

// A virtual controller SDL knows by a mapping given here: SDL's button order, the left stick.
SDL_Joystick* AttachController() {
    SDL_VirtualJoystickDesc pad{};
    pad.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    pad.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    pad.nbuttons = SDL_CONTROLLER_BUTTON_DPAD_RIGHT + 1;
    pad.naxes = 2;
    pad.name = "Test Controller";
    int index = SDL_JoystickAttachVirtualEx(&pad);
    char guid[33] = {};
    SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(index), guid, sizeof guid);
    SDL_JoystickDetachVirtual(index);
    std::string mapping = std::string(guid) + ",Test Controller,";
    for (int b = 0; b < pad.nbuttons; ++b) {
        mapping += SDL_GameControllerGetStringForButton(static_cast<SDL_GameControllerButton>(b)) +
                   (":b" + std::to_string(b)) + ",";
    }
    SDL_GameControllerAddMapping((mapping + "leftx:a0,lefty:a1,").c_str());
    index = SDL_JoystickAttachVirtualEx(&pad);
    return SDL_JoystickOpen(index);
}

// Sets a button (0 up, 1 down) or an axis. On the session's thread SDL takes it in at
// once; on another the change waits until the session's own pumping has seen it.
void Set(SDL_Joystick* joystick, const std::string& what, int value, bool sessionThread) {
    const auto button = SDL_GameControllerGetButtonFromString(what.c_str());
    const auto axis = SDL_GameControllerGetAxisFromString(what.c_str());
    if (button != SDL_CONTROLLER_BUTTON_INVALID) {
        SDL_JoystickSetVirtualButton(joystick, button, static_cast<Uint8>(value));
    } else {
        SDL_JoystickSetVirtualAxis(joystick, axis, static_cast<Sint16>(value));
    }
    if (sessionThread) {
        SDL_JoystickUpdate();
    }
    const auto seen = [&] {
        return button != SDL_CONTROLLER_BUTTON_INVALID
                   ? SDL_JoystickGetButton(joystick, button) == value
                   : SDL_JoystickGetAxis(joystick, axis) == value;
    };
    for (int waited = 0; !seen() && waited < 5000; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(seen()) << what;
}

TEST_F(WindowTest, AControllerAloneRebindsInThePausePanel) {
    OpenWindow();
    const std::string before = Settings();
    SDL_Joystick* joystick = AttachController();
    Library().Act();
    Set(joystick, "start", 1, true);
    Library().Act();
    Set(joystick, "start", 0, true);
    // The stick moves to dash; a chooses; y (button 3's) becomes dash's; the d-pad goes
    // to attack and along to REMOVE; a takes its x away; start resumes. Each change is
    // seen apart, as a player's presses are.
    std::atomic<bool> resumed = false;
    std::thread player([&] {
        for (const std::string what : {"lefty", "a", "y", "dpdown", "dpleft", "a"}) {
            Set(joystick, what, what == "lefty" ? 30000 : 1, false);
            Set(joystick, what, 0, false);
        }
        // Let go of after the resume, when the session's thread pumps no more.
        Set(joystick, "start", 1, false);
        for (int waited = 0; !resumed && waited < 100; ++waited) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        if (!resumed) {
            Close();  // a panel still open would hold the test for ever
        }
    });
    EXPECT_EQ(Raised(Library().Act), "returned");
    resumed = true;
    player.join();
    Set(joystick, "start", 0, true);
    EXPECT_EQ(ChangedLines(before, Settings()), "dash = y\nattack = none\nbutton3 = none\n");
    std::string held;
    for (const std::string what : {"y", "b", "x"}) {
        Set(joystick, what, 1, true);
        Library().Act();
        held += what + ":" + std::to_string(Library().Pad(0, 1)) +
                std::to_string(Library().Pad(0, 2)) + std::to_string(Library().Pad(0, 3)) + " ";
        Set(joystick, what, 0, true);
        Library().Act();
    }
    EXPECT_EQ(held, "y:100 b:000 x:000 ") << "dash, attack and button 3";
    SDL_JoystickClose(joystick);
}

// Every key and controller input a player starts with, each held for a frame: the pad
// buttons it holds. A stick holds its direction from 16000 until it falls below 12000.
TEST_F(WindowTest, EveryDefaultKeyAndControllerInputHoldsTheButtonItNames) {
    OpenWindow();
    std::string keys;
    for (const std::string name : {"Space", "Left Shift", "X", "K", "Z", "J", "C", "L", "V", "B",
                                   "Left", "A", "Right", "D", "Up", "W", "Down", "S", "Q"}) {
        const SDL_Scancode key = SDL_GetScancodeFromName(name.c_str());
        Key(key, true);
        Library().Act();
        keys += name + ":" + Held() + " ";
        Key(key, false);
        Library().Act();
    }
    EXPECT_EQ(keys,
              "Space:0 Left Shift:1 X:1 K:1 Z:2 J:2 C:3 L:3 V:4 B:5 Left:12 A:12 Right:13 D:13 "
              "Up:14 W:14 Down:15 S:15 Q:- ");
    SDL_Joystick* joystick = AttachController();
    Library().Act();
    std::string pad;
    for (const std::string what : {"a",
                                   "b",
                                   "x",
                                   "y",
                                   "back",
                                   "guide",
                                   "leftstick",
                                   "rightstick",
                                   "leftshoulder",
                                   "rightshoulder",
                                   "dpup",
                                   "dpdown",
                                   "dpleft",
                                   "dpright",
                                   "leftx=16000",
                                   "leftx=12000",
                                   "leftx=11999",
                                   "leftx=-16000",
                                   "leftx=-12000",
                                   "leftx=-11999",
                                   "lefty=-15999",
                                   "lefty=-16000",
                                   "lefty=16000",
                                   "lefty=0"}) {
        const size_t equals = what.find('=');
        const std::string input = what.substr(0, equals);
        Set(joystick, input, equals == std::string::npos ? 1 : std::stoi(what.substr(equals + 1)),
            true);
        Library().Act();
        pad += what + ":" + Held() + " ";
        if (equals == std::string::npos) {
            Set(joystick, input, 0, true);
            Library().Act();
        }
    }
    EXPECT_EQ(pad,
              "a:0 b:1 x:2 y:3 back:- guide:- leftstick:- rightstick:- leftshoulder:4 "
              "rightshoulder:5 dpup:14 dpdown:15 dpleft:12 dpright:13 leftx=16000:13 "
              "leftx=12000:13 leftx=11999:- leftx=-16000:12 leftx=-12000:12 leftx=-11999:- "
              "lefty=-15999:- lefty=-16000:14 lefty=16000:15 lefty=0:- ");
    SDL_JoystickClose(joystick);
}

// Attack pressed with Z, or with Q after a pause in which the panel adds Q to attack: the
// same game, and the same trace and recording. The recording replays to it.
TEST_F(WindowTest, ARebindingInThePauseNeverReachesTheTraceOrTheRecording) {
    const auto play = [&](std::map<std::string, std::string> settings, SDL_Scancode attack) {
        settings.insert({{"PLUMO_TRACE", dir + "trace"}, {"PLUMO_SEED", "3"}});
        Open(settings, &cell);
        std::string counts;
        for (int frame = 0; frame < 8; ++frame) {
            if (attack != SDL_SCANCODE_UNKNOWN && frame == 1) {
                Key(SDL_SCANCODE_SPACE, true);
            } else if (attack == SDL_SCANCODE_Q && frame == 2) {
                Tap(SDL_SCANCODE_ESCAPE);
            } else if (attack == SDL_SCANCODE_Q && frame == 3) {
                TapAll("Down Down Right Return Q P");
            } else if (attack != SDL_SCANCODE_UNKNOWN && frame == 4) {
                Key(attack, true);
            } else if (attack != SDL_SCANCODE_UNKNOWN && frame == 6) {
                Key(attack, false);
            }
            Library().Rnd(0, 9);
            Library().Act();
            counts +=
                std::to_string(Library().Pad(0, 0)) + std::to_string(Library().Pad(0, 2)) + " ";
        }
        Library().Free();
        return counts + "\n" + ReadText(dir + "trace");
    };
    const std::string plain =
        play({{"PLUMO_VIDEO", "window"}, {"PLUMO_RECORD", dir + "plain"}}, SDL_SCANCODE_Z);
    EXPECT_EQ(plain.substr(0, plain.find('\n')), "00 10 20 30 41 52 60 70 ");
    EXPECT_EQ(play({{"PLUMO_VIDEO", "window"}, {"PLUMO_RECORD", dir + "rebound"}}, SDL_SCANCODE_Q),
              plain);
    EXPECT_EQ(ReadText(dir + "rebound"), ReadText(dir + "plain"));
    EXPECT_EQ(
        play({{"PLUMO_VIDEO", "none"}, {"PLUMO_REPLAY", dir + "rebound"}}, SDL_SCANCODE_UNKNOWN),
        plain);
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
