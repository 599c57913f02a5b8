// A project played while it is edited. Each load reads, checks and builds the project in the
// player's GL context: without errors the new show replaces the playing one, sharing every
// program, texture, font and sample whose content did not change; with errors the playing show
// stays as it was.
#pragma once
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class Demo;

namespace live {

struct LoadOutcome {
    bool replaced = false;              // the new show plays from now on
    std::vector<std::string> findings;  // "FILE:LINE:COL: message", errors and warnings, sorted
    size_t errors = 0;
    std::string work;                   // what was built anew and what was kept
    double milliseconds = 0.0;
    double compileMilliseconds = 0.0;   // of which compiling and linking programs
    bool tempoChanged = false, musicChanged = false;  // against the show it replaced
};

class ProjectSession {
public:
    // `show` is where the playing show lives (null until a load succeeds).
    ProjectSession(std::filesystem::path projectFile, std::unique_ptr<Demo>& show);
    ~ProjectSession();

    // Without sharing, everything is built anew.
    LoadOutcome load(bool shareUnchanged = true);
    // The project file, every file it reads and every include its shaders name, missing ones
    // too; after a failed load, also those of the loads before.
    const std::vector<std::filesystem::path>& files() const { return files_; }
    // Once the new show plays (its music started, the frame loop pointing at it), the replaced one
    // can go.
    void dropReplaced() { retired_.reset(); }

private:
    void noteFile(const std::filesystem::path& file);
    void noteIncludes(const Demo& demo);

    std::filesystem::path project_;
    std::unique_ptr<Demo>& show_;
    std::vector<std::filesystem::path> files_;
    // The show replaced last, its GL objects released: the mixer may still play its music until
    // the caller starts the new one, and the frame loop may still point at it until then.
    std::unique_ptr<Demo> retired_;
};

}  // namespace live
