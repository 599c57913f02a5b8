#include "player/ContentLocation.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <SDL.h>

#include "checks/ProjectCheck.h"
#include "content/BlockFile.h"
#include "content/ContentError.h"
#include "show/Demo.h"
#include "show/ProjectFile.h"
#include "player/CrashExit.h"
#include "player/PlayerHooks.h"
#include "frame/Runtime.h"

namespace {

ContentBlock open(const std::string& path) {
    ContentBlock block;
    block.file.reset(std::fopen(path.c_str(), "rb"));
    return block;
}

[[noreturn]] void noContent() {
    const char* message = "Cannot find DEMO in executable. Please follow the instructions in Glimmerdeck.\n";
    if (std::FILE* log = std::fopen("error.log", "wb")) {
        std::fputs(message, log);
        std::fclose(log);
    }
    std::fputs(message, stderr);
    std::exit(1);
}

bool hasTrailer(ContentBlock& block) {
    try {
        return block.file && content::findTrailer(block.file.get(), block.where);
    } catch (const content::ContentError& e) {
        crashExit(e.what());
    }
}

// A file named on the command line: a show executable when it ends in a trailer, else a block.
ContentBlock locateNamedContent(const std::string& contentPath) {
    ContentBlock block = open(contentPath);
    if (!block.file) {
        std::fprintf(stderr, "Cannot open the content %s: %s\n", contentPath.c_str(), std::strerror(errno));
        std::exit(1);
    }
    if (hasTrailer(block)) contentFromExecutable = true;
    else block.where = content::wholeFile(block.file.get());
    return block;
}

ContentBlock searchContent(const std::string& executablePath) {
    ContentBlock executable = open(executablePath);
    ContentBlock contentFile = open("content.dat");
    if (hasTrailer(executable)) {
        contentFromExecutable = true;
        return executable;
    }
    if (!contentFile.file) noContent();
    contentFile.where = content::wholeFile(contentFile.file.get());
    return contentFile;
}

}  // namespace

ContentBlock locateContent(const std::string& executablePath, const std::string& contentPath) {
    return contentPath.empty() ? searchContent(executablePath) : locateNamedContent(contentPath);
}

std::optional<int32_t> peekSampleRate(const ContentBlock& block) {
    uint8_t bytes[4];
    if (block.where.size < sizeof bytes || block.where.offset + block.where.size > uint64_t(LONG_MAX)) return {};
    if (std::fseek(block.file.get(), long(block.where.offset + block.where.size - sizeof bytes), SEEK_SET) != 0 ||
        std::fread(bytes, 1, sizeof bytes, block.file.get()) != sizeof bytes)
        return {};
    return int32_t(uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24);
}

// Decoding still under way when the block turns out damaged is dropped before the process ends.
std::unique_ptr<Demo> readContent(ContentBlock& block, LoadingScreen* screen) {
    PlayerHooks hooks(screen);
    auto demo = std::make_unique<Demo>(hooks);
    try {
        std::fseek(block.file.get(), long(block.where.offset), SEEK_SET);
        content::BinaryReader in(block.file.get(), block.where.size);
        demo->readBinary(in);
        const std::string fault = demo->timingFault();
        if (!fault.empty()) throw content::ContentError("Corrupt content block: " + fault);
    } catch (const content::ContentError& e) {
        hooks.cancel();
        crashExit(e.what());
    }
    demo->hooks = &content::LoadHooks::none();
    // Programs resolve their includes against the show only once it is complete.
    showPrograms = &demo->shaders;
    demo->postLoad();
    return demo;
}

std::unique_ptr<Demo> locateAndReadContent(const std::string& executablePath, const std::string& contentPath,
                                           LoadingScreen* screen) {
    ContentBlock block = locateContent(executablePath, contentPath);
    return readContent(block, screen);
}

std::unique_ptr<Demo> readCheckedProject(const std::string& projectFile) {
    SDL_Window* window = SDL_GL_GetCurrentWindow();
    SDL_GLContext context = SDL_GL_GetCurrentContext();
    {
        checks::ProjectCheck findings(projectFile);
        Demo checked;
        const bool clean = checks::checkProject(projectFile, findings, checked, false);
        checks::printFindings(findings, "");
        SDL_GL_MakeCurrent(window, context);
        if (!clean) std::exit(1);
    }
    PlayerHooks hooks(nullptr);
    auto demo = std::make_unique<Demo>(hooks);
    try {
        content::readProjectFile(projectFile, *demo);
    } catch (const content::ContentError& e) {
        crashExit(e.what());
    }
    demo->hooks = &content::LoadHooks::none();
    showPrograms = &demo->shaders;
    demo->postLoad();
    return demo;
}
