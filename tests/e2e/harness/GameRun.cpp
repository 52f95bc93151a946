#include "GameRun.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace morva::e2e {
namespace {

namespace fs = std::filesystem;

constexpr std::array kTextureFiles = {
    "font_128_64.zqtex", "title.zqtex", "ground.zqtex",        "distant_view.zqtex", "wood.zqtex",
    "combo.zqtex",       "gauge.zqtex", "pelomar256.zqtex",    "sword.zqtex",        "bullet.zqtex",
    "smog.zqtex",        "life.zqtex",  "generate_hole.zqtex", "rock_enemy.zqtex",
};
static_assert(kTextureFiles.size() == 14);

constexpr std::string_view kLibraryFile = "Plumo.zqd";
constexpr std::chrono::milliseconds kWaitPoll{5};
constexpr std::size_t kDescribedTraceLines = 40;  // lines of the trace's tail in Describe
constexpr int kExecFailedCode = 127;

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') {
            ++i;
        }
        if (i == line.size()) {
            break;
        }
        std::size_t end = i;
        if (line[i] == '"') {
            end = line.find('"', i + 1);
            end = end == std::string_view::npos ? line.size() : end + 1;
        } else {
            while (end < line.size() && line[end] != ' ') {
                ++end;
            }
        }
        words.push_back(line.substr(i, end - i));
        i = end;
    }
    return words;
}

template <typename Number>
std::optional<Number> ToNumber(std::string_view word) {
    Number value{};
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size()) {
        return std::nullopt;
    }
    return value;
}

std::string Unquote(std::string_view word) {
    if (word.size() >= 2 && word.front() == '"' && word.back() == '"') {
        return std::string(word.substr(1, word.size() - 2));
    }
    return std::string(word);
}

std::size_t NumberCount(std::string_view name) {
    if (name == "DrawTex") {
        return 12;
    }
    if (name == "DrawTexRot") {
        return 15;
    }
    return 0;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::string JoinNumbers(const std::vector<int64_t>& numbers) {
    std::string text;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        text += (i == 0 ? "" : ",") + std::to_string(numbers[i]);
    }
    return text;
}

// The parent's environment without any PLUMO_ variable, then ours.
std::vector<std::string> ChildEnvironment(
    const std::vector<std::pair<std::string, std::string>>& settings) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "PLUMO_", 6) != 0) {
            environment.emplace_back(*entry);
        }
    }
    for (const auto& [name, value] : settings) {
        environment.push_back(name + "=" + value);
    }
    return environment;
}

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "morva-e2e-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a temp folder");
        }
        path_ = pattern;
    }
    ~TempDir() {
        if (std::getenv("MORVA_E2E_KEEP") == nullptr) {
            std::error_code ignored;
            fs::remove_all(path_, ignored);
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    fs::path operator/(const char* name) const { return path_ / name; }

private:
    fs::path path_;
};

}  // namespace

std::ostream& operator<<(std::ostream& out, const TraceCall& call) {
    out << call.name;
    if (call.texture != 0) {
        out << ' ' << call.texture;
        if (!call.file.empty()) {
            out << " (" << call.file << ')';
        }
    }
    for (double number : call.numbers) {
        out << ' ' << number;
    }
    return out;
}

std::ostream& operator<<(std::ostream& out, const PadChange& change) {
    return out << "pad " << change.button << (change.down ? " down" : " up");
}

std::vector<TraceCall> TraceFrame::Draws() const {
    std::vector<TraceCall> result;
    for (const TraceCall& call : calls) {
        if (call.IsDraw()) {
            result.push_back(call);
        }
    }
    return result;
}

std::vector<TraceCall> TraceFrame::DrawsOf(std::string_view file) const {
    std::vector<TraceCall> result;
    for (const TraceCall& call : calls) {
        if (call.IsDraw() && call.file == file) {
            result.push_back(call);
        }
    }
    return result;
}

std::vector<TraceCall> TraceFrame::CallsNamed(std::string_view name) const {
    std::vector<TraceCall> result;
    for (const TraceCall& call : calls) {
        if (call.name == name) {
            result.push_back(call);
        }
    }
    return result;
}

const TraceFrame* Trace::Frame(int64_t number) const {
    if (number < 0 || static_cast<std::size_t>(number) >= frames.size()) {
        return nullptr;
    }
    return &frames[static_cast<std::size_t>(number)];
}

