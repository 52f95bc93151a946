#include "ProgramRun.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string_view>

extern char** environ;

namespace morva::test {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string TraceEnds(std::string trace) {
    if (trace.empty()) {
        return trace;
    }
    trace = trace.substr(trace.find("Init"));
    trace = " " + trace.substr(0, trace.find('\n')) + ", " +
            trace.substr(trace.rfind('\n', trace.size() - 2) + 1);
    trace.pop_back();
    return trace;
}

std::string WithoutAddresses(std::string_view text) {
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t hex = text.find("0x", at);
        if (hex == std::string_view::npos) {
            out.append(text.substr(at));
            break;
        }
        const std::size_t end =
            std::min(text.find_first_not_of("0123456789abcdef", hex + 2), text.size());
        out.append(text.substr(at, hex + 2 - at));
        out.append(end - hex - 2 >= 3 ? "?" : text.substr(hex + 2, end - hex - 2));
        at = end;
    }
    return out;
}

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "morva-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    path = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& settings,
                      const std::string& folder, int seconds) {
    std::vector<std::string> env = settings;
    // Never the player's own settings file.
    if (std::ranges::none_of(
            settings, [](const std::string& s) { return s.starts_with("PLUMO_CONFIG_DIR="); })) {
        env.emplace_back("PLUMO_CONFIG_DIR=none");
    }
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (!std::string_view(*entry).starts_with("PLUMO_")) {
            env.emplace_back(*entry);
        }
    }
    std::vector<std::string> args = {"timeout", "-s", "KILL", std::to_string(seconds), program};
    std::vector<char*> envp, argv;
    for (std::string& entry : env) {
        envp.push_back(entry.data());
    }
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    envp.push_back(nullptr);
    argv.push_back(nullptr);
    const TempFolder outputs;
    const std::string out = outputs.path + "/out", err = outputs.path + "/err";
    const pid_t child = fork();
    if (child == 0) {
        const int outFile = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int errFile = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (outFile < 0 || errFile < 0 || dup2(outFile, 1) < 0 || dup2(errFile, 2) < 0 ||
            (!folder.empty() && chdir(folder.c_str()) != 0)) {
            _exit(125);
        }
        execvpe("timeout", argv.data(), envp.data());
        _exit(126);
    }
    ProgramRun run;
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child) {
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    run.out = ReadFile(out);
    run.err = ReadFile(err);
    return run;
}

}  // namespace morva::test
