#include "player/ContentLocation.h"

#include <cstdio>
#include <cstdlib>

#include "content/BlockFile.h"
#include "content/ContentError.h"
#include "content/Demo.h"
#include "player/CrashExit.h"
#include "player/PlayerHooks.h"
#include "player/Runtime.h"

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

File open(const std::string& path) { return File(std::fopen(path.c_str(), "rb"), std::fclose); }

[[noreturn]] void noContent() {
    if (std::FILE* log = std::fopen("error.log", "wb")) {
        std::fputs("Cannot find DEMO in executable. Please follow the instructions in Glimmerdeck.\n", log);
        std::fclose(log);
    }
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

}  // namespace

std::unique_ptr<Demo> locateAndReadContent(const std::string& executablePath, LoadingScreen* screen) {
    File executable = open(executablePath);
    File contentFile = open("content.dat");
    content::BlockLocation where;
    std::unique_ptr<Demo> demo;
    if (hasTrailer(executable.get(), where)) {
        demo = readBlock(executable.get(), where, screen);
        contentFromExecutable = true;
    } else if (contentFile) {
        demo = readBlock(contentFile.get(), content::wholeFile(contentFile.get()), screen);
    } else {
        noContent();
    }
    // Programs resolve their includes against the show only once it is complete.
    theDemo = demo.get();
    demo->postLoad();
    return demo;
}
