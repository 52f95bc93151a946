#include "Textures.h"

#include <cmath>
#include <cstddef>
#include <memory>
#include <numbers>
#include <vector>

#include "FloatingPoint.h"
#include "Png.h"

namespace plumo {

// The handle the program holds; the header must stay first.
struct TextureObject {
    Texture header;
    uint64_t generation;  // of the Textures it came from
    int64_t id;
    SDL_Texture* sdl;
    TextureObject* prev;
    TextureObject* next;
};
static_assert(offsetof(TextureObject, header) == 0);

namespace {

// The open session's textures; generations count every session's, so a handle
// can tell whether the textures it came from are still open.
Textures* gOpen = nullptr;
uint64_t gGenerations = 0;

// Where the numbers of a draw call stand.
constexpr size_t kDestination = 4;
constexpr size_t kCentre = 8;
constexpr size_t kAngle = 10;  // radians
constexpr size_t kRotatedCount = 15;

std::string Shown(const std::string& path) {
    return Printable(path, kShownPathBytes);
}

InputFile OpenTexture(const std::string& path) {
    InputFile file;
    const std::string why = file.Open(path);
    if (!why.empty()) {
        Raise(kLibraryFailure, "cannot read texture " + Shown(path) + ": " + why);
    }
    return file;
}

struct FreeSurface {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};

SDL_Texture* Decode(SDL_Renderer* renderer, const std::string& path) {
    const std::string refusal = "cannot read texture " + Shown(path);
    PngDecoder png(OpenTexture(path), refusal);
    const std::unique_ptr<SDL_Surface, FreeSurface> image(
        SDL_CreateRGBSurfaceWithFormat(0, static_cast<int>(png.Width()),
                                       static_cast<int>(png.Height()), 32, SDL_PIXELFORMAT_RGBA32));
    if (image == nullptr) {
        Raise(kLibraryFailure, refusal + ": " + SDL_GetError());
    }
    png.Decode([&](uint32_t y) {
        return static_cast<uint8_t*>(image->pixels) + size_t{y} * image->pitch;
    });
    SDL_Texture* sdl = SDL_CreateTextureFromSurface(renderer, image.get());
    if (sdl == nullptr) {
        Raise(kLibraryFailure, "cannot create texture " + Shown(path) + ": " + SDL_GetError());
    }
    SDL_SetTextureBlendMode(sdl, SDL_BLENDMODE_BLEND);
    SDL_SetTextureScaleMode(sdl, SDL_ScaleModeLinear);
    return sdl;
}

Uint8 ToByte(double factor) {
    if (!(factor > 0.0)) {
        return 0;
    }
    if (factor >= 1.0) {
        return 255;
    }
    return static_cast<Uint8>(std::lround(factor * 255.0));
}

int Rounded(double value) {
    return static_cast<int>(std::lround(value));
}

// A negative source size mirrors the picture along that axis.
SDL_Rect Source(std::span<const double> numbers, int& flip) {
    double x = numbers[0];
    double y = numbers[1];
    double w = numbers[2];
    double h = numbers[3];
    flip = SDL_FLIP_NONE;
    if (w < 0) {
        x += w;
        w = -w;
        flip |= SDL_FLIP_HORIZONTAL;
    }
    if (h < 0) {
        y += h;
        h = -h;
        flip |= SDL_FLIP_VERTICAL;
    }
    return {Rounded(x), Rounded(y), Rounded(w), Rounded(h)};
}

void Render(SDL_Renderer* renderer, SDL_Texture* sdl, std::span<const double> numbers) {
    int flip = SDL_FLIP_NONE;
    const SDL_Rect source = Source(numbers, flip);
    const auto to = numbers.subspan<kDestination, 4>();
    const SDL_FRect destination{static_cast<float>(to[0]), static_cast<float>(to[1]),
                                static_cast<float>(to[2]), static_cast<float>(to[3])};
    const auto colour = numbers.last<4>();
    SDL_SetTextureColorMod(sdl, ToByte(colour[0]), ToByte(colour[1]), ToByte(colour[2]));
    SDL_SetTextureAlphaMod(sdl, ToByte(colour[3]));
    const auto mirror = static_cast<SDL_RendererFlip>(flip);
    // The software renderer turns through a costly rotozoom even for angle 0.
    if (numbers.size() == kRotatedCount && numbers[kAngle] != 0.0) {
        const SDL_FPoint centre{static_cast<float>(numbers[kCentre]),
                                static_cast<float>(numbers[kCentre + 1])};
        const double degrees = numbers[kAngle] * (180.0 / std::numbers::pi);
        SDL_RenderCopyExF(renderer, sdl, &source, &destination, degrees, &centre, mirror);
    } else if (flip != SDL_FLIP_NONE) {
        SDL_RenderCopyExF(renderer, sdl, &source, &destination, 0.0, nullptr, mirror);
    } else {
        SDL_RenderCopyF(renderer, sdl, &source, &destination);
    }
}

}  // namespace

// The release every handle carries; the program calls it for the last reference.
void ReleaseTexture(Texture* texture) {
    FpGuard guard;
    auto* object = reinterpret_cast<TextureObject*>(texture);
    if (object == nullptr) {
        return;
    }
    if (gOpen != nullptr && object->generation == gOpen->generation) {
        gOpen->Forget(object);
    }
    delete object;
}

Textures::Textures(const Display& display, LineWriter& trace)
    : display(display), trace(trace), generation(++gGenerations) {
    gOpen = this;
}

// Handles the program still holds stay valid, drawing nothing.
Textures::~Textures() {
    for (TextureObject* texture = first; texture != nullptr;) {
        TextureObject* next = texture->next;
        if (texture->sdl != nullptr) {
            SDL_DestroyTexture(texture->sdl);
        }
        texture->sdl = nullptr;
        texture->prev = nullptr;
        texture->next = nullptr;
        texture = next;
    }
    gOpen = nullptr;
}

Texture* Textures::Load(const std::string& name) {
    const std::string path = folder + "/" + name;
    SDL_Renderer* renderer = display.Renderer();
    SDL_Texture* sdl = nullptr;
    if (renderer == nullptr) {
        Check(path);
    } else {
        sdl = Decode(renderer, path);
    }
    auto* object =
        new TextureObject{{1, &ReleaseTexture}, generation, ++lastId, sdl, nullptr, first};
    if (first != nullptr) {
        first->prev = object;
    }
    first = object;
    trace.Word("LoadTex").Quoted(name).Int(object->id).EndLine();
    return &object->header;
}

void Textures::Check(const std::string& path) {
    InputFile file = OpenTexture(path);
    const FileStamp stamp = file.Stamp();
    const auto known = checked.find(path);
    if (known != checked.end() && known->second == stamp) {
        return;
    }
    PngDecoder png(std::move(file), "cannot read texture " + Shown(path));
    std::vector<uint8_t> row(size_t{png.Width()} * 4);
    png.Decode([&](uint32_t) { return row.data(); });
    checked[path] = stamp;
}

void Textures::Forget(TextureObject* texture) {
    trace.Word("ReleaseTex").Int(texture->id).EndLine();
    if (texture->sdl != nullptr) {
        SDL_DestroyTexture(texture->sdl);
        texture->sdl = nullptr;
    }
    if (texture->prev != nullptr) {
        texture->prev->next = texture->next;
    } else if (first == texture) {
        first = texture->next;
    }
    if (texture->next != nullptr) {
        texture->next->prev = texture->prev;
    }
}

void Textures::Draw(const char* name, Texture* texture, std::span<const double> numbers) {
    if (texture == nullptr) {
        Raise(kLibraryFailure, std::string(name) + " was given no texture");
    }
    auto* object = reinterpret_cast<TextureObject*>(texture);
    if (trace.IsOpen()) {
        trace.Word(name).Int(object->id);
        for (const double number : numbers) {
            trace.Num(number);
        }
        trace.EndLine();
    }
    if (object->sdl != nullptr) {
        Render(display.Renderer(), object->sdl, numbers);
    }
}

}  // namespace plumo
