// Finds the show (behind the executable's "DEMO" trailer, else in "content.dat", or in a file
// named on the command line) and reads it while the loading screen advances.
#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "content/BlockFile.h"

class Demo;
class LoadingScreen;

// An opened file and where the show's block lies in it.
struct ContentBlock {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{nullptr, std::fclose};
    content::BlockLocation where;
};

// Finds the block and sets contentFromExecutable. A named content file (a block, or a show
// executable with its trailer) is used instead of the search; one that cannot be opened ends the
// player with status 1. Without any content it says so in "error.log" and on standard error and
// exits with status 1.
ContentBlock locateContent(const std::string& executablePath, const std::string& contentPath);

// The music's sample rate as the block's last four bytes hold it, read ahead of the block so that
// the audio device can run at it while the show is read; nothing when they cannot be read. Only a
// guess for a damaged block: the rate read with the show is the one that counts.
std::optional<int32_t> peekSampleRate(const ContentBlock& block);

// Reads the show and runs its post-load step; a block the reader rejects ends the player through
// crashExit. The screen may be null.
std::unique_ptr<Demo> readContent(ContentBlock& block, LoadingScreen* screen);

// locateContent, then readContent.
std::unique_ptr<Demo> locateAndReadContent(const std::string& executablePath, const std::string& contentPath,
                                           LoadingScreen* screen);

// Reads a project file as the pack tool does, for a show recorded straight from its project: its
// findings go to standard error, and an error ends the player with status 1. The checks build the
// show in a context of their own; the one current before stays current.
std::unique_ptr<Demo> readCheckedProject(const std::string& projectFile);
