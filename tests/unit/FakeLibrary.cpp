#include "FakeLibrary.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "engine/Library.h"

namespace fake {
namespace {

// Set while a fake is alive, the only time anything is bound.
FakeLibrary* gLibrary = nullptr;

struct FakeTexture {
    plumo::Texture header;  // first, so that the library's pointer is ours
    int64_t id;
};

plumo::Texture* LoadTex(const plumo::String* name) {
    gLibrary->loads.emplace_back(name->units, name->units + name->length);
    const auto id = static_cast<int64_t>(gLibrary->loads.size());
    const auto release = [](plumo::Texture* t) {
        auto* own = reinterpret_cast<FakeTexture*>(t);
        if (gLibrary != nullptr) {
            gLibrary->released.push_back(own->id);
        }
        delete own;
    };
    return &(new FakeTexture{{1, release}, id})->header;
}
void Draw(plumo::Texture* texture, std::vector<double> args) {
    const int64_t id = texture == nullptr ? 0 : reinterpret_cast<FakeTexture*>(texture)->id;
    gLibrary->draws.push_back({id, std::move(args)});
}
void DrawTex(plumo::Texture* t, double a0, double a1, double a2, double a3, double a4, double a5,
             double a6, double a7, double a8, double a9, double a10, double a11) {
    Draw(t, {a0, a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11});
}
void DrawTexRot(plumo::Texture* t, double a0, double a1, double a2, double a3, double a4, double a5,
                double a6, double a7, double a8, double a9, double a10, double a11, double a12,
                double a13, double a14) {
    Draw(t, {a0, a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14});
}
int64_t Rnd(int64_t min, int64_t max) {
    gLibrary->rndCalls.push_back({min, max});
    std::deque<int64_t>& results = gLibrary->rndResults;
    if (results.empty()) {
        return min;
    }
    const int64_t result = results.front();
    results.pop_front();
    return result;
}
plumo::String* IToS(int64_t value, int64_t) {
    const std::string text = std::to_string(value);
    auto* record = static_cast<plumo::String*>(
        std::malloc(sizeof(plumo::String) + text.size() * sizeof(char16_t)));
    *record = {1, static_cast<int64_t>(text.size()), {}};
    std::copy(text.c_str(), text.c_str() + text.size() + 1, record->units);
    return record;
}

template <typename Fn>
void Bind(lib::Export name, Fn* function) {
    lib::Bindings()[static_cast<std::size_t>(name)] = reinterpret_cast<void*>(function);
}

}  // namespace

FakeLibrary::FakeLibrary() {
    gLibrary = this;
    lib::ClearBindings();
    using lib::Export;
    Bind(
        Export::Pad, +[](int64_t pad, int64_t button) {
            return pad == 0 && button >= 0 && button < 16 ? gLibrary->pad[button] : 0;
        });
    Bind(Export::LoadTex, &LoadTex);
    Bind(Export::DrawTex, &DrawTex);
    Bind(Export::DrawTexRot, &DrawTexRot);
    Bind(Export::Rnd, &Rnd);
    Bind(
        Export::Mod, +[](double x, double y) { return std::fmod(x, y); });
    Bind(
        Export::Pow, +[](double x, double y) { return std::pow(x, y); });
    Bind(
        Export::Hypot, +[](double x, double y) { return std::hypot(x, y); });
    Bind(Export::IToS, &IToS);
    Bind(
        Export::FreeMem, +[](void* block) { std::free(block); });
}

FakeLibrary::~FakeLibrary() {
    lib::ClearBindings();
    gLibrary = nullptr;
}

std::vector<DrawCall> FakeLibrary::DrawsOf(const std::string& file) const {
    std::vector<DrawCall> result;
    for (const DrawCall& call : draws) {
        if (call.texture >= 1 && loads.at(static_cast<std::size_t>(call.texture - 1)) == file) {
            result.push_back(call);
        }
    }
    return result;
}

}  // namespace fake
