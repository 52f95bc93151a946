// A web page has no processor faults to catch: the program's invalid
// floating-point operations raise an ordinary failure (exact/TowardZero.cpp),
// and a WebAssembly trap ends the program in the page's own handler.
#include <string>

#include "app/FaultReport.h"
#include "app/Platform.h"

namespace morva::platform {

std::string DescribeAddress(uintptr_t address) {
    Line line;
    line.Hex(address);
    return std::string(line.View());
}

FaultCatcher::FaultCatcher(std::FILE*, int) {}
FaultCatcher::~FaultCatcher() = default;
void FaultCatcher::WatchShutdown(const std::string&) {}
void FaultCatcher::StopWatching() {}

std::string RunCatchingFaults(const std::function<void()>& step) {
    step();
    return "";
}

}  // namespace morva::platform
