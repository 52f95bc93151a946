// Built by the web build (with the program's toward-zero arithmetic) and run
// under node by fault-cases.sh: one failure under the top-level handler,
// named by the argument. Standard error gets the handler's line, standard
// output what the shutdown did, the exit code is the handler's.
#include <cstdio>
#include <string_view>

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

struct Case {
    const char* name;
    void (*body)();
};

constexpr Case kCases[] = {
    {"invalid-operation",
     [] {
         volatile double zero = 0.0;
         volatile double nan = zero / zero;
         (void)nan;
     }},
    {"invalid-conversion",
     [] {
         volatile double huge = 1e300;
         volatile int64_t whole = static_cast<int64_t>(huge * 10.0);
         (void)whole;
     }},
    {"float-division-by-zero",
     [] {
         // Masked: an infinity, and the game goes on to end quietly.
         volatile double zero = 0.0;
         volatile double infinity = 1.0 / zero;
         if (infinity > 1e308) {
             throw plumo::Failure(plumo::kQuietEnd, "closed");
         }
     }},
    {"rounding",
     [] {
         // Toward zero, 0.1 + 0.2 is 0.3; to nearest (as folded here) a hair more.
         volatile double tenth = 0.1, fifth = 0.2;
         if (tenth + fifth != 0.3 || tenth + fifth == 0.1 + 0.2) {
             throw plumo::Failure(plumo::kLibraryFailure, "0.1 + 0.2 rounded to nearest");
         }
         throw plumo::Failure(plumo::kQuietEnd, "closed");
     }},
};

}  // namespace

int main(int argc, char** argv) {
    for (const Case& c : kCases) {
        if (argc == 2 && std::string_view(argv[1]) == c.name) {
            lib::Bindings()[static_cast<std::size_t>(lib::Export::Free)] =
                reinterpret_cast<void*>(&RecordingFree);
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
    std::fprintf(stderr, "usage: morva-fault-cases <case>\n");
    return 2;
}
