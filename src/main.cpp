#include "frame/Startup.h"

int main() {
    return morva::Start();
}
