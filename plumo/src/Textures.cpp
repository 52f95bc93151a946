#include "Textures.h"

#include <cmath>
#include <cstddef>
#include <locale>
#include <memory>
#include <numbers>
#include <sstream>
#include <vector>

#include "Failures.h"
#include "FilePath.h"
#include "FloatingPoint.h"
#include "plumo/TextureFile.h"

namespace plumo {

// The handle the program holds; the header must stay first.
struct TextureObject {
    Texture header;
    uint64_t generation;  // of the Textures it came from
    int64_t id;
    SDL_Texture* sdl;
    // Shared with the store and other textures of the same file.
    std::shared_ptr<const Picture> picture;
    std::string path;
    int homeBlit;  // the kind of draw its own SDL texture is kept for; -1 before the first
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
constexpr double kMaxListedNumber = 1e6;

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

// Opens a texture file and checks its header against its size: all that can
// be wrong with one, so every mode refuses the same files without reading
// their pixels.
texture_file::Header ReadHeader(InputFile& file, const std::string& path) {
    unsigned char bytes[texture_file::kHeaderBytes];
    std::string why = ReadExactly(file, bytes, sizeof bytes);
    texture_file::Header header;
    if (why.empty()) {
        why = texture_file::Parse(bytes, static_cast<uint64_t>(file.Stamp().size), header);
    }
    if (!why.empty()) {
        Raise(kLibraryFailure, "cannot read texture " + Shown(path) + ": " + why);
    }
    return header;
}

bool RendersInSoftware(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    return SDL_GetRendererInfo(renderer, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE) != 0;
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

// What a draw's numbers ask of a picture.
struct Plan {
    SDL_Rect source;
    int flip;
    SDL_FRect destination;
    Uint8 red, green, blue, alpha;
    SDL_BlendMode mode;
    int blit;     // which of colour, alpha and blending it applies
    bool turned;  // drawn at an angle
};

Plan PlanOf(const Picture& picture, std::span<const double> numbers) {
    Plan plan{};
    plan.source = Source(numbers, plan.flip);
    const auto to = numbers.subspan<kDestination, 4>();
    plan.destination = {static_cast<float>(to[0]), static_cast<float>(to[1]),
                        static_cast<float>(to[2]), static_cast<float>(to[3])};
    const auto colour = numbers.last<4>();
    plan.alpha = ToByte(colour[3]);
    plan.red = ToByte(colour[0]);
    plan.green = ToByte(colour[1]);
    plan.blue = ToByte(colour[2]);
    plan.mode = picture.opaque && plan.alpha == 255 ? SDL_BLENDMODE_NONE : SDL_BLENDMODE_BLEND;
    plan.blit = ((plan.red & plan.green & plan.blue) != 255 ? 1 : 0) | (plan.alpha != 255 ? 2 : 0) |
                (plan.mode == SDL_BLENDMODE_BLEND ? 4 : 0);
    // The software renderer turns through a costly rotozoom even for angle 0.
    plan.turned = numbers.size() == kRotatedCount && numbers[kAngle] != 0.0;
    return plan;
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
        Unload(texture);
        texture->prev = nullptr;
        texture->next = nullptr;
        texture = next;
    }
    gOpen = nullptr;
}

void Textures::SetFolder(std::string path, bool readAhead) {
    folder = std::move(path);
    if (readAhead) {
        pictures.ReadAhead(folder);
        ReadPieceList(JoinPath(folder, kPieceList));
    }
}

Texture* Textures::Load(const std::string& name) {
    const std::string path = JoinPath(folder, name);
    InputFile file = OpenTexture(path);
    const texture_file::Header header = ReadHeader(file, path);
    SDL_Renderer* renderer = display.Renderer();
    SDL_Texture* sdl = nullptr;
    std::shared_ptr<const Picture> picture;
    if (renderer != nullptr) {
        if (!copies.has_value() && RendersInSoftware(renderer)) {
            copies.emplace(renderer);
        }
        picture = pictures.Find(path, file.Stamp());
        if (picture == nullptr) {
            std::string why;
            picture = ReadPicture(file, header, why);
            if (picture == nullptr) {
                Raise(kLibraryFailure, "cannot read texture " + Shown(path) + ": " + why);
            }
            // It may replace pixels that copies were prepared from.
            if (copies.has_value()) {
                copies->ForgetPrepared();
            }
            pictures.Keep(path, file.Stamp(), picture);
        }
        // In software most textures are only ever drawn through scaled copies.
        if (!copies.has_value()) {
            sdl = Upload(*picture, path);
        }
    }
    auto* object = new TextureObject{{1, &ReleaseTexture},
                                     generation,
                                     ++lastId,
                                     sdl,
                                     std::move(picture),
                                     path,
                                     -1,
                                     nullptr,
                                     first};
    if (first != nullptr) {
        first->prev = object;
    }
    first = object;
    // A game setting up: what is not ready now would only slow its frames.
    if (preparing) {
        preparing = false;
        nextListed = listed.size();
        copies->EndPreparing(display.Frames());
    }
    trace.Word("LoadTex").Quoted(name).Int(object->id).EndLine();
    return &object->header;
}

SDL_Texture* Textures::Upload(const Picture& picture, const std::string& path) {
    SDL_Texture* sdl = SDL_CreateTextureFromSurface(display.Renderer(), picture.surface);
    if (sdl == nullptr) {
        Raise(kLibraryFailure, "cannot create texture " + Shown(path) + ": " + SDL_GetError());
    }
    SDL_SetTextureScaleMode(sdl, SDL_ScaleModeLinear);
    return sdl;
}

// Made on the first draw that needs it: in software most textures never do.
SDL_Texture* Textures::Own(TextureObject& object) {
    if (object.sdl == nullptr) {
        object.sdl = Upload(*object.picture, object.path);
    }
    return object.sdl;
}

void Textures::Unload(TextureObject* texture) {
    if (copies.has_value()) {
        copies->Forget(texture);
    }
    if (texture->sdl != nullptr) {
        SDL_DestroyTexture(texture->sdl);
        texture->sdl = nullptr;
    }
    texture->picture.reset();
}

void Textures::Forget(TextureObject* texture) {
    trace.Word("ReleaseTex").Int(texture->id).EndLine();
    Unload(texture);
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
    if (!trace.IsOpen() && object->picture == nullptr) {
        return;
    }
    FpGuard guard;
    if (trace.IsOpen()) {
        trace.Word(name).Int(object->id);
        for (const double number : numbers) {
            trace.Num(number);
        }
        trace.EndLine();
    }
    if (object->picture != nullptr) {
        Render(*object, numbers);
    }
}

void Textures::Render(TextureObject& object, std::span<const double> numbers) {
    SDL_Renderer* renderer = display.Renderer();
    Plan plan = PlanOf(*object.picture, numbers);
    const auto use = [&](SDL_Texture* sdl) {
        SDL_SetTextureColorMod(sdl, plan.red, plan.green, plan.blue);
        SDL_SetTextureAlphaMod(sdl, plan.alpha);
        SDL_SetTextureBlendMode(sdl, plan.mode);
        return sdl;
    };
    const auto mirror = static_cast<SDL_RendererFlip>(plan.flip);
    if (plan.turned) {
        const SDL_FPoint centre{static_cast<float>(numbers[kCentre]),
                                static_cast<float>(numbers[kCentre + 1])};
        const double degrees = numbers[kAngle] * (180.0 / std::numbers::pi);
        SDL_RenderCopyExF(renderer, use(Own(object)), &plan.source, &plan.destination, degrees,
                          &centre, mirror);
        return;
    }
    SDL_Rect part{};
    if (SDL_Texture* copy =
            ScaledCopy(object, plan.source, plan.flip, plan.blit, plan.destination, part);
        copy != nullptr) {
        SDL_RenderCopyF(renderer, use(copy), &part, &plan.destination);
    } else if (plan.flip != SDL_FLIP_NONE) {
        SDL_RenderCopyExF(renderer, use(Own(object)), &plan.source, &plan.destination, 0.0, nullptr,
                          mirror);
    } else {
        SDL_RenderCopyF(renderer, use(Own(object)), &plan.source, &plan.destination);
    }
}

// What SDL does with the numbers before it blits: the source clipped to the
// picture, the destination scaled to the output and truncated. False when
// nothing would be drawn.
bool Textures::CopySize(const Picture& picture, SDL_Rect& source, const SDL_FRect& destination,
                        int& width, int& height) const {
    const SDL_Rect bounds{0, 0, picture.surface->w, picture.surface->h};
    if (!SDL_IntersectRect(&source, &bounds, &source)) {
        return false;
    }
    float scaleX = 1;
    float scaleY = 1;
    SDL_RenderGetScale(display.Renderer(), &scaleX, &scaleY);
    width = static_cast<int>(destination.w * scaleX);
    height = static_cast<int>(destination.h * scaleY);
    return width > 0 && height > 0;
}

// A texture whose `part` holds exactly the pixels the draw puts down, sized so
// that SDL blits it unscaled; null when the draw is a plain blit already or
// SDL scales on a GPU.
SDL_Texture* Textures::ScaledCopy(TextureObject& object, SDL_Rect source, int flip, int blit,
                                  const SDL_FRect& destination, SDL_Rect& part) {
    int width = 0;
    int height = 0;
    if (!copies.has_value() || !CopySize(*object.picture, source, destination, width, height)) {
        return nullptr;
    }
    // A plain blit needs no copy, unless it is a kind of draw the texture was
    // not drawn with before: SDL redoes a surface's blit setup, allocating,
    // every time that changes.
    if (flip == SDL_FLIP_NONE && width == source.w && height == source.h) {
        if (object.homeBlit < 0) {
            object.homeBlit = blit;
        }
        if (object.homeBlit == blit) {
            return nullptr;
        }
    }
    part = {0, 0, width, height};
    return copies->Get({&object, source, flip, width, height, blit}, object.picture->surface,
                       display.Frames(), object.picture.get());
}

void Textures::ReadPieceList(const std::string& path) {
    std::string text;
    if (!ReadWhole(path, kMaxPieceListBytes, text).empty()) {
        return;  // no list: the game's first frame makes its copies itself
    }
    size_t number = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream words(line);
        words.imbue(std::locale::classic());
        Listed piece;
        double value = 0;
        words >> piece.name;
        bool inRange = true;
        while (words >> value) {
            // Sizes far past any window's, which would not fit an int once scaled.
            inRange = inRange && std::fabs(value) <= kMaxListedNumber;
            piece.numbers.push_back(value);
        }
        const size_t count = piece.numbers.size();
        if (!words.eof() || !inRange || (count != kRotatedCount && count != kRotatedCount - 3)) {
            Warn("skipped line " + std::to_string(number) + " of " + Shown(path) +
                 ": not a texture's name and a draw's numbers");
            continue;
        }
        listed.push_back(std::move(piece));
    }
}

void Textures::AfterPresent() {
    if (copies.has_value()) {
        copies->DestroyDropped();
    }
}

void Textures::PrepareSome(std::chrono::steady_clock::time_point until) {
    if (!copies.has_value() || nextListed >= listed.size()) {
        return;
    }
    // The copies the game's first frames draw are ready before it sets up.
    preparing = true;
    FpGuard guard;
    while (nextListed < listed.size() && std::chrono::steady_clock::now() < until) {
        const Listed& piece = listed[nextListed];
        bool pending = false;
        const auto picture = pictures.Ahead(JoinPath(folder, piece.name), pending);
        if (picture == nullptr && pending) {
            return;  // the worker has not read it yet
        }
        ++nextListed;
        if (picture == nullptr) {
            continue;
        }
        Plan plan = PlanOf(*picture, piece.numbers);
        int width = 0;
        int height = 0;
        if (plan.turned || !CopySize(*picture, plan.source, plan.destination, width, height) ||
            (plan.flip == SDL_FLIP_NONE && width == plan.source.w && height == plan.source.h)) {
            continue;
        }
        copies->Prepare({picture.get(), plan.source, plan.flip, width, height, plan.blit},
                        picture->surface, display.Frames());
    }
}

}  // namespace plumo
