#include "FakeLibrary.h"

#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "frame/library/Library.h"

namespace fake {
namespace {

FakeLibrary* gLibrary = nullptr;

struct FakeTexture {
    plumo::Texture header;
    int64_t id;
};

FakeLibrary& Current() {
    if (gLibrary == nullptr) {
        throw std::logic_error("no fake library is bound");
    }
    return *gLibrary;
}

void ReleaseTexture(plumo::Texture* texture) {
    auto* fakeTexture = reinterpret_cast<FakeTexture*>(texture);
    if (gLibrary != nullptr) {
        gLibrary->released.push_back(fakeTexture->id);
        --gLibrary->liveTextures;
    }
    delete fakeTexture;
}

int64_t Init(const plumo::InitParams*) { return 0; }
void Free() {}
void Act() {
    FakeLibrary& library = Current();
    ++library.acts;
    if (library.acts == library.actLimit) {
        throw plumo::Failure(plumo::kQuietEnd, "frame limit");
    }
}
int64_t Pad(int64_t pad, int64_t button) {
    return pad == 0 && button >= 0 && button < 16 ? Current().pad[button] : 0;
}
plumo::Texture* LoadTex(const plumo::String* name) {
    FakeLibrary& library = Current();
    std::string file;
    for (int64_t i = 0; i < name->length; ++i) {
        file += static_cast<char>(name->units[i]);
    }
    library.loads.push_back(file);
    ++library.liveTextures;
    return &(new FakeTexture{{1, ReleaseTexture}, static_cast<int64_t>(library.loads.size())})
                ->header;
}
int64_t IdOf(plumo::Texture* texture) {
    return texture == nullptr ? 0 : reinterpret_cast<FakeTexture*>(texture)->id;
}
void DrawTex(plumo::Texture* t, double a0, double a1, double a2, double a3, double a4, double a5,
             double a6, double a7, double a8, double a9, double a10, double a11) {
    Current().draws.push_back({false, IdOf(t), {a0, a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11}});
}
void DrawTexRot(plumo::Texture* t, double a0, double a1, double a2, double a3, double a4,
                double a5, double a6, double a7, double a8, double a9, double a10, double a11,
                double a12, double a13, double a14) {
    Current().draws.push_back(
        {true, IdOf(t), {a0, a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14}});
}
int64_t Rnd(int64_t min, int64_t max) {
    FakeLibrary& library = Current();
    int64_t result = min;
    if (!library.rndResults.empty()) {
        result = library.rndResults.front();
        library.rndResults.pop_front();
    }
    library.rndCalls.push_back({min, max, result});
    return result;
}
double Mod(double x, double y) { return std::fmod(x, y); }
double Pow(double x, double y) { return std::pow(x, y); }
double Sqrt(double x) { return std::sqrt(x); }
double Cos(double x) { return std::cos(x); }
double Sin(double x) { return std::sin(x); }
double Hypot(double x, double y) { return std::hypot(x, y); }
double InvRot(double x, double y) { return std::atan2(y, x); }
void* AllocMem(int64_t size, int64_t) { return std::malloc(static_cast<std::size_t>(size)); }
void FreeMem(void* block) { std::free(block); }
plumo::String* IToS(int64_t value, int64_t) {
    const std::string text = std::to_string(value);
    auto* record = static_cast<plumo::String*>(
        AllocMem(static_cast<int64_t>(sizeof(plumo::String) + text.size() * sizeof(char16_t)), 0));
    record->refCount = 1;
    record->length = static_cast<int64_t>(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        record->units[i] = static_cast<char16_t>(text[i]);
    }
    record->units[text.size()] = u'\0';
    return record;
}

template <typename Fn>
void Bind(lib::Export name, Fn function) {
    lib::Bindings()[static_cast<std::size_t>(name)] = reinterpret_cast<void*>(function);
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const DrawCall& call) {
    out << (call.rotated ? "DrawTexRot " : "DrawTex ") << call.texture;
    for (double arg : call.args) {
        out << ' ' << arg;
    }
    return out;
}

FakeLibrary::FakeLibrary() {
    if (gLibrary != nullptr) {
        throw std::logic_error("a fake library is already bound");
    }
    gLibrary = this;
    lib::ClearBindings();
    Bind(lib::Export::Init, &fake::Init);
    Bind(lib::Export::Free, &fake::Free);
    Bind(lib::Export::Act, &fake::Act);
    Bind(lib::Export::Pad, &fake::Pad);
    Bind(lib::Export::LoadTex, &fake::LoadTex);
    Bind(lib::Export::DrawTex, &fake::DrawTex);
    Bind(lib::Export::DrawTexRot, &fake::DrawTexRot);
    Bind(lib::Export::Rnd, &fake::Rnd);
    Bind(lib::Export::Mod, &fake::Mod);
    Bind(lib::Export::Pow, &fake::Pow);
    Bind(lib::Export::Sqrt, &fake::Sqrt);
    Bind(lib::Export::Cos, &fake::Cos);
    Bind(lib::Export::Sin, &fake::Sin);
    Bind(lib::Export::Hypot, &fake::Hypot);
    Bind(lib::Export::InvRot, &fake::InvRot);
    Bind(lib::Export::IToS, &fake::IToS);
    Bind(lib::Export::AllocMem, &fake::AllocMem);
    Bind(lib::Export::FreeMem, &fake::FreeMem);
}

FakeLibrary::~FakeLibrary() {
    lib::ClearBindings();
    gLibrary = nullptr;
}

std::string FakeLibrary::TextureName(int64_t id) const {
    return id >= 1 && id <= static_cast<int64_t>(loads.size()) ? loads[id - 1] : std::string();
}

std::vector<DrawCall> FakeLibrary::DrawsOf(const std::string& fileName) const {
    std::vector<DrawCall> result;
    for (const DrawCall& call : draws) {
        if (TextureName(call.texture) == fileName) {
            result.push_back(call);
        }
    }
    return result;
}

}  // namespace fake
