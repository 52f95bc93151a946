#include "GameRun.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <map>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace morva::e2e {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<TraceCall> Select(const std::vector<TraceCall>& calls, auto keep) {
    std::vector<TraceCall> result;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(result), keep);
    return result;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const TraceCall& call) {
    out << call.name;
    if (call.texture != 0) {
        out << ' ' << call.texture << " (" << call.file << ')';
    }
    for (double number : call.numbers) {  // shortest form that reads back the same
        char text[32];
        out << ' ' << std::string_view(text, std::to_chars(text, text + 32, number).ptr);
    }
    return out;
}

std::ostream& operator<<(std::ostream& out, const PadChange& change) {
    return out << "pad " << change.button << (change.down ? " down" : " up");
}

std::vector<TraceCall> TraceFrame::Draws() const {
    return Select(calls, [](const TraceCall& call) { return call.IsDraw(); });
}
std::vector<TraceCall> TraceFrame::DrawsOf(std::string_view file) const {
    return Select(calls, [&](const TraceCall& call) { return call.IsDraw() && call.file == file; });
}
std::vector<TraceCall> TraceFrame::CallsNamed(std::string_view name) const {
    return Select(calls, [&](const TraceCall& call) { return call.name == name; });
}

const TraceFrame* Trace::Frame(int64_t number) const {
    return number >= 0 && number < static_cast<int64_t>(frames.size()) ? &frames[number] : nullptr;
}

Trace ParseTrace(std::string_view text) {
    static const std::map<std::string, std::size_t> kNumbers = {{"LoadTex", 0},  {"ReleaseTex", 0},
                                                                {"DrawTex", 12}, {"DrawTexRot", 15},
                                                                {"Rnd", 3},      {"Free", 0}};
    Trace trace;
    std::map<int64_t, std::string> files;  // texture id -> file
    std::istringstream lines{std::string(text)};
    std::string line;
    for (int lineNumber = 1; std::getline(lines, line); ++lineNumber) {
        std::istringstream words(line);
        TraceCall call;
        bool ok = true;
        if (!(words >> call.name) || call.name == "plumo-trace") {
            continue;
        } else if (call.name == "Init") {
            ok = static_cast<bool>(words >> std::quoted(trace.title));
        } else if (call.name == "frame") {
            int64_t number = -1;
            ok = words >> number && number == static_cast<int64_t>(trace.frames.size());
            trace.frames.push_back({static_cast<int64_t>(trace.frames.size()), {}, {}});
        } else if (trace.frames.empty() || (!kNumbers.contains(call.name) && call.name != "pad")) {
            ok = false;
        } else if (call.name == "pad") {
            PadChange change;
            std::string way;
            ok = words >> change.button >> way && (way == "down" || way == "up");
            change.down = way == "down";
            trace.frames.back().pads.push_back(change);
        } else {
            if (call.name == "LoadTex") {
                ok = static_cast<bool>(words >> std::quoted(call.file) >> call.texture);
                files[call.texture] = call.file;
            } else if (call.name != "Rnd" && call.name != "Free") {
                ok = static_cast<bool>(words >> call.texture);
                call.file = files[call.texture];
            }
            for (double number = 0; words >> number;) {
                call.numbers.push_back(number);
            }
            ok = ok && call.numbers.size() == kNumbers.at(call.name);
            trace.frames.back().calls.push_back(call);
        }
        if (!ok || !(words >> std::ws).eof()) {
            trace.problems.push_back("line " + std::to_string(lineNumber) + ": " + line);
        }
    }
    return trace;
}

Replay& Replay::Add(int64_t frame, int64_t button, bool down) {
    events_.emplace_back(
        frame, std::to_string(frame) + " " + std::to_string(button) + (down ? " down\n" : " up\n"));
    return *this;
}

std::string Replay::Text() const {
    auto events = events_;
    std::stable_sort(events.begin(), events.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string text = text_;
    for (const auto& event : events) {
        text += event.second;
    }
    return text;
}

std::string RunResult::Describe() const {
    std::ostringstream out;
    out << (timedOut ? "timed out; " : "") << "exit code " << exitCode << ", signal " << signal
        << ", " << trace.frames.size() << " trace frames\nstderr:\n"
        << stderrText << '\n';
    for (const std::string& problem : trace.problems) {
        out << "unread trace " << problem << '\n';
    }
    std::size_t tail = traceText.size();
    for (int lines = 0; tail > 0 && lines <= 40; lines += traceText[--tail] == '\n') {
    }
    return out.str() + "trace tail:\n" + traceText.substr(tail);
}

std::vector<std::string> MissingFiles() {
    std::vector<std::string> missing, files = {MORVA_E2E_PROGRAM};
    for (const char* name :
         {"Plumo.zqd", "font_128_64.zqtex", "title.zqtex", "ground.zqtex", "distant_view.zqtex",
          "wood.zqtex", "combo.zqtex", "gauge.zqtex", "pelomar256.zqtex", "sword.zqtex",
          "bullet.zqtex", "smog.zqtex", "life.zqtex", "generate_hole.zqtex", "rock_enemy.zqtex"}) {
        files.push_back((fs::path(MORVA_E2E_DATA_DIR) / name).string());
    }
    std::copy_if(files.begin(), files.end(), std::back_inserter(missing),
                 [](const std::string& file) { return !fs::exists(file); });
    return missing;
}

RunResult RunProgram(const RunOptions& options) {
    std::string pattern = fs::temp_directory_path() / "morva-e2e-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temp folder");
    }
    const fs::path temp = pattern;
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (!std::string_view(*entry).starts_with("PLUMO_")) {
            environment.emplace_back(*entry);
        }
    }
    environment.push_back("PLUMO_VIDEO=" + options.video);
    environment.push_back("PLUMO_FPS=0");
    environment.push_back("PLUMO_SEED=" + std::to_string(options.seed));
    environment.push_back("PLUMO_TRACE=" + (temp / "trace.txt").string());
    if (options.frames > 0) {
        environment.push_back("PLUMO_FRAMES=" + std::to_string(options.frames));
    }
    if (options.replay) {
        std::ofstream(temp / "replay.txt", std::ios::binary) << *options.replay;
        environment.push_back("PLUMO_REPLAY=" + (temp / "replay.txt").string());
    }
    if (options.record) {
        environment.push_back("PLUMO_RECORD=" + (temp / "record.txt").string());
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    std::string program = MORVA_E2E_PROGRAM;
    char* argv[] = {program.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, (temp / "stderr.txt").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, fs::path(program).parent_path().c_str());
    pid_t child = 0;
    const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw std::runtime_error("cannot start " + program);
    }

    RunResult result;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int status = 0;
    for (pid_t done = 0; done != child;) {
        done = waitpid(child, &status, WNOHANG);
        if (done < 0) {
            throw std::runtime_error("waitpid failed");
        }
        if (done == 0 && std::chrono::steady_clock::now() > deadline) {
            result.timedOut = true;
            kill(child, SIGKILL);
            done = waitpid(child, &status, 0);
        } else if (done == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.stderrText = ReadFile(temp / "stderr.txt");
    result.traceText = ReadFile(temp / "trace.txt");
    result.recordText = ReadFile(temp / "record.txt");
    result.trace = ParseTrace(result.traceText);
    if (std::getenv("MORVA_E2E_KEEP") == nullptr) {
        fs::remove_all(temp);
    }
    return result;
}

}  // namespace morva::e2e
