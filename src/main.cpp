#include "app/Startup.h"

int main() {
    return morva::Start();
}
