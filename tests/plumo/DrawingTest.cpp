// Drawing in software with kept scaled copies puts down, to the bit, what
// SDL's own scaled, mirrored, tinted and clipped copies put down.
#include <gtest/gtest.h>

#include <cmath>

#include "Harness.h"

namespace plumo::test {
namespace {

// A draw as the program makes it: source rect, destination rect, colour.
struct Draw {
    const char* picture;
    double numbers[12];
};

// Scaled up and down, mirrored either way, partly off the canvas, tinted and
// faded, and an opaque picture drawn whole and faded; `grow` widens a piece
// every frame, so it is never the same size twice, and draws it twice a frame;
// the large piece is kept from its first frame.
std::vector<Draw> DrawsOfFrame(int frame) {
    const double grow = 40 + 3 * frame;
    return {
        {"fade.zqtex", {0, 0, 64, 32, 10, 10, 200, 100, 1, 1, 1, 1}},
        {"fade.zqtex", {0, 0, 64, 32, 220, 10, 37, 19, 1, 1, 1, 1}},
        {"fade.zqtex", {64, 0, -64, 32, 300, 10, 150, 75, 1, 1, 1, 1}},
        {"fade.zqtex", {0, 32, 64, -32, 460, 10, 150.7, 75.2, 1, 1, 1, 1}},
        {"fade.zqtex", {8, 4, 40, 20, -60, 820, 300, 150, 1, 1, 1, 1}},
        {"fade.zqtex", {0, 0, 64, 32, 620, 10, 128, 64, 0.5, 1, 0.25, 0.7}},
        {"fade.zqtex", {0, 0, 64, 32, 760, 10, 64, 32, 1, 1, 1, 1}},
        {"fade.zqtex", {0, 0, 64, 32, 840, 10, 64, 32, 1, 1, 1, 0.5}},
        {"fade.zqtex", {0, 0, 64, 32, 10, 300, grow, 50, 1, 1, 1, 1}},
        {"fade.zqtex", {0, 0, 64, 32, 10, 400, grow, 50, 1, 1, 1, 1}},
        {"quad.zqtex", {0, 0, 64, 32, 1000, 10, 300, 150, 1, 1, 1, 1}},
        {"quad.zqtex", {0, 0, 64, 32, 1000, 200, 300, 150, 1, 1, 1, 0.5}},
        {"quad.zqtex", {64, 0, -64, 32, 1300, 800, 400, 200, 0.2, 0.4, 1, 1}},
        {"fade.zqtex", {0, 0, 64, 32, -200, 450, 1000, 400, 1, 1, 1, 1}},
    };
}

// Four stripes of falling alpha over a colour gradient.
uint32_t Fade(int x, int y) {
    const auto red = static_cast<uint32_t>(x * 4);
    const auto green = static_cast<uint32_t>(y * 8);
    const uint32_t alpha = 255 - static_cast<uint32_t>(x / 16) * 80;
    return red << 24 | green << 16 | 0x80u << 8 | alpha;
}

struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using Surface = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

Uint8 Byte(double factor) {
    return factor <= 0 ? 0 : factor >= 1 ? 255 : static_cast<Uint8>(std::lround(factor * 255));
}

// The frame as SDL's software renderer draws it straight from the pictures.
Surface Reference(const std::string& dir, int frame) {
    Surface canvas(SDL_CreateRGBSurfaceWithFormat(0, 1600, 900, 32, SDL_PIXELFORMAT_ARGB8888));
    SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(canvas.get());
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    std::map<std::string, SDL_Texture*> textures;
    for (const char* name : {"fade.zqtex", "quad.zqtex"}) {
        const std::string bytes = ReadText(dir + name);
        const auto width = static_cast<int>(
            texture_file::GetLe32(reinterpret_cast<const unsigned char*>(bytes.data()) + 12));
        const auto height = static_cast<int>(
            texture_file::GetLe32(reinterpret_cast<const unsigned char*>(bytes.data()) + 16));
        Surface picture(SDL_CreateRGBSurfaceWithFormatFrom(
            const_cast<char*>(bytes.data()) + texture_file::kHeaderBytes, width, height, 32,
            width * 4, SDL_PIXELFORMAT_RGBA32));
        textures[name] = SDL_CreateTextureFromSurface(renderer, picture.get());
        SDL_SetTextureBlendMode(textures[name], SDL_BLENDMODE_BLEND);
        SDL_SetTextureScaleMode(textures[name], SDL_ScaleModeLinear);
    }
    for (const Draw& draw : DrawsOfFrame(frame)) {
        const double* n = draw.numbers;
        int flip = SDL_FLIP_NONE;
        SDL_Rect source{static_cast<int>(n[0]), static_cast<int>(n[1]), static_cast<int>(n[2]),
                        static_cast<int>(n[3])};
        if (source.w < 0) {
            source.x += source.w;
            source.w = -source.w;
            flip |= SDL_FLIP_HORIZONTAL;
        }
        if (source.h < 0) {
            source.y += source.h;
            source.h = -source.h;
            flip |= SDL_FLIP_VERTICAL;
        }
        const SDL_FRect to{static_cast<float>(n[4]), static_cast<float>(n[5]),
                           static_cast<float>(n[6]), static_cast<float>(n[7])};
        SDL_Texture* texture = textures[draw.picture];
        SDL_SetTextureColorMod(texture, Byte(n[8]), Byte(n[9]), Byte(n[10]));
        SDL_SetTextureAlphaMod(texture, Byte(n[11]));
        SDL_RenderCopyExF(renderer, texture, &source, &to, 0, nullptr,
                          static_cast<SDL_RendererFlip>(flip));
    }
    SDL_RenderPresent(renderer);
    SDL_DestroyRenderer(renderer);
    return canvas;
}

// How many pixels differ, and the first that does.
std::string Compared(const std::string& shotFile, SDL_Surface* reference) {
    Surface loaded(IMG_Load(shotFile.c_str()));
    if (loaded == nullptr) {
        return IMG_GetError();
    }
    Surface shot(SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_ARGB8888, 0));
    int differing = 0;
    std::string first;
    for (int y = 0; y < reference->h; ++y) {
        for (int x = 0; x < reference->w; ++x) {
            const auto at = [&](SDL_Surface* s) {
                return static_cast<const uint32_t*>(s->pixels)[y * s->pitch / 4 + x] | 0xFF000000;
            };
            if (at(shot.get()) != at(reference) && differing++ == 0) {
                first = " first at " + std::to_string(x) + "," + std::to_string(y);
            }
        }
    }
    return std::to_string(differing) + " pixels differ" + first;
}

TEST(Drawing, SoftwareCopiesMatchSdlsOwnDrawingToTheBit) {
    const std::string dir = Library().dir;
    std::ofstream(dir + "fade.zqtex", std::ios::binary) << TextureBytes(64, 32, Fade);
    // Pieces made ahead from the list, mirrored, tinted and faded: frame 3
    // draws them from those copies.
    {
        std::ofstream list(dir + "pieces.txt");
        list << "# made ahead\n";
        const std::vector<Draw> draws = DrawsOfFrame(3);
        for (const int at : {2, 3, 5, 7, 11, 12}) {
            const Draw& draw = draws[at];
            list << draw.picture;
            for (const double number : draw.numbers) {
                list << ' ' << number;
            }
            list << '\n';
        }
        list << "quad.zqtex 1 2 3\n"
             << "quad.zqtex 0 0 64 32 0 0 1e300 1e300 1 1 1 1\n";
    }
    const std::string shots = Library().out + "drawing/";
    std::filesystem::create_directories(shots);
    uint64_t cell = 0;
    // Frame 1 draws through the scratch texture, frame 40 from kept copies.
    Open({{"PLUMO_VIDEO", "offscreen"}, {"PLUMO_SHOT_FRAMES", "1,3,40"}, {"PLUMO_SHOT_DIR", shots}},
         &cell);
    std::map<std::string, Texture*> pictures{{"fade.zqtex", Load("fade.zqtex")},
                                             {"quad.zqtex", Load("quad.zqtex")}};
    for (int frame = 0; frame <= 40; ++frame) {
        for (const Draw& draw : DrawsOfFrame(frame)) {
            const double* n = draw.numbers;
            Library().DrawTex(pictures[draw.picture], n[0], n[1], n[2], n[3], n[4], n[5], n[6],
                              n[7], n[8], n[9], n[10], n[11]);
        }
        Library().Act();
    }
    for (auto& [name, texture] : pictures) {
        Drop(texture);
    }
    Library().Free();
    std::filesystem::remove(dir + "pieces.txt");
    for (const int frame : {1, 3, 40}) {
        char file[32];
        std::snprintf(file, sizeof file, "frame-%06d.png", frame);
        EXPECT_EQ(Compared(shots + file, Reference(dir, frame).get()), "0 pixels differ")
            << "frame " << frame;
    }
}

// Pictures are kept for the session, but only while the file stays the one
// that was read: a texture replaced between two loads shows its new pixels,
// also when the new file has the old one's size and modification time.
TEST(Drawing, ATextureFileReplacedInASessionIsReadAgain) {
    const std::string dir = Library().dir;
    const std::string shots = Library().out + "rewritten/";
    std::filesystem::create_directories(shots);
    const auto write = [&](const std::string& name, uint32_t side, uint32_t rgba) {
        std::filesystem::remove(dir + name);
        std::ofstream(dir + name, std::ios::binary)
            << TextureBytes(side, side, [rgba](int, int) { return rgba; });
    };
    const struct {
        const char* name;
        uint32_t newSide;
        bool sameTime;  // the new file moved into place after taking the old one's time
    } kCases[] = {{"a new size", 32, false}, {"the same size and time", 16, true}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        write("swap.zqtex", 16, 0xff0000ff);
        uint64_t cell = 0;
        Open({{"PLUMO_VIDEO", "offscreen"}, {"PLUMO_SHOT_FRAMES", "1"}, {"PLUMO_SHOT_DIR", shots}},
             &cell);
        Drop(Load("swap.zqtex"));
        write("swap.new", c.newSide, 0x0000ffff);
        if (c.sameTime) {
            std::filesystem::last_write_time(dir + "swap.new",
                                             std::filesystem::last_write_time(dir + "swap.zqtex"));
        }
        std::filesystem::rename(dir + "swap.new", dir + "swap.zqtex");
        Texture* texture = Load("swap.zqtex");
        Library().DrawTex(texture, 0, 0, 16, 16, 0, 0, 32, 32, 1, 1, 1, 1);
        Library().Act();
        Library().DrawTex(texture, 0, 0, 16, 16, 0, 0, 32, 32, 1, 1, 1, 1);
        Library().Act();
        Drop(texture);
        Library().Free();
        Surface shot(IMG_Load((shots + "frame-000001.png").c_str()));
        ASSERT_NE(shot, nullptr);
        Surface rgba(SDL_ConvertSurfaceFormat(shot.get(), SDL_PIXELFORMAT_RGBA32, 0));
        const auto* pixel = static_cast<const uint8_t*>(rgba->pixels) + 20 * rgba->pitch + 20 * 4;
        EXPECT_EQ(std::vector<int>(pixel, pixel + 3), (std::vector<int>{0, 0, 255}));
    }
}

}  // namespace
}  // namespace plumo::test
