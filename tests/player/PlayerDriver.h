// Drives a Player the way the game scene does: controls through the
// accessors, then Update with the line height, UpdateTimers, drawing of all
// five lines and the end-of-frame clear. Records what each frame drew.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "FakeLibrary.h"
#include "player/Player.h"

namespace morva::testing {

inline constexpr std::array<int64_t, 5> kLines = {400, 500, 600, 700, 800};  // pixels
inline constexpr int64_t kStartLine = 3;
inline constexpr int64_t kFallFrames = 27;
inline constexpr double kCameraOffset = 800.0;  // pixels left of the player

struct Rect {
    double x, y, w, h;
    bool operator==(const Rect&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << "(" << r.x << ", " << r.y << ", " << r.w << ", " << r.h << ")";
}

inline Rect Source(const fake::DrawCall& call) {
    return {call.srcX(), call.srcY(), call.srcW(), call.srcH()};
}
inline Rect Destination(const fake::DrawCall& call) {
    return {call.dstX(), call.dstY(), call.dstW(), call.dstH()};
}
inline double Angle(const fake::DrawCall& call) {
    return call.args.at(10);
}

// What one frame put on screen, by picture.
struct FrameDraws {
    std::vector<fake::DrawCall> body;
    std::vector<fake::DrawCall> sword;
    std::vector<fake::DrawCall> smoke;
    std::vector<int64_t> linesDrawn;  // line heights whose Draw drew anything
    double viewX = 0.0;
};

class PlayerDriver : public ::testing::Test {
protected:
    void SetUp() override {
        player.Init();
        player.LoadSprites(0, 0, 1600, 900);
        player.InitAttackTable();
        player.InitSmoke();
        player.LoadSmokeSprite(0, 0, 1600, 900);
        player.SetLine(kStartLine);
    }

    // The scene's ground controls run only on the ground and out of an attack or hurt.
    bool GroundFree() const {
        const int64_t motion = player.GetMotion();
        return player.IsLanded() && motion != kMotionAttack && motion != kMotionHurt;
    }
    void StartMotion(int64_t motion) {
        player.SetStateChanged(true);
        player.SetMotion(motion);
    }
    void PushWalk(int64_t facing) {
        ASSERT_TRUE(GroundFree());
        player.SetFacing(facing);
        StartMotion(kMotionWalk);
    }
    void ReleaseWalk() { StartMotion(kMotionStand); }
    void HoldDash() {
        ASSERT_EQ(player.GetMotion(), kMotionWalk);
        StartMotion(kMotionDash);
    }
    void PushUp() {
        ASSERT_TRUE(GroundFree());
        player.SetLineMove(kLineMoveUp);
        player.SetMove(player.GetMoveX(), -player.GetWalkSpeed());
        player.AddLine(-1);
        if (player.GetLine() < 0) {
            player.SetLine(0);
        }
    }
    void PushDown() {
        ASSERT_TRUE(GroundFree());
        player.SetLineMove(kLineMoveDown);
        player.SetMove(player.GetMoveX(), player.GetWalkSpeed());
        player.AddLine(1);
        if (player.GetLine() > static_cast<int64_t>(kLines.size()) - 1) {
            player.SetLine(static_cast<int64_t>(kLines.size()) - 1);
        }
    }
    // Starts an attack when free to, and in the same frame tries the chain.
    void PushAttack() {
        if (GroundFree()) {
            StartMotion(kMotionAttack);
        }
        if (player.GetMotion() == kMotionAttack) {
            player.ChainAttack();
        }
    }

    FrameDraws Frame() {
        player.Update(kLines.at(static_cast<std::size_t>(player.GetLine())));
        player.UpdateTimers();
        FrameDraws frame;
        frame.viewX = followCamera ? player.GetX() - kCameraOffset : 0.0;
        for (int64_t lineY : kLines) {
            library.draws.clear();
            player.Draw(frame.viewX, 0.0, lineY);
            if (!library.draws.empty()) {
                frame.linesDrawn.push_back(lineY);
            }
            Collect(frame);
        }
        player.SetStateChanged(false);
        return frame;
    }
    void Frames(int64_t count) {
        for (int64_t i = 0; i < count; ++i) {
            Frame();
        }
    }
    void FallIn() {
        Frames(kFallFrames);
        ASSERT_TRUE(player.IsLanded());
        ASSERT_EQ(player.GetY(), 700.0);
    }

    fake::FakeLibrary library;
    Player player;
    bool followCamera = false;

private:
    void Collect(FrameDraws& frame) const {
        for (const auto& call : library.draws) {
            const std::string name = library.TextureName(call.texture);
            if (name == "pelomar256.zqtex") {
                frame.body.push_back(call);
            } else if (name == "sword.zqtex") {
                frame.sword.push_back(call);
            } else if (name == "smog.zqtex") {
                frame.smoke.push_back(call);
            } else {
                ADD_FAILURE() << "unexpected draw of " << name << ": " << call;
            }
        }
    }
};

}  // namespace morva::testing