std::vector<TraceCall> Trace::AllCalls() const {
    std::vector<TraceCall> result;
    for (const TraceFrame& frame : frames) {
        result.insert(result.end(), frame.calls.begin(), frame.calls.end());
    }
    return result;
}

Trace ParseTrace(std::string_view text) {
    Trace trace;
    std::map<int64_t, std::string> files;  // texture id -> file name
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        const std::vector<std::string_view> words = Words(line);
        if (words.empty()) {
            continue;
        }
        const auto problem = [&] {
            trace.problems.push_back("line " + std::to_string(lineNumber) + ": " +
                                     std::string(line));
        };
        const std::string_view name = words[0];
        if (name == "plumo-trace") {
            continue;
        }
        if (name == "Init" && words.size() == 2) {
            trace.title = Unquote(words[1]);
            continue;
        }
        if (name == "frame" && words.size() == 2) {
            const auto number = ToNumber<int64_t>(words[1]);
            if (!number || *number != static_cast<int64_t>(trace.frames.size())) {
                problem();
            }
            trace.frames.push_back({static_cast<int64_t>(trace.frames.size()), {}, {}});
            continue;
        }
        if (trace.frames.empty()) {
            problem();
            continue;
        }
        TraceFrame& frame = trace.frames.back();
        if (name == "pad" && words.size() == 3) {
            const auto button = ToNumber<int64_t>(words[1]);
            if (!button || (words[2] != "down" && words[2] != "up")) {
                problem();
                continue;
            }
            frame.pads.push_back({*button, words[2] == "down"});
            continue;
        }
        TraceCall call;
        call.name = std::string(name);
        if (name == "LoadTex" && words.size() == 3) {
            const auto id = ToNumber<int64_t>(words[2]);
            if (!id) {
                problem();
                continue;
            }
            call.texture = *id;
            call.file = Unquote(words[1]);
            files[*id] = call.file;
        } else if ((name == "ReleaseTex" && words.size() == 2) ||
                   (NumberCount(name) > 0 && words.size() == 2 + NumberCount(name))) {
            const auto id = ToNumber<int64_t>(words[1]);
            if (!id) {
                problem();
                continue;
            }
            call.texture = *id;
            const auto known = files.find(*id);
            call.file = known == files.end() ? std::string() : known->second;
            bool numbersRead = true;
            for (std::size_t i = 2; i < words.size(); ++i) {
                const auto number = ToNumber<double>(words[i]);
                numbersRead = numbersRead && number.has_value();
                call.numbers.push_back(number.value_or(0.0));
            }
            if (!numbersRead) {
                problem();
            }
        } else if (name == "Rnd" && words.size() == 4) {
            for (std::size_t i = 1; i < words.size(); ++i) {
                call.numbers.push_back(
                    static_cast<double>(ToNumber<int64_t>(words[i]).value_or(0)));
            }
        } else if (name == "Free" && words.size() == 1) {
            trace.freed = true;
        } else {
            problem();
            continue;
        }
        frame.calls.push_back(std::move(call));
    }
    return trace;
}

Replay& Replay::Down(int64_t frame, int64_t button) {
    return Down(frame, std::to_string(button));
}
Replay& Replay::Up(int64_t frame, int64_t button) {
    return Up(frame, std::to_string(button));
}

Replay& Replay::Down(int64_t frame, std::string_view button) {
    events_.push_back({frame, std::string(button), true});
    return *this;
}

Replay& Replay::Up(int64_t frame, std::string_view button) {
    events_.push_back({frame, std::string(button), false});
    return *this;
}

Replay& Replay::Tap(int64_t frame, int64_t button, int64_t holdFrames) {
    return Down(frame, button).Up(frame + holdFrames, button);
}

std::string Replay::Text() const {
    // The library wants ascending frames; events of one frame keep their order.
    std::vector<Event> events = events_;
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& a, const Event& b) { return a.frame < b.frame; });
    std::string text = "seed " + std::to_string(seed_) + "\n";
    for (const Event& event : events) {
        text += std::to_string(event.frame) + " " + event.button + (event.down ? " down" : " up") +
                "\n";
    }
    return text;
}

