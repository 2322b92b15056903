// Orvane: a viewer for DirectX .x models.
//
//   orvane                      the viewer, every setting at its default
//   orvane FILE.x               the viewer, showing FILE.x at once
//   orvane --info FILE...       model statistics, no window
//   orvane --render FILE.x --output OUT.png [--size WxH] [--time SECONDS]
//          [--device hal|ref] [--texture IMAGE] [--look viewer|authored]
//          [--animation NAME|INDEX]
//                               one frame written to an image, no window
//   orvane --thumbnail INPUT OUTPUT SIZE
//                               a SIZE×SIZE preview for file managers
//   orvane --help | --version
//
// `--info FILE...` needs only the .x reader. Qt and OpenGL live in a module
// beside the program that is loaded for everything else (the command line is
// read there, by Qt's rules), so that --info does not pay for linking and
// starting libraries it never uses.
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "heap.h"
#include "model_info.h"
#include "window_main.h"

namespace {

// The folder this program lives in, with a trailing slash; empty if unknown.
std::string programFolder()
{
    std::vector<char> path(4096);
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (n <= 0)
        return {};
    const std::string exe(path.data(), std::size_t(n));
    return exe.substr(0, exe.rfind('/') + 1);
}

int runWindowModule(int argc, char** argv)
{
    const std::string module = programFolder() + ORVANE_WINDOW_MODULE;
    void* handle = dlopen(module.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "orvane: cannot load %s: %s\n", module.c_str(), dlerror());
        return 1;
    }
    using Entry = int (*)(int, char**);
    const auto entry = reinterpret_cast<Entry>(dlsym(handle, "orvane_window_main"));
    if (!entry) {
        std::fprintf(stderr, "orvane: %s has no entry point\n", module.c_str());
        return 1;
    }
    return entry(argc, argv);
}

// `--info` followed by file names only: everything else, options mixed in
// included, goes to the full command-line reader in the module.
bool isPlainInfo(int argc, char** argv)
{
    if (argc < 3 || std::string(argv[1]) != "--info")
        return false;
    return std::none_of(argv + 2, argv + argc,
                        [](const char* arg) { return arg[0] == '-' && arg[1] != '\0'; });
}

}  // namespace

int main(int argc, char** argv)
{
    app::growHeapInLargeSteps();
    if (isPlainInfo(argc, argv))
        return app::printModelInfo({argv + 2, argv + argc}, std::cout);
    return runWindowModule(argc, argv);
}
