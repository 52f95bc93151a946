// The game's only way to the platform: the binding table of the game library
// and one-line wrappers around the functions the game calls.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <plumo/Abi.h>

namespace lib {

enum class Export : std::size_t {
#define PLUMO_EXPORT(name) name,
#define PLUMO_UNPROVIDED(name) name,
#include <plumo/Exports.inc>
#undef PLUMO_EXPORT
#undef PLUMO_UNPROVIDED
    Count
};

inline constexpr std::size_t kExportCount = static_cast<std::size_t>(Export::Count);
static_assert(kExportCount == 123, "the game library has 123 export names");

inline constexpr std::array<const char*, kExportCount> kExportNames = {
#define PLUMO_EXPORT(name) #name,
#define PLUMO_UNPROVIDED(name) #name,
#include <plumo/Exports.inc>
#undef PLUMO_EXPORT
#undef PLUMO_UNPROVIDED
};

// One slot per export name, empty until the name has been resolved.
using BindingTable = std::array<void*, kExportCount>;

BindingTable& Bindings();
bool IsBound(Export name);
void ClearBindings();

// A shared texture handle; the last copy to go releases the texture.
class Texture {
public:
    Texture() = default;
    explicit Texture(plumo::Texture* adopted) : handle(adopted) {}
    Texture(const Texture& other);
    Texture(Texture&& other) noexcept;
    Texture& operator=(Texture other) noexcept;
    ~Texture();

    plumo::Texture* get() const { return handle; }
    explicit operator bool() const { return handle != nullptr; }

private:
    plumo::Texture* handle = nullptr;
};

// A string record built from program text, for the calls that take one.
class StringRecord {
public:
    explicit StringRecord(std::u16string_view text);
    StringRecord(const StringRecord&) = delete;
    StringRecord& operator=(const StringRecord&) = delete;
    ~StringRecord();

    plumo::String* get() const { return record; }

private:
    plumo::String* record;
};

std::u16string ToText(const plumo::String& record);

int64_t Init(const plumo::InitParams& params);
void Free();
void Act();
int64_t Pad(int64_t pad, int64_t button);
Texture LoadTex(std::u16string_view fileName);
void DrawTex(const Texture& texture, double srcX, double srcY, double srcW, double srcH,
             double dstX, double dstY, double dstW, double dstH, double red, double green,
             double blue, double alpha);
void DrawTexRot(const Texture& texture, double srcX, double srcY, double srcW, double srcH,
                double dstX, double dstY, double dstW, double dstH, double centreX, double centreY,
                double angle, double red, double green, double blue, double alpha);
int64_t Rnd(int64_t min, int64_t max);
double Mod(double x, double y);
double Pow(double x, double y);
double Sqrt(double x);
double Cos(double x);
double Sin(double x);
double Hypot(double x, double y);
double InvRot(double x, double y);
// The decimal text of value; the library's record is freed before returning.
std::u16string IToS(int64_t value);
void* AllocMem(int64_t size);
void FreeMem(void* block);

}  // namespace lib
