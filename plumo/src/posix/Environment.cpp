#include "Environment.h"

#include <cstdlib>

namespace plumo {

const char* EnvText(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : nullptr;
}

}  // namespace plumo
