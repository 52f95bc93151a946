// The call trace, the ways a session ends, and the floating-point environment.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>

#include "Harness.h"

namespace plumo::test {
namespace {

class SessionTest : public ::testing::Test {
protected:
    void TearDown() override { Library().Free(); }

    uint64_t cell_ = 0;
};

TEST_F(SessionTest, TraceHoldsEveryTracedCallInOrder) {
    const auto dir = ScratchDir("trace");
    WriteQuadrantPng("quad.zqtex");
    WriteText(dir / "input.txt", "1 jump down\n2 jump up\n2 right down\n");
    SetSettings({{"PLUMO_VIDEO", "none"},
                 {"PLUMO_SEED", "5"},
                 {"PLUMO_REPLAY", (dir / "input.txt").string()},
                 {"PLUMO_TRACE", (dir / "out.trace").string()}});
    Open(&cell_);
    const Exports& lib = Library();
    Texture* texture = lib.LoadTex(OwnedString(u"quad.zqtex").get());
    Texture* second = lib.LoadTex(OwnedString(u"quad.zqtex").get());
    lib.DrawTex(texture, 0, 0, 64, 32, 10, 20, 64, 32, 1, 0.5, 0.25, 0.78);
    lib.Pad(0, 0);
    lib.Act();
    lib.DrawTexRot(second, 64, 0, -64, 32, -1000, 0, 128, 64, 64, 32, 1.0 / 60, 1, 1, 1, 1);
    const int64_t drawn = lib.Rnd(1, 6);
    lib.Sqrt(2);
    Drop(texture);
    lib.Act();
    Drop(second);
    lib.Free();

    EXPECT_EQ(ReadText(dir / "out.trace"),
              "plumo-trace 1\n"
              "Init \"MORVA var 0.2\"\n"
              "frame 0\n"
              "LoadTex \"quad.zqtex\" 1\n"
              "LoadTex \"quad.zqtex\" 2\n"
              "DrawTex 1 0 0 64 32 10 20 64 32 1 0.5 0.25 0.78\n"
              "frame 1\n"
              "pad 0 down\n"
              "DrawTexRot 2 64 0 -64 32 -1000 0 128 64 64 32 0.016666666666666666 1 1 1 1\n"
              "Rnd 1 6 " +
                  std::to_string(drawn) +
                  "\n"
                  "ReleaseTex 1\n"
                  "frame 2\n"
                  "pad 0 up\n"
                  "pad 13 down\n"
                  "ReleaseTex 2\n"
                  "Free\n");
}

TEST_F(SessionTest, FrameLimitEndsQuietlyAfterTheLastTracedFrame) {
    const auto dir = ScratchDir("limit");
    SetSettings({{"PLUMO_VIDEO", "none"},
                 {"PLUMO_FRAMES", "3"},
                 {"PLUMO_TRACE", (dir / "out.trace").string()}});
    Open(&cell_);
    Library().Act();
    Library().Act();
    EXPECT_EQ(cell_, 0u);
    try {
        Library().Act();
        FAIL() << "the third Act returned";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.code(), kQuietEnd);
    }
    EXPECT_NE(cell_, 0u);
    // The trace is complete on disk before the program even calls Free.
    const std::string trace = ReadText(dir / "out.trace");
    EXPECT_NE(trace.find("frame 2\n"), std::string::npos);
    EXPECT_EQ(trace.find("frame 3"), std::string::npos);
    Library().Free();
    EXPECT_EQ(ReadText(dir / "out.trace"), trace + "Free\n");
}

TEST_F(SessionTest, UnprovidedNamesRaiseTheirOwnName) {
    SetSettings({{"PLUMO_VIDEO", "none"}});
    Open(&cell_);
    for (const char* name : {"Exit", "Tan", "DbgLog", "StopBGMFade"}) {
        auto entry = reinterpret_cast<UnprovidedFn>(dlsym(LibraryHandle(), name));
        ASSERT_NE(entry, nullptr) << name;
        cell_ = 0;
        try {
            entry();
            ADD_FAILURE() << name << " returned";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.code(), kUnprovided);
            EXPECT_EQ(std::string(failure.what()),
                      std::string(name) + " is not provided by this library");
        }
        EXPECT_NE(cell_, 0u);
    }
}

TEST_F(SessionTest, MissingOrBrokenTextureNamesItsPath) {
    WriteText(LibraryDir() / "broken.zqtex", "not a picture at all, really not");
    for (const char* video : {"none", "offscreen"}) {
        SetSettings({{"PLUMO_VIDEO", video}});
        Open(&cell_);
        for (const char* name : {"absent.zqtex", "broken.zqtex"}) {
            try {
                Library().LoadTex(OwnedString(std::u16string(name, name + strlen(name))).get());
                ADD_FAILURE() << name << " loaded in " << video;
            } catch (const Failure& failure) {
                EXPECT_EQ(failure.code(), kLibraryFailure);
                const std::string path = (LibraryDir() / name).string();
                EXPECT_NE(std::string(failure.what()).find(path), std::string::npos)
                    << failure.what();
            }
        }
        Library().Free();
    }
}

TEST_F(SessionTest, RejectsAForeignParameterRecord) {
    OwnedString title(u"x");
    InitParams params{kProgramSignature + 1, kProgramMode, nullptr, nullptr, &cell_, title.get()};
    try {
        Library().Init(&params);
        FAIL() << "accepted a wrong signature";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.code(), kLibraryFailure);
    }
}

// The program's rounding mode and trap must survive every call, and the
// library's own work must not trip the trap.
TEST_F(SessionTest, ProgramFloatingPointEnvironmentSurvivesEveryCall) {
    WriteQuadrantPng("fp.zqtex");
    const auto dir = ScratchDir("fp");
    SetSettings({{"PLUMO_VIDEO", "offscreen"},
                 {"PLUMO_SHOT_FRAMES", "1"},
                 {"PLUMO_SHOT_DIR", dir.string()}});
    fenv_t original;
    fegetenv(&original);
    fesetround(FE_TOWARDZERO);
    feenableexcept(FE_INVALID);
    auto expectProgramEnv = [](const char* after) {
        EXPECT_EQ(fegetround(), FE_TOWARDZERO) << after;
        EXPECT_NE(fegetexcept() & FE_INVALID, 0) << after;
    };
    const Exports& lib = Library();
    Open(&cell_);
    expectProgramEnv("Init");
    Texture* texture = lib.LoadTex(OwnedString(u"fp.zqtex").get());
    expectProgramEnv("LoadTex");
    lib.DrawTexRot(texture, 0, 0, 64, 32, 100, 100, 640, 320, 320, 160, 0.3, 1, 1, 1, 0.5);
    expectProgramEnv("DrawTexRot");
    lib.Act();
    lib.DrawTex(texture, 0, 0, 64, 32, 0, 0, 1600, 900, 1, 1, 1, 1);
    lib.Act();
    expectProgramEnv("Act");
    EXPECT_TRUE(std::isnan(lib.Sqrt(-1)));
    expectProgramEnv("Sqrt");
    String* text = lib.IToS(-5, 0);
    lib.FreeMem(text);
    expectProgramEnv("IToS");
    try {
        lib.Rnd(1, 2);
        reinterpret_cast<UnprovidedFn>(dlsym(LibraryHandle(), "Floor"))();
    } catch (const Failure&) {
    }
    expectProgramEnv("a raising export");
    Drop(texture);
    expectProgramEnv("release");
    lib.Free();
    expectProgramEnv("Free");
    fesetenv(&original);
}

}  // namespace
}  // namespace plumo::test
