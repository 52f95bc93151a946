#include "LibraryPath.h"

#include <emscripten.h>

#include <cstdlib>
#include <memory>

namespace plumo {
namespace {

// The library is linked into the program: Data/ lies beside the program's
// script under node, at the root of the page's file system in a browser.
// JavaScript inside, left as written.
// clang-format off
EM_JS(char*, plumo_data_folder, (), {
    const folder = ENVIRONMENT_IS_NODE ? require('path').join(__dirname, 'Data') : '/Data';
    const size = lengthBytesUTF8(folder) + 1;
    const text = _malloc(size);
    stringToUTF8(folder, text, size);
    return text;
});
// clang-format on

}  // namespace

std::string LibraryDirectory() {
    const std::unique_ptr<char, decltype(&std::free)> folder(plumo_data_folder(), &std::free);
    return folder.get();
}

}  // namespace plumo
