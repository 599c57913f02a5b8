// Finds the show (behind the executable's "DEMO" trailer, else in "content.dat") and reads it
// while the loading screen advances.
#pragma once
#include <memory>
#include <string>

class Demo;
class LoadingScreen;

// Reads the show and runs its post-load step. Without any content it writes "error.log" and
// exits with status 1; a block the reader rejects ends the player through crashExit.
std::unique_ptr<Demo> locateAndReadContent(const std::string& executablePath, LoadingScreen* screen);
