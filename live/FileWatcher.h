// Tells which of a set of files were saved, whatever way an editor saves them, through inotify on
// their folders. Made for polling once a frame: it never blocks.
#pragma once
#include <chrono>
#include <filesystem>
#include <map>
#include <vector>

namespace live {

class FileWatcher {
public:
    // An inotify instance, non-blocking; throws std::system_error when the kernel refuses one.
    FileWatcher();
    ~FileWatcher();
    FileWatcher(const FileWatcher&) = delete;
    FileWatcher& operator=(const FileWatcher&) = delete;

    // Watches exactly these files from now on (replaces the previous set). Files that do not
    // exist yet are included: their folder is watched (and the nearest existing ancestor when
    // the folder is missing too).
    void watch(const std::vector<std::filesystem::path>& files);
    // Never blocks. The watched files whose content changed and has settled since the last call,
    // each once, sorted; empty when none. A file still open for writing, or written less than
    // `settle` ago, is not reported yet. Every save style (write in place, truncate then write,
    // write a temporary and rename over, rename the old away and write a new one) gives one report.
    std::vector<std::filesystem::path> changedFiles();
    std::chrono::milliseconds settle{30};

private:
    using Clock = std::chrono::steady_clock;
    struct FileState {
        bool exists = false;
        bool changed = false;
        bool writing = false;  // written to and not yet closed
        Clock::time_point lastEvent;
        std::filesystem::path given;  // as the caller named it, which is how it is reported
    };

    void readEvents();
    void noteFileEvent(FileState& file, uint32_t mask);
    void placeWatches();
    bool isAncestorOfWatched(const std::filesystem::path& path) const;

    int fd_ = -1;
    std::map<std::filesystem::path, FileState> files_;  // by absolute, normalised path
    std::map<int, std::filesystem::path> folders_;  // watch descriptor -> folder
    std::map<std::filesystem::path, std::filesystem::path> linkTargets_;  // where a linked file points -> the link
};

}  // namespace live
