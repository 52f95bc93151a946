#include "Pause.h"

#include "StopSignals.h"

namespace plumo {
namespace {

// The text's font pixels in pixels of the game's 1600 x 900 screen.
constexpr int kTextScale = 3;

// What the paused frame keeps of its brightness, out of 255.
constexpr Uint8 kDimmed = 90;
// How often the wait looks for a stop signal and a notice run out.
constexpr int kWakeMs = 100;

}  // namespace

Pause::Pause(Display& display, Devices& devices, const Bindings& bindings, Rebind rebind)
    : display(display),
      devices(devices),
      rebind(std::move(rebind)),
      page(bindings),
      panel(page.Lines(), kTextScale, ControlsPage::Columns()) {
    devices.OnPausedPress([this](const Press& press) { Pressed(press); });
}

Pause::~Pause() {
    devices.OnPausedPress({});
    ReleasePicture();
}

void Pause::ReleasePicture() {
    if (picture != nullptr) {
        SDL_DestroyTexture(picture);
        picture = nullptr;
    }
}

void Pause::Capture() {
    ReleasePicture();
    picture = display.CaptureOutput();
    if (picture != nullptr) {
        SDL_SetTextureColorMod(picture, kDimmed, kDimmed, kDimmed);
    }
}

void Pause::Pressed(const Press& press) {
    switch (page.Handle(press, SDL_GetTicks64())) {
        case ControlsPage::Outcome::kNothing:
            return;
        case ControlsPage::Outcome::kRedraw:
            break;
        case ControlsPage::Outcome::kRebound:
            page.Saved(rebind(page.Current()));
            break;
        case ControlsPage::Outcome::kResume:
            devices.Resume();
            return;
    }
    changed = true;
}

void Pause::Hold(const std::function<void()>& shoot) {
    devices.BeginPause();
    page.Reset();
    for (bool draw = true; devices.Paused() && !devices.Closed() && !StopRequested();
         draw = devices.WaitWhilePaused(kWakeMs)) {
        draw = page.Expire(SDL_GetTicks64()) || draw || changed;
        if (!draw) {
            continue;
        }
        Draw();
        if (devices.TakeShotRequest()) {
            shoot();
        }
        display.Show();
    }
    // A shot asked for in the same breath as the resume is still of the paused picture.
    if (devices.TakeShotRequest()) {
        Draw();
        shoot();
    }
    ReleasePicture();
}

void Pause::Draw() {
    changed = false;
    panel.SetLines(page.Lines());
    display.CoverOutput(picture);
    panel.Draw(display.Renderer());
}

}  // namespace plumo
