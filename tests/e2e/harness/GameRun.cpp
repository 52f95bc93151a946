#include "GameRun.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <map>
#include <sstream>
#include <stdexcept>

namespace morva::e2e {
namespace fs = std::filesystem;

static std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

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

std::vector<TraceCall> TraceFrame::DrawsOf(std::string_view file) const {
    std::vector<TraceCall> draws;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(draws), [&](const TraceCall& c) {
        return c.IsDraw() && (file.empty() || c.file == file);
    });
    return draws;
}
std::vector<TraceCall> TraceFrame::CallsNamed(std::string_view name) const {
    std::vector<TraceCall> named;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(named),
                 [&](const TraceCall& call) { return call.name == name; });
    return named;
}

static Trace ParseTrace(std::string_view text) {
    // The numbers after the texture id, or after the file and id of LoadTex.
    static const std::map<std::string, std::size_t> kNumbers = {{"LoadTex", 0},  {"ReleaseTex", 0},
                                                                {"DrawTex", 12}, {"DrawTexRot", 15},
                                                                {"Rnd", 3},      {"Free", 0}};
    Trace trace;
    std::map<int64_t, std::string> files;  // texture id -> file
    std::istringstream lines{std::string(text)};
    std::string line, word;
    for (int lineNumber = 1; std::getline(lines, line); ++lineNumber) {
        std::istringstream words(line);
        TraceCall call;
        bool ok = static_cast<bool>(words >> call.name);
        if (call.name == "Init") {
            ok = static_cast<bool>(words >> std::quoted(trace.title));
        } else if (call.name == "frame") {
            ok = words >> word && word == std::to_string(trace.frames.size());
            trace.frames.push_back({static_cast<int64_t>(trace.frames.size()), {}, {}});
        } else if (call.name == "pad" && !trace.frames.empty()) {
            ok = std::getline(words >> std::ws, word) &&
                 (word.ends_with(" down") || word.ends_with(" up"));
            trace.frames.back().pads.push_back(word);
        } else if (kNumbers.contains(call.name) && !trace.frames.empty()) {
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
        } else {
            ok = !ok || (call.name == "plumo-trace" && words >> word && word == "1");
        }
        if (!ok || !(words >> std::ws).eof()) {
            trace.problems.push_back("line " + std::to_string(lineNumber) + ": " + line);
        }
    }
    return trace;
}

std::string RunResult::Describe() const {
    std::ostringstream out;
    out << "exit code " << exitCode << ", signal " << signal << ", " << trace.frames.size()
        << " trace frames\nstderr:\n"
        << stderrText << '\n';
    for (const std::string& problem : trace.problems) {
        out << "unread trace " << problem << '\n';
    }
    std::size_t tail = traceText.size();
    for (int lines = 0; tail > 0 && lines <= 40; lines += traceText[--tail] == '\n') {
    }
    return out.str() + "trace tail:\n" + traceText.substr(tail);
}

RunResult RunProgram(const RunOptions& options) {
    const fs::path program = MORVA_E2E_PROGRAM, data = MORVA_E2E_DATA_DIR;
    for (const fs::path& file : {program, data / "Plumo.zqd", data / "rock_enemy.zqtex"}) {
        if (!fs::exists(file)) {  // the textures are built together
            throw std::runtime_error("not built: " + file.string());
        }
    }
    static int runs = 0;
    const fs::path temp = fs::temp_directory_path() /
                          ("morva-e2e-" + std::to_string(getpid()) + "-" + std::to_string(++runs));
    fs::create_directories(temp);
    // `exec` and `timeout` pass on the program's exit code or signal.
    std::ostringstream command;
    command << "cd " << program.parent_path() << " && exec env";
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view setting(*entry);
        if (setting.starts_with("PLUMO_")) {
            command << " -u " << setting.substr(0, setting.find('='));
        }
    }
    command << " PLUMO_VIDEO=none PLUMO_FPS=0 PLUMO_SEED=" << options.seed
            << " PLUMO_TRACE=" << temp / "trace.txt";
    command << (options.frames > 0 ? " PLUMO_FRAMES=" + std::to_string(options.frames) : "")
            << (options.record ? " PLUMO_RECORD=" + (temp / "record.txt").string() : "");
    if (options.replay) {
        std::ofstream(temp / "replay.txt", std::ios::binary) << *options.replay;
        command << " PLUMO_REPLAY=" << temp / "replay.txt";
    }
    command << " timeout -sKILL 60 " << program << " </dev/null >/dev/null 2>"
            << temp / "stderr.txt";
    const int status = std::system(command.str().c_str());
    RunResult result;
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
