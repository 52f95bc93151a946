// Binding from a library handle: every name in order, the first missing name
// stops it, and nothing bound before survives a new binding.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "frame/Startup.h"

namespace morva {
namespace {

constexpr std::size_t kInit = 0;
constexpr std::size_t kSort = 61;
constexpr std::size_t kStopBGMFade = 122;

class LoadedStub {
public:
    explicit LoadedStub(const std::string& variant) {
        const std::string path = std::string(MORVA_STUB_DIR) + "/" + variant + ".zqd";
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    ~LoadedStub() {
        lib::ClearBindings();
        if (handle != nullptr) {
            dlclose(handle);
        }
    }
    LoadedStub(const LoadedStub&) = delete;
    LoadedStub& operator=(const LoadedStub&) = delete;

    void* handle = nullptr;
};

TEST(BindExports, ACompleteLibraryFillsEverySlotWithItsOwnExport) {
    const LoadedStub stub("complete");
    ASSERT_NE(stub.handle, nullptr) << dlerror();

    ASSERT_EQ(BindExports(stub.handle), lib::kExportCount);
    for (std::size_t i = 0; i < lib::kExportCount; ++i) {
        ASSERT_NE(lib::Bindings()[i], nullptr) << lib::kExportNames[i];
        EXPECT_EQ(lib::Bindings()[i], dlsym(stub.handle, lib::kExportNames[i]))
            << lib::kExportNames[i];
    }
}

struct Lacking {
    std::string variant;
    std::size_t missing;
};

void PrintTo(const Lacking& lacking, std::ostream* out) {
    *out << lacking.variant;
}

class BindExportsLacking : public ::testing::TestWithParam<Lacking> {};

TEST_P(BindExportsLacking, StopsAtTheMissingNameAndLeavesLaterSlotsEmpty) {
    const LoadedStub stub(GetParam().variant);
    ASSERT_NE(stub.handle, nullptr) << dlerror();
    // Leftovers of an earlier binding must not survive.
    static int leftover = 0;
    lib::Bindings().fill(&leftover);

    ASSERT_EQ(BindExports(stub.handle), GetParam().missing);
    for (std::size_t i = 0; i < lib::kExportCount; ++i) {
        if (i < GetParam().missing) {
            EXPECT_EQ(lib::Bindings()[i], dlsym(stub.handle, lib::kExportNames[i]))
                << lib::kExportNames[i];
        } else {
            EXPECT_EQ(lib::Bindings()[i], nullptr) << lib::kExportNames[i];
        }
    }
    EXPECT_EQ(lib::IsBound(lib::Export::Free), GetParam().missing > 1);
}

INSTANTIATE_TEST_SUITE_P(FirstMiddleLast, BindExportsLacking,
                         ::testing::Values(Lacking{"lacks_init", kInit},
                                           Lacking{"lacks_sort", kSort},
                                           Lacking{"lacks_stop_bgm_fade", kStopBGMFade}));

TEST(BindExports, TheChosenNamesSitWhereTheTestsExpectThem) {
    EXPECT_STREQ(lib::kExportNames[kInit], "Init");
    EXPECT_STREQ(lib::kExportNames[kSort], "Sort");
    EXPECT_STREQ(lib::kExportNames[kStopBGMFade], "StopBGMFade");
}

TEST(LibraryPath, IsBesideTheExecutableWhateverTheWorkingDirectory) {
    const std::string expected = ExecutableDirectory() + "/Data/Plumo.zqd";
    EXPECT_EQ(LibraryPath(), expected);
    EXPECT_TRUE(ExecutableDirectory().starts_with("/")) << ExecutableDirectory();
}

}  // namespace
}  // namespace morva
