#include "app/FaultReport.h"

#include <atomic>
#include <string>

#include "app/Platform.h"

namespace morva::platform {
namespace {

std::atomic<bool> gLoaderBusy{false};
std::array<char, 512> gLoaderActivity{};

}  // namespace

const char* LoaderBusyWith() {
    return gLoaderBusy ? gLoaderActivity.data() : nullptr;
}

LoaderActivity::LoaderActivity(const std::string& activity) {
    const std::size_t size = activity.copy(gLoaderActivity.data(), gLoaderActivity.size() - 1);
    gLoaderActivity[size] = '\0';
    gLoaderBusy = true;
}

LoaderActivity::~LoaderActivity() {
    gLoaderBusy = false;
}

}  // namespace morva::platform
