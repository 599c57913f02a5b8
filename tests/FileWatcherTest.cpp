#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <thread>

#include "live/FileWatcher.h"
#include "TestSupport.h"

namespace fs = std::filesystem;
using testing_support::readText;
using testing_support::ScratchDir;
using testing_support::writeFile;

namespace {

// Everything the watcher reports over a stretch of time, polled as a frame loop would.
std::vector<fs::path> reportsDuring(live::FileWatcher& watcher, std::chrono::milliseconds span) {
    std::vector<fs::path> all;
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) {
        for (auto& file : watcher.changedFiles()) all.push_back(file);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return all;
}

// The reports of one save: up to two seconds for the first (a busy machine may be slow to run
// us), then a while longer for any second one.
std::vector<fs::path> reportsOfASave(live::FileWatcher& watcher) {
    std::vector<fs::path> first;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (first.empty() && std::chrono::steady_clock::now() < giveUp) {
        first = watcher.changedFiles();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    for (auto& file : reportsDuring(watcher, std::chrono::milliseconds(150))) first.push_back(file);
    return first;
}

void writeRaw(int fd, const std::string& text) { ASSERT_EQ(write(fd, text.data(), text.size()), ssize_t(text.size())); }

}  // namespace

TEST(FileWatcherTest, EverySaveStyleGivesOneReport) {
    ScratchDir dir("watcher-styles");
    const fs::path file = dir.path() / "stage.frag";
    const fs::path other = dir.path() / "other.frag";
    writeFile(file, "old");
    writeFile(other, "other");
    const std::vector<std::pair<const char*, std::function<void()>>> styles = {
        {"write in place",
         [&] {
             int fd = open(file.c_str(), O_WRONLY);
             writeRaw(fd, "new");
             close(fd);
         }},
        {"truncate then write",
         [&] {
             int fd = open(file.c_str(), O_WRONLY | O_TRUNC);
             writeRaw(fd, "newer text");
             close(fd);
         }},
        {"temporary renamed over",
         [&] {
             writeFile(dir.path() / ".stage.frag.tmp", "from a temporary");
             fs::rename(dir.path() / ".stage.frag.tmp", file);
         }},
        {"old renamed away, new written",
         [&] {
             fs::rename(file, dir.path() / "stage.frag~");
             writeFile(file, "a fresh file");
         }},
    };
    live::FileWatcher watcher;
    watcher.watch({file, dir.path() / "missing.frag"});
    for (const auto& [name, save] : styles) {
        save();
        writeFile(other, "unwatched");
        EXPECT_EQ(reportsOfASave(watcher), std::vector<fs::path>{file}) << name;
    }
}

TEST(FileWatcherTest, HalfWrittenFileIsReportedOnceFinished) {
    ScratchDir dir("watcher-half");
    const fs::path file = dir.path() / "project.json";
    writeFile(file, "{}");
    live::FileWatcher watcher;
    watcher.watch({file});
    int fd = open(file.c_str(), O_WRONLY | O_TRUNC);
    writeRaw(fd, "{\"bpm\": ");
    EXPECT_TRUE(reportsDuring(watcher, std::chrono::seconds(1)).empty()) << "the file is still open for writing";
    writeRaw(fd, "120}");
    close(fd);
    EXPECT_EQ(reportsOfASave(watcher), std::vector<fs::path>{file});
    EXPECT_EQ(readText(file), "{\"bpm\": 120}");
}

TEST(FileWatcherTest, FileInFoldersThatDoNotExistYetIsReportedWhenMade) {
    ScratchDir dir("watcher-missing");
    const fs::path file = dir.path() / "shaders" / "lib" / "noise.glsl";
    live::FileWatcher watcher;
    watcher.watch({file});
    fs::create_directories(file.parent_path());
    EXPECT_TRUE(reportsDuring(watcher, std::chrono::milliseconds(100)).empty());
    writeFile(file, "float noise();");
    EXPECT_EQ(reportsOfASave(watcher), std::vector<fs::path>{file});
    // The replaced set no longer holds it.
    watcher.watch({dir.path() / "other.glsl"});
    writeFile(file, "float noise(vec2);");
    EXPECT_TRUE(reportsDuring(watcher, std::chrono::milliseconds(100)).empty());
}

TEST(FileWatcherTest, LinkedFileIsReportedWhenItsTargetIsSaved) {
    ScratchDir dir("watcher-link");
    fs::create_directories(dir.path() / "shared");
    fs::create_directories(dir.path() / "show");
    writeFile(dir.path() / "shared" / "noise.glsl", "old");
    const fs::path link = dir.path() / "show" / "noise.glsl";
    fs::create_symlink("../shared/noise.glsl", link);
    live::FileWatcher watcher;
    watcher.watch({link});
    writeFile(dir.path() / "shared" / "noise.glsl", "new");
    EXPECT_EQ(reportsOfASave(watcher), std::vector<fs::path>{link});
}
