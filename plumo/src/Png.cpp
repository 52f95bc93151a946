#include "Png.h"

#include <spng.h>

#include <algorithm>
#include <new>

#include "Failures.h"

namespace plumo {
namespace {

// Ancillary chunks are of no use to us; these only bound what a file can make
// the decoder keep.
constexpr size_t kMaxChunkBytes = size_t{1} << 20;
constexpr size_t kMaxChunkCache = size_t{4} << 20;
// Deflate shrinks at most 1032 to 1.
constexpr uint64_t kMaxDeflateRatio = 1032;

std::string MiB(uint64_t bytes) {
    return std::to_string(bytes >> 20) + " MiB";
}

// "" or why not.
std::string ReadAll(InputFile& file, std::string& data) {
    const std::string tooLarge = "the file is larger than " + MiB(kMaxPngFileBytes);
    if (file.Stamp().size > kMaxPngFileBytes) {
        return tooLarge;
    }
    // One byte more than announced, to see a file that grew.
    data.resize(static_cast<size_t>(file.Stamp().size) + 1);
    size_t used = 0;
    for (;;) {
        if (used == data.size()) {
            if (used > static_cast<size_t>(kMaxPngFileBytes)) {
                return tooLarge;
            }
            data.resize(std::min<size_t>(std::max<size_t>(used * 2, size_t{1} << 16),
                                         kMaxPngFileBytes + 1));
        }
        const ptrdiff_t got = file.Read(data.data() + used, data.size() - used);
        if (got < 0) {
            return file.Error();
        }
        if (got == 0) {
            break;
        }
        used += static_cast<size_t>(got);
    }
    data.resize(used);
    return "";
}

uint64_t Channels(uint8_t colourType) {
    switch (colourType) {
        case SPNG_COLOR_TYPE_TRUECOLOR:
            return 3;
        case SPNG_COLOR_TYPE_GRAYSCALE_ALPHA:
            return 2;
        case SPNG_COLOR_TYPE_TRUECOLOR_ALPHA:
            return 4;
        default:
            return 1;
    }
}

}  // namespace

PngDecoder::PngDecoder(InputFile file, std::string refusal) : refusal(std::move(refusal)) {
    try {
        const std::string why = ReadAll(file, data);
        if (!why.empty()) {
            Refuse(why);
        }
    } catch (const std::bad_alloc&) {
        Refuse("out of memory");
    }
    context.reset(spng_ctx_new(0));
    if (context == nullptr) {
        Refuse("out of memory");
    }
    Check(spng_set_image_limits(context.get(), kMaxPngSide, kMaxPngSide));
    Check(spng_set_chunk_limits(context.get(), kMaxChunkBytes, kMaxChunkCache));
    Check(spng_set_png_buffer(context.get(), data.data(), data.size()));
    spng_ihdr header{};
    Check(spng_get_ihdr(context.get(), &header));
    width = header.width;
    height = header.height;
    const std::string size = std::to_string(width) + " x " + std::to_string(height) + " pixels";
    const uint64_t pixels = uint64_t{width} * height;
    if (pixels * 4 > kMaxPngPixelBytes) {
        Refuse(size + " are more than " + MiB(kMaxPngPixelBytes) + " decoded");
    }
    // Refused before the picture's memory is taken for it.
    if (pixels * Channels(header.color_type) * header.bit_depth / 8 >
        data.size() * kMaxDeflateRatio) {
        Refuse(size + " cannot fit in a file of " + std::to_string(data.size()) + " bytes");
    }
}

void PngDecoder::FreeContext::operator()(spng_ctx* context) const {
    spng_ctx_free(context);
}

void PngDecoder::Decode(const std::function<uint8_t*(uint32_t y)>& rowAt) {
    const size_t rowBytes = size_t{width} * 4;
    Check(spng_decode_image(context.get(), nullptr, 0, SPNG_FMT_RGBA8,
                            SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE));
    int status = 0;
    do {
        // Interlaced pictures come a pass at a time, so rows come more than once.
        spng_row_info row{};
        Check(spng_get_row_info(context.get(), &row));
        status = spng_decode_row(context.get(), rowAt(row.row_num), rowBytes);
    } while (status == SPNG_OK);
    if (status != SPNG_EOI) {
        Check(status);
    }
    // What follows the picture, up to IEND: a cut file is refused wherever it was cut.
    Check(spng_decode_chunks(context.get()));
}

void PngDecoder::Refuse(const std::string& why) const {
    Raise(kLibraryFailure, refusal + ": " + why);
}

void PngDecoder::Check(int status) const {
    if (status == SPNG_EUSER_WIDTH || status == SPNG_EUSER_HEIGHT) {
        Refuse("the picture is larger than " + std::to_string(kMaxPngSide) + " pixels a side");
    }
    if (status == SPNG_IO_EOF) {
        Refuse("the file ends too early");
    }
    if (status != SPNG_OK) {
        Refuse(spng_strerror(status));
    }
}

}  // namespace plumo
