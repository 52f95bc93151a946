// Loads a private copy of the game library and drives its exports the way the
// program does.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "plumo/Abi.h"

namespace plumo::test {

#define PLUMO_TEST_EXPORTS(X)                                                                     \
    X(Init)                                                                                       \
    X(Free) X(Act) X(Pad) X(LoadTex) X(DrawTex) X(DrawTexRot) X(Rnd) X(Mod) X(Sqrt) X(Cos) X(Sin) \
        X(Hypot) X(InvRot) X(IToS) X(FreeMem)

struct Exports {
#define PLUMO_TEST_FIELD(name) name##Fn name;
    PLUMO_TEST_EXPORTS(PLUMO_TEST_FIELD)
#undef PLUMO_TEST_FIELD
};

// The library copy, loaded once per process, and the folder it sits in.
const Exports& Library();
void* LibraryHandle();
const std::filesystem::path& LibraryDir();

// Clears every PLUMO_ setting, sets PLUMO_FPS=0, then applies the given ones.
void SetSettings(const std::map<std::string, std::string>& settings);

// Opens a session like the program does; failureCell receives raising addresses.
void Open(uint64_t* failureCell, const std::u16string& title = u"MORVA var 0.2");

// Drops a texture handle the way the program does.
void Drop(Texture* texture);

// Loads a texture from the library's folder by its file name.
Texture* Load(const char* name);

// "<code> <message>" of the Failure that call raises, or "returned".
std::string Raised(const std::function<void()>& call);

// A 64 x 32 PNG beside the library: top-left red, top-right green,
// bottom-left blue, bottom-right white.
void WriteQuadrantPng(const std::string& name);

std::string ReadText(const std::filesystem::path& path);
void WriteText(const std::filesystem::path& path, const std::string& text);

// A fresh folder for one test's files.
std::filesystem::path ScratchDir(const std::string& name);

}  // namespace plumo::test
