// Binding from a library handle: every name in order, the first missing name
// stops it, and nothing bound before survives a new binding.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "frame/Startup.h"

namespace morva {
namespace {

TEST(BindExports, StopsAtTheFirstMissingNameAndLeavesLaterSlotsEmpty) {
    const struct {
        const char* variant;
        std::size_t bound;        // slots bound: the index of the missing name
        const char* missingName;  // the name at that index
    } kCases[] = {{"complete", lib::kExportCount, ""},
                  {"lacks_init", 0, "Init"},
                  {"lacks_sort", 61, "Sort"},
                  {"lacks_stop_bgm_fade", 122, "StopBGMFade"}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.variant);
        const std::string path = std::string(MORVA_STUB_DIR) + "/" + c.variant + ".zqd";
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
        static int leftover = 0;  // of an earlier binding, which must not survive
        lib::Bindings().fill(&leftover);

        ASSERT_EQ(BindExports(handle), c.bound);
        if (c.bound < lib::kExportCount) {
            EXPECT_STREQ(lib::kExportNames[c.bound], c.missingName);
        }
        for (std::size_t i = 0; i < lib::kExportCount; ++i) {
            EXPECT_EQ(lib::Bindings()[i],
                      i < c.bound ? dlsym(handle, lib::kExportNames[i]) : nullptr)
                << lib::kExportNames[i];
        }
        lib::ClearBindings();
        dlclose(handle);
    }
}

}  // namespace
}  // namespace morva
