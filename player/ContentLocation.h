// Finds the show (behind the executable's "DEMO" trailer, else in "content.dat", or in a file
// named on the command line) and reads it while the loading screen advances.
#pragma once
#include <memory>
#include <string>

class Demo;
class LoadingScreen;

// Reads the show and runs its post-load step. A named content file (a block, or a show
// executable with its trailer) is read instead of the search; one that cannot be opened ends the
// player with status 1. Without any content it says so in "error.log" and on standard error and
// exits with status 1; a block the reader rejects ends the player through crashExit. The screen
// may be null.
std::unique_ptr<Demo> locateAndReadContent(const std::string& executablePath, const std::string& contentPath,
                                           LoadingScreen* screen);
