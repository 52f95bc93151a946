// Built for Windows and run under Wine by WineTest.cpp: one failure under the
// top-level handler, named by the argument. Standard error gets the handler's
// line, standard output what the shutdown did, the exit code is the handler's.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <thread>

#include "app/Platform.h"
#include "app/Startup.h"
#include "engine/Library.h"

namespace {

using morva::ProgramState;

ProgramState gState;

void RecordingFree() {
    std::fputs(gState.title ? "Free, title held" : "Free, title dropped", stdout);
    std::fflush(stdout);
}

void HangingFree() {
    RecordingFree();
    Sleep(INFINITE);
}

void TouchNowhere() {
    volatile uintptr_t nowhere = 0x10;
    *reinterpret_cast<volatile int*>(nowhere) = 1;
}

struct Case {
    const char* name;
    void (*body)();
    void (*free)();
};

constexpr Case kCases[] = {
    {"invalid-operation",
     [] {
         volatile double zero = 0.0;
         volatile double nan = zero / zero;
         (void)nan;
     },
     RecordingFree},
    {"division-by-zero",
     [] {
         volatile long long zero = 0;
         volatile long long quotient = 7 / zero;
         (void)quotient;
     },
     RecordingFree},
    {"float-division-by-zero",
     [] {
         // Masked: an infinity, and the game goes on to end quietly.
         volatile double zero = 0.0;
         volatile double infinity = 1.0 / zero;
         if (infinity > 1e308) {
             throw plumo::Failure(plumo::kQuietEnd, "closed");
         }
     },
     RecordingFree},
    {"access-violation-on-another-thread", [] { std::thread(TouchNowhere).join(); }, RecordingFree},
    {"access-violation-inside-the-c-library",
     [] {
         void* (*volatile copy)(void*, const void*, std::size_t) = std::memcpy;
         char into[64] = {};
         copy(into, reinterpret_cast<const void*>(uintptr_t{0x10}), sizeof into);
     },
     RecordingFree},
    {"free-hanging-after-a-fault", TouchNowhere, HangingFree},
    {"library-failure",
     [] {
         morva::FailureAddress() = 0x1234;
         throw plumo::Failure(plumo::kLibraryFailure, "texture gone");
     },
     RecordingFree},
};

}  // namespace

int main(int argc, char** argv) {
    for (const Case& c : kCases) {
        if (argc == 2 && std::string_view(argv[1]) == c.name) {
            lib::Bindings()[static_cast<std::size_t>(lib::Export::Free)] =
                reinterpret_cast<void*>(c.free);
            static void (*body)() = nullptr;
            body = c.body;
            morva::platform::SetProgramFloatingPoint();
            return morva::RunUnderHandler(
                gState,
                [](ProgramState& state) {
                    state.title.emplace(morva::kWindowTitle);
                    body();
                },
                stderr);
        }
    }
    std::fprintf(stderr, "usage: morva_fault_cases <case>\n");
    return 2;
}
