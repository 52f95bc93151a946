// Loads a private copy of the game library and drives its exports the way the
// program does.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "plumo/Abi.h"

namespace plumo::test {

// A string record with its own storage, as the program builds them.
class OwnedString {
public:
    explicit OwnedString(const std::u16string& text);
    String* get() { return reinterpret_cast<String*>(storage_.data()); }

private:
    std::vector<uint64_t> storage_;
};

struct Exports {
    InitFn Init;
    FreeFn Free;
    ActFn Act;
    PadFn Pad;
    LoadTexFn LoadTex;
    DrawTexFn DrawTex;
    DrawTexRotFn DrawTexRot;
    RndFn Rnd;
    ModFn Mod;
    PowFn Pow;
    SqrtFn Sqrt;
    CosFn Cos;
    SinFn Sin;
    HypotFn Hypot;
    InvRotFn InvRot;
    IToSFn IToS;
    AllocMemFn AllocMem;
    FreeMemFn FreeMem;
};

// The library copy, loaded once per process, and the folder it sits in.
const Exports& Library();
void* LibraryHandle();
const std::filesystem::path& LibraryDir();

// Clears every PLUMO_ setting, then applies the given ones.
void SetSettings(const std::map<std::string, std::string>& settings);

// Opens a session like the program does; failureCell receives raising addresses.
void Open(uint64_t* failureCell, const std::u16string& title = u"MORVA var 0.2");

// Drops a texture handle the way the program does.
void Drop(Texture* texture);

// A 64 x 32 PNG beside the library: top-left red, top-right green,
// bottom-left blue, bottom-right white.
void WriteQuadrantPng(const std::string& name);

std::string ReadText(const std::filesystem::path& path);
void WriteText(const std::filesystem::path& path, const std::string& text);

// A fresh folder for one test's files.
std::filesystem::path ScratchDir(const std::string& name);

}  // namespace plumo::test
