// PNG pictures decoded to RGBA8, with limits fit for files anyone could have
// written: every mode decodes the same way, so every mode refuses the same files.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "InputFile.h"

struct spng_ctx;

namespace plumo {

// Beyond these a picture is refused before any of it is decoded. Our largest
// texture is 1024 x 1536 (6 MiB decoded), our largest file 0.2 MiB.
inline constexpr uint32_t kMaxPngSide = 16384;
inline constexpr uint64_t kMaxPngPixelBytes = uint64_t{256} << 20;
inline constexpr int64_t kMaxPngFileBytes = int64_t{64} << 20;

class PngDecoder {
public:
    // Reads the file and its header. Every refusal raises "<refusal>: <reason>".
    PngDecoder(InputFile file, std::string refusal);
    PngDecoder(const PngDecoder&) = delete;
    PngDecoder& operator=(const PngDecoder&) = delete;

    uint32_t Width() const { return width; }
    uint32_t Height() const { return height; }
    // Decodes the picture and checks the rest of the file; row y's Width() * 4
    // bytes go to rowAt(y), which may give the same place for every row.
    void Decode(const std::function<uint8_t*(uint32_t y)>& rowAt);

private:
    [[noreturn]] void Refuse(const std::string& why) const;
    void Check(int status) const;

    struct FreeContext {
        void operator()(spng_ctx* context) const;
    };

    const std::string refusal;
    std::string data;
    std::unique_ptr<spng_ctx, FreeContext> context;
    uint32_t width = 0;
    uint32_t height = 0;
};

}  // namespace plumo