std::string RunResult::Describe() const {
    std::ostringstream out;
    if (timedOut) {
        out << "timed out; ";
    }
    out << "exit code " << exitCode << ", signal " << signal << ", " << trace.frames.size()
        << " trace frames\n";
    if (!stderrText.empty()) {
        out << "stderr:\n" << stderrText << '\n';
    }
    for (const std::string& problem : trace.problems) {
        out << "unparsed trace " << problem << '\n';
    }
    std::vector<std::string_view> lines;
    std::string_view rest = traceText;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        lines.push_back(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    const std::size_t first =
        lines.size() > kDescribedTraceLines ? lines.size() - kDescribedTraceLines : 0;
    out << "trace tail:\n";
    for (std::size_t i = first; i < lines.size(); ++i) {
        out << "  " << lines[i] << '\n';
    }
    return out.str();
}

std::string ProgramPath() {
    return MORVA_E2E_PROGRAM;
}
std::string DataDir() {
    return MORVA_E2E_DATA_DIR;
}

std::vector<std::string> MissingFiles() {
    std::vector<std::string> missing;
    const auto check = [&](const fs::path& path) {
        if (!fs::exists(path)) {
            missing.push_back(path.string());
        }
    };
    check(ProgramPath());
    check(fs::path(DataDir()) / kLibraryFile);
    for (const char* texture : kTextureFiles) {
        check(fs::path(DataDir()) / texture);
    }
    return missing;
}

RunResult RunProgram(const RunOptions& options) {
    const TempDir temp;
    const fs::path tracePath = temp / "trace.txt";
    const fs::path stderrPath = temp / "stderr.txt";
    const fs::path stdoutPath = temp / "stdout.txt";
    const fs::path recordPath = temp / "record.txt";

    std::vector<std::pair<std::string, std::string>> settings = {
        {"PLUMO_VIDEO", options.video},
        {"PLUMO_FPS", "0"},
        {"PLUMO_SEED", std::to_string(options.seed)},
        {"PLUMO_TRACE", tracePath.string()},
    };
    if (options.frames > 0) {
        settings.emplace_back("PLUMO_FRAMES", std::to_string(options.frames));
    }
    if (options.replay) {
        const fs::path replayPath = temp / "replay.txt";
        WriteFile(replayPath, *options.replay);
        settings.emplace_back("PLUMO_REPLAY", replayPath.string());
    }
    if (options.record) {
        settings.emplace_back("PLUMO_RECORD", recordPath.string());
    }
    if (!options.shotFrames.empty()) {
        settings.emplace_back("PLUMO_SHOT_FRAMES", JoinNumbers(options.shotFrames));
        settings.emplace_back("PLUMO_SHOT_DIR", options.shotDir);
    }
    settings.insert(settings.end(), options.extraEnv.begin(), options.extraEnv.end());

    // Everything the child needs is prepared before fork: it only redirects,
    // changes folder and execs.
    const std::vector<std::string> environment = ChildEnvironment(settings);
    std::vector<char*> envp;
    for (const std::string& entry : environment) {
        envp.push_back(const_cast<char*>(entry.c_str()));
    }
    envp.push_back(nullptr);
    const std::string program = ProgramPath();
    const std::string workDir = fs::path(program).parent_path().string();
    std::array<char*, 2> argv = {const_cast<char*>(program.c_str()), nullptr};
    const std::string errPath = stderrPath.string();
    const std::string outPath = stdoutPath.string();

    const pid_t child = fork();
    if (child < 0) {
        throw std::runtime_error("fork failed");
    }
    if (child == 0) {
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = open("/dev/null", O_RDONLY);
        if (err < 0 || out < 0 || in < 0 || dup2(err, STDERR_FILENO) < 0 ||
            dup2(out, STDOUT_FILENO) < 0 || dup2(in, STDIN_FILENO) < 0 ||
            chdir(workDir.c_str()) != 0) {
            _exit(kExecFailedCode);
        }
        execve(program.c_str(), argv.data(), envp.data());
        _exit(kExecFailedCode);
    }

    RunResult result;
    const auto deadline = std::chrono::steady_clock::now() + options.timeout;
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) {
            break;
        }
        if (done < 0) {
            throw std::runtime_error("waitpid failed");
        }
        if (std::chrono::steady_clock::now() > deadline) {
            result.timedOut = true;
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            break;
        }
        std::this_thread::sleep_for(kWaitPoll);
    }
    if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    result.stderrText = ReadFile(stderrPath);
    result.stdoutText = ReadFile(stdoutPath);
    result.traceText = ReadFile(tracePath);
    if (options.record) {
        result.recordText = ReadFile(recordPath);
    }
    result.trace = ParseTrace(result.traceText);
    return result;
}

}  // namespace morva::e2e
