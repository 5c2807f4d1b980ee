// A small host of the extension contract, for tests: loads the module named
// on its command line, opens it, hands it one reading (2048 bytes received,
// 12 % of the receive scale) and closes it. It names no data directory.
// Exit status 0 when the module opened, 1 when Open failed, 2 otherwise.

#include <dlfcn.h>

#include <cstdio>

#include "ext/TrvikExtension.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s MODULE\n", argv[0]);
        return 2;
    }
    void* library = ::dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        std::fprintf(stderr, "%s\n", ::dlerror());
        return 2;
    }
    const auto open = reinterpret_cast<TrvikOpenFn>(::dlsym(library, TRVIK_SYMBOL_OPEN));
    const auto update = reinterpret_cast<TrvikUpdateFn>(::dlsym(library, TRVIK_SYMBOL_UPDATE));
    const auto close = reinterpret_cast<TrvikCloseFn>(::dlsym(library, TRVIK_SYMBOL_CLOSE));
    if (open == nullptr || update == nullptr || close == nullptr) {
        return 2;
    }
    const ExtHandle handle = open(0);
    if (handle == 0) {
        return 1;
    }
    ExtReading reading{};
    reading.PercentRx = 12;
    reading.TotalRx = 2048;
    update(handle, &reading);
    close(handle);
    // The module stays loaded until the exit: unloading it would unload the
    // libraries it brought along, and the leak checker of the sanitizer
    // build would report their static data as lost.
    return 0;
}
