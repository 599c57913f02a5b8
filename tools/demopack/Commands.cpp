#include "tools/demopack/Commands.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "content/BlockFile.h"
#include "content/ContentError.h"
#include "show/Demo.h"
#include "show/ProjectFile.h"
#include "checks/OutputCapture.h"
#include "checks/ProjectCheck.h"

namespace fs = std::filesystem;

namespace demopack {
namespace {

std::vector<uint8_t> readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw content::ContentError("Cannot open " + path);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeWhole(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) throw content::ContentError("Cannot write " + path);
}

template <class T>
void listNames(const char* title, const Demo::List<T>& list, std::string (*nameOf)(const T&)) {
    std::printf("%s: %zu\n", title, list.size());
    for (const auto& record : list) std::printf("  %s\n", nameOf(*record).c_str());
}

template <class T>
std::string recordName(const T& record) {
    return record.name;
}

std::string programName(const ShaderProgram& p) { return p.fragmentFilename; }

}  // namespace

int pack(const std::string& project, const std::string& output, const std::string& executable, bool checked,
         bool verbose) {
    Demo demo;
    if (checked) {
        checks::ProjectCheck findings(project);
        const bool clean = checks::checkProject(project, findings, demo, verbose);
        checks::printFindings(findings, ": nothing written");
        if (!clean) return 1;
    } else {
        checks::OutputCapture quiet(!verbose);  // the readers name each file they load
        content::readProjectFile(project, demo);
    }
    const std::string fault = demo.timingFault();
    if (!fault.empty()) throw content::ContentError(project + ": " + fault + "; nothing written");
    content::BinaryWriter out;
    demo.writeBinary(out);
    if (executable.empty()) {
        writeWhole(output, out.bytes());
    } else {
        writeWhole(output, content::appendBlock(readWhole(executable), out.bytes()));
        ::chmod(output.c_str(), 0755);
    }
    std::printf("Wrote %s: %zu bytes of content, %llu records\n", output.c_str(), out.bytes().size(),
                (unsigned long long)demo.total);
    return 0;
}

int unpack(const std::string& input, const std::string& folder) {
    Demo demo;
    content::readDemoFile(input, demo);
    content::JsonFiles files;
    files.folder = folder;
    files.externalise = true;
    fs::create_directories(folder);
    content::Json json = demo.toJson(files);
    std::ofstream out(fs::path(folder) / "project.json");
    out << json.dump(2) << "\n";
    if (!out) throw content::ContentError("Cannot write " + (fs::path(folder) / "project.json").string());
    std::printf("Unpacked %s into %s\n", input.c_str(), folder.c_str());
    return 0;
}

int info(const std::string& input) {
    Demo demo;
    content::BlockLocation where = content::readDemoFile(input, demo);
    std::printf("%s: %s, %llu bytes at offset %llu, %llu records\n", input.c_str(),
                where.inExecutable ? "show executable" : "content block", (unsigned long long)where.size,
                (unsigned long long)where.offset, (unsigned long long)demo.total);
    listNames("events", demo.events, recordName<Event>);
    listNames("effects", demo.effects, recordName<Effect>);
    listNames("shader programs", demo.shaders, programName);
    listNames("textures", demo.textures, recordName<Texture>);
    listNames("audio samples", demo.audioSamples, recordName<AudioSample>);
    listNames("event groups", demo.eventGroups, recordName<EventGroup>);
    listNames("fonts", demo.fonts, recordName<Font>);
    listNames("font textures", demo.fontTextures, recordName<FontTexture>);
    listNames("datas", demo.datas, recordName<Data>);
    listNames("models", demo.models, recordName<Model>);
    listNames("scenes", demo.scenes, recordName<Scene>);
    listNames("scripts", demo.scripts, recordName<Script>);
    listNames("patches", demo.patches, recordName<ShaderPatch>);
    std::printf("graphs: %zu\n", demo.graphs.size());
    for (size_t i = 0; i < demo.graphs.size(); ++i)
        std::printf("  graph %zu: %zu nodes%s\n", i, demo.graphs[i]->nodes.size(), i == 0 ? " (root)" : "");
    std::printf("tempo: %g bpm, beat offset %g\n", demo.bpm, demo.beatOffset);
    std::printf("end beat: %g\n", demo.endBeat);
    std::printf("music: %llu bytes at %d Hz\n", (unsigned long long)demo.music.length, demo.musicSampleRate);
    return 0;
}

}  // namespace demopack
