// A box of text lines in the library's 5 x 7 font, drawn over the whole output
// in its own pixels: every font pixel is a square of whole output pixels and
// the box stands centred, so the letters are sharp at any window size.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Sdl.h"

namespace plumo {

struct PanelColour {
    Uint8 r, g, b, a;
};

// Text starting `column` characters from the panel's left.
struct PanelSpan {
    int column;
    std::string text;
    PanelColour colour;
};

struct PanelLine {
    std::vector<PanelSpan> spans;  // none: an empty line
    int size = 1;                  // font pixels this many times the text's
    bool centred = false;          // its spans, as one run, centred instead
};

// Where a panel stands on an output of a given size.
struct PanelPlacement {
    struct Text {
        std::string_view text;
        int x, y;   // top-left corner, output pixels
        int pixel;  // output pixels per font pixel
        PanelColour colour;
    };
    int scale = 1;  // output pixels per font pixel of the ordinary text
    SDL_Rect box{};
    std::vector<Text> texts;
};

class Panel {
public:
    // `gameScale`: the text's font pixels in the game's own screen pixels;
    // the panel keeps that share of the picture at every window size.
    Panel(std::vector<PanelLine> lines, int gameScale);

    PanelPlacement Place(int outputW, int outputH) const;
    // Draws over what the renderer holds; its logical size is left as it was.
    void Draw(SDL_Renderer* renderer);

private:
    std::vector<PanelLine> lines;
    int gameScale;
    int width = 0;              // font pixels, padding included
    int height = 0;             // font pixels, padding included
    std::vector<SDL_Rect> ink;  // kept to reuse its memory
};

}  // namespace plumo
