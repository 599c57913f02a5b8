#include "player/ContentLocation.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "content/BlockFile.h"
#include "content/ContentError.h"
#include "show/Demo.h"
#include "player/CrashExit.h"
#include "player/PlayerHooks.h"
#include "frame/Runtime.h"

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

File open(const std::string& path) { return File(std::fopen(path.c_str(), "rb"), std::fclose); }

[[noreturn]] void noContent() {
    const char* message = "Cannot find DEMO in executable. Please follow the instructions in Glimmerdeck.\n";
    if (std::FILE* log = std::fopen("error.log", "wb")) {
        std::fputs(message, log);
        std::fclose(log);
    }
    std::fputs(message, stderr);
    std::exit(1);
}

std::unique_ptr<Demo> readBlock(std::FILE* file, const content::BlockLocation& where, LoadingScreen* screen) {
    PlayerHooks hooks(screen);
    auto demo = std::make_unique<Demo>(hooks);
    try {
        std::fseek(file, long(where.offset), SEEK_SET);
        content::BinaryReader in(file, where.size);
        demo->readBinary(in);
        const std::string fault = demo->timingFault();
        if (!fault.empty()) throw content::ContentError("Corrupt content block: " + fault);
    } catch (const content::ContentError& e) {
        crashExit(e.what());
    }
    demo->hooks = &content::LoadHooks::none();
    return demo;
}

bool hasTrailer(std::FILE* executable, content::BlockLocation& where) {
    try {
        return executable && content::findTrailer(executable, where);
    } catch (const content::ContentError& e) {
        crashExit(e.what());
    }
}

// A file named on the command line: a show executable when it ends in a trailer, else a block.
std::unique_ptr<Demo> readNamedContent(const std::string& contentPath, LoadingScreen* screen) {
    File file = open(contentPath);
    if (!file) {
        std::fprintf(stderr, "Cannot open the content %s: %s\n", contentPath.c_str(), std::strerror(errno));
        std::exit(1);
    }
    content::BlockLocation where;
    if (hasTrailer(file.get(), where)) {
        contentFromExecutable = true;
        return readBlock(file.get(), where, screen);
    }
    return readBlock(file.get(), content::wholeFile(file.get()), screen);
}

std::unique_ptr<Demo> searchContent(const std::string& executablePath, LoadingScreen* screen) {
    File executable = open(executablePath);
    File contentFile = open("content.dat");
    content::BlockLocation where;
    if (hasTrailer(executable.get(), where)) {
        contentFromExecutable = true;
        return readBlock(executable.get(), where, screen);
    }
    if (contentFile) return readBlock(contentFile.get(), content::wholeFile(contentFile.get()), screen);
    noContent();
}

}  // namespace

std::unique_ptr<Demo> locateAndReadContent(const std::string& executablePath, const std::string& contentPath,
                                           LoadingScreen* screen) {
    std::unique_ptr<Demo> demo =
        contentPath.empty() ? searchContent(executablePath, screen) : readNamedContent(contentPath, screen);
    // Programs resolve their includes against the show only once it is complete.
    showPrograms = &demo->shaders;
    demo->postLoad();
    return demo;
}
