// Replays and textures anyone could have put in the game's way: each is read
// or refused with one line that names it, never a hang, a crash or a leak.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <random>

#include "Harness.h"
#include "ProgramRun.h"

namespace plumo::test {
namespace {

const std::string kReplay = "plumo-replay 1\nseed 42\n10 jump down # c\n10 attack up\n25 13 up\n";

// A new file each time: the file system flushes a file truncated and rewritten.
void Write(const std::string& path, const std::string& bytes) {
    std::filesystem::remove(path);
    std::ofstream(path, std::ios::binary) << bytes;
}

// `line` over and over, to just past `bytes`.
std::string Repeated(const std::string& line, size_t bytes) {
    std::string lines;
    while (lines.size() <= bytes) {
        lines += line;
    }
    return lines;
}

// The header rewritten to announce width x height, the pixels left as they are.
std::string Resized(std::string texture, uint32_t width, uint32_t height) {
    const auto header = texture_file::Encode({width, height});
    std::copy(header.begin(), header.end(), texture.begin());
    return texture;
}

TEST(InputFiles, HostileReplaysAreRefusedInOneLine) {
    const morva::test::TempFolder temp;
    const std::string d = temp.path + "/";
    mkfifo((d + "fifo").c_str(), 0600);
    Write(d + "long", "1 jump down\n" + std::string(100'000, 'x') + "\n");
    Write(d + "control", "1 ju\x01mp\x1b down\n");
    Write(d + "large", Repeated(std::string(3999, '#') + "\n", 64 << 20));
    const std::string refused = ", not a regular file";
    std::vector<std::pair<std::string, std::string>> cases = {
        {temp.path, "cannot read replay file " + temp.path + ": it is a folder" + refused},
        {"/dev/zero", "cannot read replay file /dev/zero: it is a device" + refused},
        {d + "fifo", "cannot read replay file " + d + "fifo: it is a FIFO" + refused},
        {d + "long", "replay file " + d + "long line 2: longer than 4096 bytes: '" +
                         std::string(40, 'x') + "...'"},
        {d + "control", "replay file " + d + "control line 1: unknown button 'ju\\x01mp\\x1b'"},
        {d + "large", "replay file " + d + "large line 16778: the file is larger than 64 MiB"},
        {"/proc/self/mem", "replay file /proc/self/mem line 1: read failed: Input/output error"},
    };
    std::string program = MORVA_PROGRAM;
#if !defined(__SANITIZE_ADDRESS__)  // which needs more address space than any limit leaves
    // Under an address-space limit, where reading without end would fail fast.
    program = d + "limited";
    Write(program, "#!/bin/sh\nulimit -v 131072\nexec '" MORVA_PROGRAM "'\n");
    chmod(program.c_str(), 0700);
    Write(d + "events", Repeated("1 0 up\n", 30'000'000));
    cases.emplace_back(d + "events", "replay file " + d + "events line ?: out of memory");
#endif
    for (const auto& [replay, want] : cases) {
        const morva::test::ProgramRun run = morva::test::RunProgram(
            program,
            {"PLUMO_VIDEO=none", "PLUMO_FPS=0", "PLUMO_FRAMES=3", "PLUMO_REPLAY=" + replay},
            temp.path, 60);
        std::string line = run.err.substr(0, run.err.find(" (raised at 0x"));
        if (want.ends_with("line ?: out of memory")) {  // where memory runs out varies
            line.replace(line.find(" line ") + 6, line.rfind(':') - line.find(" line ") - 6, "?");
        }
        EXPECT_EQ(std::to_string(run.status) + " " + line,
                  "1 morva: game library failure: " + want);
        EXPECT_EQ(std::ranges::count(run.err, '\n'), 1) << run.err;
    }
}

TEST(InputFiles, BrokenTexturesAreRefusedAlikeInEveryMode) {
    const std::string dir = Library().dir;
    const std::string quad = ReadText(dir + "quad.zqtex");
    std::string version = quad, reserved = quad;
    version[8] = 2;
    reserved[22] = 1;
    Write(dir + "cut.zqtex", quad.substr(0, quad.size() - 1));
    Write(dir + "long.zqtex", quad + "x");
    Write(dir + "alien.zqtex", "\x89PNG\r\n\x1a\n" + quad.substr(8));
    Write(dir + "version.zqtex", version);
    Write(dir + "reserved.zqtex", reserved);
    Write(dir + "short.zqtex", quad.substr(0, 10));
    Write(dir + "narrow.zqtex", Resized(quad, 0, 32));
    Write(dir + "huge.zqtex", Resized(quad, 30'000, 30'000));
    Write(dir + "tall.zqtex", Resized(quad, 16384, 8000));
    mkfifo((dir + "fifo.zqtex").c_str(), 0600);
    std::filesystem::create_directory(dir + "folder.zqtex");
    const std::pair<const char*, std::string> kCases[] = {
        {"cut.zqtex", "the file ends too early (8215 of 8216 bytes)"},
        {"long.zqtex", "the file goes on after the picture (8217 bytes, 8216 expected)"},
        {"alien.zqtex", "it is not a Plumo texture file"},
        {"version.zqtex", "it is a texture file of another version than 1"},
        {"reserved.zqtex", "its reserved header field is not 0"},
        {"short.zqtex", "the file ends too early"},
        {"narrow.zqtex", "the picture is empty (0 x 32 pixels)"},
        {"huge.zqtex", "the picture is larger than 16384 pixels a side"},
        {"tall.zqtex", "16384 x 8000 pixels are more than 256 MiB"},
        {"fifo.zqtex", "it is a FIFO, not a regular file"},
        {"folder.zqtex", "it is a folder, not a regular file"},
    };
    alarm(60);  // a FIFO opened to wait for a writer must not hang the suite
    testing::internal::CaptureStderr();
    uint64_t cell = 0;
    for (const char* video : {"none", "offscreen"}) {
        Open({{"PLUMO_VIDEO", video}}, &cell);
        for (const auto& [name, why] : kCases) {
            EXPECT_EQ(Raised([&] { Load(name); }),
                      "1 cannot read texture " + dir + name + ": " + why)
                << video;
        }
        Library().Free();
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    alarm(0);
}

// Byte flips, cuts and insertions of valid input, 2000 of them from a fixed seed.
void Fuzz(const std::string& valid, const std::function<void(const std::string&)>& load) {
    const std::string inserts[] = {valid, kReplay, ReadText(Library().dir + "quad.zqtex")};
    std::mt19937 rng(20240607);
    for (int i = 0; i < 2000; ++i) {
        std::string input = valid;
        for (int step = rng() % 4; step > 0 && !input.empty(); --step) {
            const size_t at = rng() % input.size();
            const uint32_t kind = rng() % 4;
            if (kind == 0) {
                input[at] = static_cast<char>(rng());
            } else if (kind == 1) {
                input.resize(at);
            } else {
                input.insert(at, kind == 2 ? inserts[rng() % 3]
                                           : std::string(rng() % 5000, static_cast<char>(rng())));
            }
        }
        load(input);
    }
}

// Loaded, or refused with one printable line that begins with `refusal`.
void ExpectLoadedOrRefused(const std::string& raised, const std::string& refusal) {
    if (raised != "returned") {
        EXPECT_EQ(raised.substr(0, refusal.size()), refusal);
        EXPECT_TRUE(std::ranges::none_of(raised, [](char c) { return c >= 0 && c < 0x20; }))
            << raised;
    }
}

TEST(InputFiles, FuzzedReplaysLoadOrRaise) {
    const std::string path = Library().out + "fuzz.replay";
    uint64_t cell = 0;
    Fuzz(kReplay, [&](const std::string& input) {
        Write(path, input);
        const std::map<std::string, std::string> settings = {{"PLUMO_VIDEO", "none"},
                                                             {"PLUMO_REPLAY", path}};
        ExpectLoadedOrRefused(Raised([&] { Open(settings, &cell); }),
                              "1 replay file " + path + " line ");
        Library().Free();
    });
}

// Half of them cut or padded to the size their header announces, so the fuzz
// gets past the size check to the pixels.
std::string Fitted(std::string texture) {
    texture_file::Header header;
    unsigned char bytes[texture_file::kHeaderBytes] = {};
    std::copy_n(texture.begin(), std::min(texture.size(), sizeof bytes), bytes);
    texture_file::Parse(bytes, 0, header);
    if (header.FileBytes() < (uint64_t{1} << 24)) {
        texture.resize(header.FileBytes(), 'x');
    }
    return texture;
}

TEST(InputFiles, FuzzedTexturesLoadOrRaise) {
    const std::string dir = Library().dir;
    uint64_t cell = 0;
    Open({{"PLUMO_VIDEO", "offscreen"}}, &cell);
    int serial = 0;
    int loaded = 0;
    Fuzz(ReadText(dir + "quad.zqtex"), [&](const std::string& input) {
        const std::string name = "fuzz-" + std::to_string(++serial) + ".zqtex";
        Write(dir + name, serial % 2 ? input : Fitted(input));
        const std::string raised = Raised([&] { Drop(Load(name)); });
        ExpectLoadedOrRefused(raised, "1 cannot read texture " + dir + name + ": ");
        loaded += raised == "returned";
        std::filesystem::remove(dir + name);
    });
    Library().Free();
    EXPECT_GT(loaded, 100) << "the fuzz must reach pictures that load";
}

}  // namespace
}  // namespace plumo::test
