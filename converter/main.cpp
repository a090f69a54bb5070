// Vantler's program file. A plain conversion (`vantler [-q N] BITMAP JPEG`)
// runs here, without Qt, so it starts as fast as the encoder loads. Anything
// else goes to the Qt program in libVantlerWindow.so beside this file.
#include "VantlerConversion.h"

#include <cstdio>
#include <dlfcn.h>

int main(int argc, char *argv[])
{
    const std::string folder = VantlerConversion::programFolder();
    VantlerConversion::Request request;
    if (VantlerConversion::parsePlain(argc, argv, request)) {
        const VantlerConversion::Outcome outcome = VantlerConversion::convert(folder, request);
        std::fputs(outcome.errorLine.c_str(), stderr);
        return outcome.exitCode;
    }

    const std::string library = folder + "/libVantlerWindow.so";
    void *window = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!window) {
        std::fprintf(stderr, "vantler: %s\n", ::dlerror());
        return 1;
    }
    using MainFn = int (*)(int, char **);
    const auto windowMain = reinterpret_cast<MainFn>(::dlsym(window, "VantlerWindowMain"));
    if (!windowMain) {
        std::fprintf(stderr, "vantler: %s: %s\n", library.c_str(), ::dlerror());
        return 1;
    }
    return windowMain(argc, argv);
}
