#include "engine/Library.h"

#include <cstdlib>
#include <new>
#include <stdexcept>
#include <utility>

namespace lib {
namespace {

BindingTable gBindings{};

template <typename Fn>
Fn Bound(Export name) {
    void* slot = gBindings[static_cast<std::size_t>(name)];
    if (slot == nullptr) {
        throw std::logic_error(std::string("game library function ") +
                               kExportNames[static_cast<std::size_t>(name)] + " is not bound");
    }
    return reinterpret_cast<Fn>(slot);
}

}  // namespace

BindingTable& Bindings() {
    return gBindings;
}

bool IsBound(Export name) {
    return gBindings[static_cast<std::size_t>(name)] != nullptr;
}

void ClearBindings() {
    gBindings.fill(nullptr);
}

Texture::Texture(const Texture& other) : handle(other.handle) {
    if (handle != nullptr) {
        ++handle->refCount;
    }
}

Texture::Texture(Texture&& other) noexcept : handle(other.handle) {
    other.handle = nullptr;
}

Texture& Texture::operator=(Texture other) noexcept {
    std::swap(handle, other.handle);
    return *this;
}

Texture::~Texture() {
    if (handle != nullptr && --handle->refCount == 0) {
        handle->release(handle);
    }
}

StringRecord::StringRecord(std::u16string_view text) {
    const std::size_t bytes = sizeof(plumo::String) + text.size() * sizeof(char16_t);
    record = static_cast<plumo::String*>(::operator new(bytes));
    record->refCount = 1;
    record->length = static_cast<int64_t>(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        record->units[i] = text[i];
    }
    record->units[text.size()] = u'\0';
}

StringRecord::~StringRecord() {
    ::operator delete(record);
}

std::u16string ToText(const plumo::String& record) {
    return std::u16string(record.units, static_cast<std::size_t>(record.length));
}

int64_t Init(const plumo::InitParams& params) {
    return Bound<plumo::InitFn>(Export::Init)(&params);
}

void Free() {
    Bound<plumo::FreeFn>(Export::Free)();
}

void Act() {
    Bound<plumo::ActFn>(Export::Act)();
}

int64_t Pad(int64_t pad, int64_t button) {
    return Bound<plumo::PadFn>(Export::Pad)(pad, button);
}

Texture LoadTex(std::u16string_view fileName) {
    StringRecord name(fileName);
    return Texture(Bound<plumo::LoadTexFn>(Export::LoadTex)(name.get()));
}

void DrawTex(const Texture& texture, double srcX, double srcY, double srcW, double srcH,
             double dstX, double dstY, double dstW, double dstH, double red, double green,
             double blue, double alpha) {
    Bound<plumo::DrawTexFn>(Export::DrawTex)(texture.get(), srcX, srcY, srcW, srcH, dstX, dstY,
                                             dstW, dstH, red, green, blue, alpha);
}

void DrawTexRot(const Texture& texture, double srcX, double srcY, double srcW, double srcH,
                double dstX, double dstY, double dstW, double dstH, double centreX, double centreY,
                double angle, double red, double green, double blue, double alpha) {
    Bound<plumo::DrawTexRotFn>(Export::DrawTexRot)(texture.get(), srcX, srcY, srcW, srcH, dstX,
                                                   dstY, dstW, dstH, centreX, centreY, angle, red,
                                                   green, blue, alpha);
}

int64_t Rnd(int64_t min, int64_t max) {
    return Bound<plumo::RndFn>(Export::Rnd)(min, max);
}

double Mod(double x, double y) {
    return Bound<plumo::ModFn>(Export::Mod)(x, y);
}

double Pow(double x, double y) {
    return Bound<plumo::PowFn>(Export::Pow)(x, y);
}

double Sqrt(double x) {
    return Bound<plumo::SqrtFn>(Export::Sqrt)(x);
}

double Cos(double x) {
    return Bound<plumo::CosFn>(Export::Cos)(x);
}

double Sin(double x) {
    return Bound<plumo::SinFn>(Export::Sin)(x);
}

double Hypot(double x, double y) {
    return Bound<plumo::HypotFn>(Export::Hypot)(x, y);
}

double InvRot(double x, double y) {
    return Bound<plumo::InvRotFn>(Export::InvRot)(x, y);
}

std::u16string IToS(int64_t value) {
    plumo::String* record = Bound<plumo::IToSFn>(Export::IToS)(value, 0);
    std::u16string text = ToText(*record);
    FreeMem(record);
    return text;
}

void* AllocMem(int64_t size) {
    return Bound<plumo::AllocMemFn>(Export::AllocMem)(size, 0);
}

void FreeMem(void* block) {
    Bound<plumo::FreeMemFn>(Export::FreeMem)(block);
}

}  // namespace lib
