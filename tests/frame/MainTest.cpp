// The scene loop against the fake library: what it sets up first, and that
// only a failure leaves it.
#include <gtest/gtest.h>

#include <plumo/Abi.h>

#include "FakeLibrary.h"
#include "frame/Main.h"

namespace morva {
namespace {

TEST(Main, LoadsTheFontFirstAndLeavesOnlyByTheClosedWindow) {
    fake::FakeLibrary library;
    library.actLimit = 5;

    EXPECT_THROW(Main(), plumo::Failure);

    ASSERT_FALSE(library.loads.empty());
    EXPECT_EQ(library.loads.front(), "font_128_64.zqtex");
    EXPECT_EQ(library.acts, 5);
}

}  // namespace
}  // namespace morva
