// demopack: packs a JSON project into a content block or a show executable, unpacks a block
// back into a project folder, and summarises what a block holds.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "tools/demopack/Commands.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: demopack pack PROJECT.json -o OUTPUT [--exe PLAYER]\n"
                 "       demopack unpack BLOCK_OR_SHOW -o DIR\n"
                 "       demopack info BLOCK_OR_SHOW\n");
    return 2;
}

struct Arguments {
    std::string command, input, output, executable;
    bool valid = true;
};

Arguments parse(int argc, char** argv) {
    Arguments a;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "-o" && hasValue) a.output = argv[++i];
        else if (arg == "--exe" && hasValue) a.executable = argv[++i];
        else if (!arg.empty() && arg[0] == '-') a.valid = false;
        else positional.push_back(arg);
    }
    if (positional.size() != 2) a.valid = false;
    else a.command = positional[0], a.input = positional[1];
    return a;
}

int run(const Arguments& a) {
    if (a.command == "pack" && !a.output.empty()) return demopack::pack(a.input, a.output, a.executable);
    if (a.command == "unpack" && !a.output.empty() && a.executable.empty()) return demopack::unpack(a.input, a.output);
    if (a.command == "info" && a.output.empty() && a.executable.empty()) return demopack::info(a.input);
    return usage();
}

}  // namespace

int main(int argc, char** argv) {
    Arguments a = parse(argc, argv);
    if (!a.valid) return usage();
    try {
        return run(a);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "demopack: %s\n", e.what());
        return 1;
    }
}
