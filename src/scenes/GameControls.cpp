#include "scenes/GameControls.h"

namespace morva {
namespace {

bool IsBusy(Motion motion) {
    return motion == Motion::Attack || motion == Motion::Hurt;
}

void StartMotion(Player& player, Motion motion) {
    player.SetStateChanged(true);
    player.SetMotion(motion);
}

void ChangeLine(Player& player, LineMove way) {
    const bool up = way == LineMove::Up;
    player.SetLineMove(way);
    player.SetMove(player.GetMoveX(), up ? -player.GetWalkSpeed() : player.GetWalkSpeed());
    player.AddLine(up ? -1 : 1);
    if (player.GetLine() < kTopLine) {
        player.SetLine(kTopLine);
    }
    if (player.GetLine() > kBottomLine) {
        player.SetLine(kBottomLine);
    }
}

}  // namespace

void GroundControls(const InputState& input, Player& player) {
    if (!player.IsLanded() || IsBusy(player.GetMotion())) {
        return;
    }
    if (input.PushedRight()) {
        player.SetFacing(Facing::Right);
        StartMotion(player, Motion::Walk);
    }
    if (input.PushedLeft()) {
        player.SetFacing(Facing::Left);
        StartMotion(player, Motion::Walk);
    }
    if (input.PushedJump()) {
        player.SetLanded(false);
        // Upward and away from the way the player faces.
        const double speed = player.GetJumpSpeed();
        player.SetMove(-Ahead(player.GetFacing()) * speed, -speed);
    }
    if (input.PushedUp()) {
        ChangeLine(player, LineMove::Up);
    }
    if (input.PushedDown()) {
        ChangeLine(player, LineMove::Down);
    }
    if (input.PushedAttack()) {
        StartMotion(player, Motion::Attack);
    }
}

void MovementControls(const InputState& input, Player& player) {
    if (IsBusy(player.GetMotion())) {
        return;
    }
    if (input.ReleasedRight() || input.ReleasedLeft()) {
        StartMotion(player, Motion::Stand);
    }
    if (input.HeldDash() && player.GetMotion() == Motion::Walk) {
        StartMotion(player, Motion::Dash);
    }
    if (input.ReleasedDash() && player.GetMotion() == Motion::Dash) {
        StartMotion(player, Motion::Walk);
    }
}

void AttackChain(const InputState& input, Player& player) {
    if (player.GetMotion() == Motion::Attack && input.PushedAttack()) {
        player.ChainAttack();
    }
}

}  // namespace morva
