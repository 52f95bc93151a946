// The scene loop: creates the font, the input state and the scene selector
// once and alternates the title screen and the game scene for ever.
#pragma once

namespace morva {

// Returns only by a failure, normally the window closing inside Act.
void Main();

}  // namespace morva
