#include "live/FileWatcher.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace live {
namespace fs = std::filesystem;

namespace {

// Folders, not files, are watched: a file's own watch would follow the old file when an editor
// renames a new one over it.
constexpr uint32_t kFolderEvents = IN_MODIFY | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                   IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// A writer that neither writes nor closes for this long has probably left the file open for good
// (or made it by linking, which never closes it); its file is reported after all.
constexpr std::chrono::seconds kAbandonedWrite{3};
// How much of the event queue one poll takes, so that a busy folder cannot hold up a frame.
constexpr int kReadsPerPoll = 64;

fs::path normalised(const fs::path& file) {
    std::error_code error;
    fs::path absolute = fs::absolute(file, error);
    return (error ? file : absolute).lexically_normal();
}

// The file's folder, or the nearest ancestor of it that exists.
fs::path existingFolderOf(const fs::path& file) {
    fs::path folder = file.parent_path();
    std::error_code error;
    while (!fs::is_directory(folder, error) && folder != folder.parent_path()) folder = folder.parent_path();
    return folder;
}

bool isRegularFile(const fs::path& file) {
    std::error_code error;
    return fs::is_regular_file(file, error);
}

}  // namespace

FileWatcher::FileWatcher() : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "inotify");
}

FileWatcher::~FileWatcher() { close(fd_); }

void FileWatcher::watch(const std::vector<fs::path>& files) {
    std::map<fs::path, FileState> kept;
    for (const fs::path& given : files) {
        if (given.empty()) continue;
        const fs::path key = normalised(given);
        auto old = files_.find(key);
        FileState state;
        if (old != files_.end())
            state = old->second;
        else
            state.exists = isRegularFile(key);
        state.given = given;
        kept.emplace(key, state);
    }
    files_ = std::move(kept);
    placeWatches();
}

// Watches the folder of every file, drops the watches no file needs any more, and counts a file
// that appeared or vanished with a folder (before its own events could be seen) as changed.
// A file that is a symbolic link is saved where it points: that folder is watched too.
void FileWatcher::placeWatches() {
    std::map<int, fs::path> placed;
    auto watchFolderOf = [&](const fs::path& file) {
        const fs::path folder = existingFolderOf(file);
        const int wd = inotify_add_watch(fd_, folder.c_str(), kFolderEvents);
        if (wd >= 0)
            placed[wd] = folder;
        else
            std::fprintf(stderr, "Cannot watch %s: %s\n", folder.c_str(), std::strerror(errno));
    };
    linkTargets_.clear();
    for (auto& [file, state] : files_) {
        watchFolderOf(file);
        std::error_code error;
        if (fs::is_symlink(file, error)) {
            const fs::path target = fs::canonical(file, error);
            if (!error && target != file) {
                linkTargets_[target] = file;
                watchFolderOf(target);
            }
        }
        const bool exists = isRegularFile(file);
        if (exists != state.exists) state = {exists, true, false, Clock::now(), state.given};
    }
    for (const auto& [wd, folder] : folders_)
        if (!placed.count(wd)) inotify_rm_watch(fd_, wd);
    folders_ = std::move(placed);
}

bool FileWatcher::isAncestorOfWatched(const fs::path& path) const {
    return std::any_of(files_.begin(), files_.end(), [&](const auto& entry) {
        const fs::path& file = entry.first;
        auto [inPath, inFile] = std::mismatch(path.begin(), path.end(), file.begin(), file.end());
        return inPath == path.end() && inFile != file.end();
    });
}

void FileWatcher::noteFileEvent(FileState& file, uint32_t mask) {
    file.changed = true;
    file.lastEvent = Clock::now();
    if (mask & (IN_MODIFY | IN_CREATE)) file.writing = true;
    if (mask & (IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM)) file.writing = false;
    file.exists = !(mask & (IN_DELETE | IN_MOVED_FROM));
}

void FileWatcher::readEvents() {
    alignas(inotify_event) char buffer[16384];
    bool regroup = false;
    for (int round = 0; round < kReadsPerPoll; ++round) {
        const ssize_t length = read(fd_, buffer, sizeof buffer);
        if (length <= 0) break;
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += sizeof(inotify_event) + event->len;
            if (event->mask & IN_Q_OVERFLOW) {
                // Events were lost: every file may have changed.
                for (auto& [file, state] : files_) state.changed = true, state.lastEvent = Clock::now();
                regroup = true;
                continue;
            }
            auto folder = folders_.find(event->wd);
            if (folder == folders_.end()) continue;
            if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
                regroup = true;
                continue;
            }
            if (event->len == 0) continue;
            fs::path path = folder->second / event->name;
            if (auto link = linkTargets_.find(path); link != linkTargets_.end()) path = link->second;
            if (auto file = files_.find(path); file != files_.end()) {
                noteFileEvent(file->second, event->mask);
                regroup |= (event->mask & (IN_CREATE | IN_MOVED_TO)) != 0;  // perhaps a link, perhaps no longer
            } else if ((event->mask & IN_ISDIR) && isAncestorOfWatched(path))
                regroup = true;
        }
    }
    if (regroup) placeWatches();
}

std::vector<fs::path> FileWatcher::changedFiles() {
    readEvents();
    const Clock::time_point now = Clock::now();
    std::vector<fs::path> changed;
    for (auto& [file, state] : files_) {
        if (!state.changed || now - state.lastEvent < settle) continue;
        if (state.writing && now - state.lastEvent < kAbandonedWrite) continue;
        state.changed = state.writing = false;
        changed.push_back(state.given);
    }
    std::sort(changed.begin(), changed.end());
    return changed;
}

}  // namespace live
