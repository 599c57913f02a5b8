// demopack: packs a JSON project into a content block or a show executable, checks a project
// without writing anything, unpacks a block back into a project folder, summarises a block, and
// prints the reference of node types and script functions.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <string>

#include "tools/demopack/Commands.h"
#include "tools/demopack/NodeReference.h"

namespace {

struct Arguments {
    std::string input, output, executable;
    bool verbose = false, noCheck = false;
};

// One subcommand per job; each reads its own options into `a` and runs when chosen.
void addCommands(CLI::App& app, Arguments& a) {
    app.require_subcommand(1);
    CLI::App* pack = app.add_subcommand("pack", "pack a project into a content block or a stand-alone show");
    pack->add_option("PROJECT", a.input, "the project file (project.json)")->required();
    pack->add_option("-o", a.output, "the file to write")->required();
    pack->add_option("--exe", a.executable, "a player executable: write a stand-alone show");
    pack->add_flag("--no-check", a.noCheck, "pack without the checks of check (and without refusing what they find)");
    pack->add_flag("-v,--verbose", a.verbose, "list the files read");
    CLI::App* check = app.add_subcommand("check", "find the mistakes in a project and write nothing");
    check->add_option("PROJECT", a.input, "the project file (project.json)")->required();
    check->add_flag("-v,--verbose", a.verbose, "list the files read and the time taken");
    CLI::App* unpack = app.add_subcommand("unpack", "unpack a content block or a show into a project folder");
    unpack->add_option("BLOCK_OR_SHOW", a.input, "a content block or a show executable")->required();
    unpack->add_option("-o", a.output, "the folder to write")->required();
    CLI::App* info = app.add_subcommand("info", "summarise what a content block or a show holds");
    info->add_option("BLOCK_OR_SHOW", a.input, "a content block or a show executable")->required();
    app.add_subcommand("nodes", "print the reference of node types and script functions (Markdown)");
}

int run(const CLI::App& app, const Arguments& a) {
    if (app.got_subcommand("pack")) return demopack::pack(a.input, a.output, a.executable, !a.noCheck, a.verbose);
    if (app.got_subcommand("check")) return demopack::check(a.input, a.verbose);
    if (app.got_subcommand("unpack")) return demopack::unpack(a.input, a.output);
    if (app.got_subcommand("nodes")) {
        std::printf("%s", demopack::nodeReference().c_str());
        return 0;
    }
    return demopack::info(a.input);
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Packs, checks, unpacks and summarises shows.", "demopack"};
    Arguments a;
    addCommands(app, a);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        const CLI::App* asked = &app;  // "demopack pack --help" describes pack
        for (const CLI::App* sub : app.get_subcommands()) asked = sub;
        std::printf("%s", asked->help().c_str());
        return 0;
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "demopack: %s (see --help)\n", e.what());
        return 1;
    }
    try {
        return run(app, a);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "demopack: %s\n", e.what());
        return 1;
    }
}
