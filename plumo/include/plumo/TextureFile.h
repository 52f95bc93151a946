// The library's texture file (.zqtex): a fixed header, then the pixels as they
// are drawn, so loading is one read and checking a file needs only its header
// and its size. The art tools write it; the library and the tests read it.
//
//   bytes 0-7    "PLUMOTEX"
//   bytes 8-11   format version, 1
//   bytes 12-15  width in pixels
//   bytes 16-19  height in pixels
//   bytes 20-23  0 (reserved)
//   then height rows of width pixels, top row first; each pixel the bytes
//   red, green, blue, alpha (straight, not premultiplied)
//
// Numbers are unsigned, little-endian. The file ends with the last row.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace plumo::texture_file {

inline constexpr std::array<char, 8> kMagic{'P', 'L', 'U', 'M', 'O', 'T', 'E', 'X'};
inline constexpr uint32_t kVersion = 1;
inline constexpr size_t kHeaderBytes = 24;
inline constexpr uint64_t kBytesPerPixel = 4;
// Beyond these a file is refused before any memory is taken for it.
inline constexpr uint32_t kMaxSide = 16384;
inline constexpr uint64_t kMaxPixelBytes = uint64_t{256} << 20;

struct Header {
    uint32_t width = 0;
    uint32_t height = 0;
    uint64_t PixelBytes() const { return uint64_t{width} * height * kBytesPerPixel; }
    uint64_t FileBytes() const { return kHeaderBytes + PixelBytes(); }
};

inline void PutLe32(unsigned char* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

inline uint32_t GetLe32(const unsigned char* at) {
    return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}

inline std::array<unsigned char, kHeaderBytes> Encode(const Header& header) {
    std::array<unsigned char, kHeaderBytes> bytes{};
    for (size_t i = 0; i < kMagic.size(); ++i) {
        bytes[i] = static_cast<unsigned char>(kMagic[i]);
    }
    PutLe32(&bytes[8], kVersion);
    PutLe32(&bytes[12], header.width);
    PutLe32(&bytes[16], header.height);
    return bytes;
}

// "" when `bytes` are a header this library reads and `fileBytes` is exactly
// the size it announces, else why not.
inline std::string Parse(const unsigned char (&bytes)[kHeaderBytes], uint64_t fileBytes,
                         Header& header) {
    for (size_t i = 0; i < kMagic.size(); ++i) {
        if (bytes[i] != static_cast<unsigned char>(kMagic[i])) {
            return "it is not a Plumo texture file";
        }
    }
    if (GetLe32(&bytes[8]) != kVersion) {
        return "it is a texture file of another version than " + std::to_string(kVersion);
    }
    if (GetLe32(&bytes[20]) != 0) {
        return "its reserved header field is not 0";
    }
    header = {GetLe32(&bytes[12]), GetLe32(&bytes[16])};
    const std::string size =
        std::to_string(header.width) + " x " + std::to_string(header.height) + " pixels";
    if (header.width == 0 || header.height == 0) {
        return "the picture is empty (" + size + ")";
    }
    if (header.width > kMaxSide || header.height > kMaxSide) {
        return "the picture is larger than " + std::to_string(kMaxSide) + " pixels a side";
    }
    if (header.PixelBytes() > kMaxPixelBytes) {
        return size + " are more than " + std::to_string(kMaxPixelBytes >> 20) + " MiB";
    }
    if (fileBytes < header.FileBytes()) {
        return "the file ends too early (" + std::to_string(fileBytes) + " of " +
               std::to_string(header.FileBytes()) + " bytes)";
    }
    if (fileBytes > header.FileBytes()) {
        return "the file goes on after the picture (" + std::to_string(fileBytes) + " bytes, " +
               std::to_string(header.FileBytes()) + " expected)";
    }
    return "";
}

}  // namespace plumo::texture_file
