// plumo_pack IN.png OUT.zqtex: turns a picture into the library's texture
// file. Runs at build time; the game never decodes PNG.
#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "plumo/TextureFile.h"

namespace {

int Fail(const std::string& what) {
    std::fprintf(stderr, "plumo_pack: %s\n", what.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        return Fail("usage: plumo_pack IN.png OUT.zqtex");
    }
    const std::string in = argv[1];
    const std::string out = argv[2];
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, in.c_str()) == 0) {
        return Fail("cannot read " + in + ": " + image.message);
    }
    image.format = PNG_FORMAT_RGBA;
    plumo::texture_file::Header header{image.width, image.height};
    std::vector<unsigned char> pixels(header.PixelBytes());
    if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) == 0) {
        return Fail("cannot decode " + in + ": " + image.message);
    }
    const auto head = plumo::texture_file::Encode(header);
    std::FILE* file = std::fopen(out.c_str(), "wb");
    if (file == nullptr) {
        return Fail("cannot write " + out + ": " + std::strerror(errno));
    }
    bool written = std::fwrite(head.data(), 1, head.size(), file) == head.size() &&
                   std::fwrite(pixels.data(), 1, pixels.size(), file) == pixels.size() &&
                   std::fflush(file) == 0;
    int error = errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) {
        std::remove(out.c_str());
        return Fail("cannot write " + out + ": " + std::strerror(error));
    }
    return 0;
}
