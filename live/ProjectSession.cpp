#include "live/ProjectSession.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <exception>
#include <regex>

#include "checks/BuildCheck.h"
#include "checks/OutputCapture.h"
#include "checks/ProjectCheck.h"
#include "checks/ShowChecks.h"
#include "graph/NodeType.h"
#include "live/ReloadHooks.h"
#include "live/ShowRelease.h"
#include "shaders/ShaderSource.h"
#include "show/Demo.h"
#include "show/ProjectFile.h"

namespace live {
namespace {

bool sameBytes(const ByteBuffer& a, const ByteBuffer& b) {
    return a.present() == b.present() && a.length == b.length && (a.length == 0 || std::memcmp(a.begin(), b.begin(), a.length) == 0);
}

// A reader's refusal (a missing file the checks did not name, a value it cannot take) is told as
// a finding at the top of the project.
bool readInto(const std::filesystem::path& project, Demo& demo, checks::ProjectCheck& check) {
    try {
        checks::OutputCapture quiet;  // the readers narrate each file
        content::readProjectFile(project, demo);
    } catch (const std::exception& e) {
        check.add("", e.what());
        return false;
    }
    std::vector<std::string> types;
    for (size_t i = 0; i < Nodes::catalogue().size(); ++i) types.push_back(Nodes::catalogue()[i].name);
    check.checkNodeTypes(types);
    return check.errorCount() == 0;
}

bool sameProgram(const ShaderProgram& old, const ShaderProgram& fresh, const std::string& resolvedFragment) {
    static const content::JsonFiles embedded;
    return old.program != 0 && old.fragmentFilename == fresh.fragmentFilename && old.vertexSource == fresh.vertexSource &&
           old.processedFragmentSource == resolvedFragment && old.toJson(embedded) == fresh.toJson(embedded);
}

// A program whose own text, included texts and uniform defs are unchanged shares the old show's
// built program; the others (an edited shader and every program that includes it) are built.
std::vector<bool> shareUnchangedPrograms(Demo& fresh, Demo* old, Handover& handover) {
    std::vector<bool> shared(fresh.shaders.size(), false);
    if (!old) return shared;
    std::vector<const ShaderProgram*> list;
    for (const auto& p : fresh.shaders) list.push_back(p.get());
    for (size_t i = 0; i < fresh.shaders.size(); ++i) {
        ShaderProgram& p = *fresh.shaders[i];
        const std::string resolved = resolveIncludes(p, list).text;
        for (const auto& o : old->shaders) {
            if (!sameProgram(*o, p, resolved) || !handover.claim(o.get())) continue;
            p = *o;
            handover.share(o->program, p.program);
            handover.share(o->vertexShader, p.vertexShader);
            handover.share(o->fragmentShader, p.fragmentShader);
            shared[i] = true;
            break;
        }
    }
    return shared;
}

std::string count(size_t n, const char* what) { return std::to_string(n) + " " + what; }

}  // namespace

ProjectSession::ProjectSession(std::filesystem::path projectFile, std::unique_ptr<Demo>& show)
    : project_(std::move(projectFile)), show_(show) {
    noteFile(project_);
}

ProjectSession::~ProjectSession() = default;

void ProjectSession::noteFile(const std::filesystem::path& file) {
    const std::filesystem::path normal = file.lexically_normal();
    if (std::find(files_.begin(), files_.end(), normal) == files_.end()) files_.push_back(normal);
}

// An include names another program by its fragment file; when no program has that file yet, the
// file may be about to be made and listed.
void ProjectSession::noteIncludes(const Demo& demo) {
    static const std::regex include("#include\\s+\"([^\"]+)\"");
    const std::filesystem::path folder = project_.parent_path();
    for (const auto& p : demo.shaders)
        for (std::sregex_iterator it(p->fragmentSource.begin(), p->fragmentSource.end(), include), end; it != end; ++it)
            noteFile(folder / (*it)[1].str());
}

LoadOutcome ProjectSession::load(bool shareUnchanged) {
    const auto started = std::chrono::steady_clock::now();
    LoadOutcome out;
    checks::ProjectCheck check(project_);
    check.checkContent();
    for (const std::string& file : check.filesRead()) noteFile(file);

    retired_.reset();
    Demo* old = show_.get();
    Handover handover;
    Demo* giver = shareUnchanged ? old : nullptr;
    ReloadHooks hooks(giver, handover);
    auto fresh = std::make_unique<Demo>(hooks);
    size_t built = 0, sharedPrograms = 0;
    if (check.errorCount() == 0 && readInto(project_, *fresh, check)) {
        noteIncludes(*fresh);
        checks::BuildReuse reuse{shareUnchangedPrograms(*fresh, giver, handover), false};
        sharedPrograms = size_t(std::count(reuse.programs.begin(), reuse.programs.end(), true));
        built = fresh->shaders.size() - sharedPrograms;
        checks::BuildTimes times;
        checks::checkBuiltHere(*fresh, check, times, reuse);
        for (auto& effect : fresh->effects) effect->createTargets();
        checks::checkShow(*fresh, check);
        out.compileMilliseconds = times.shaders * 1000.0;
        if (const std::string fault = fresh->timingFault(); !fault.empty()) check.add("", fault);
    }
    for (const checks::Finding& f : check.sortedFindings()) out.findings.push_back(check.format(f));
    out.errors = check.errorCount();
    fresh->hooks = &content::LoadHooks::none();

    if (out.errors > 0) {
        handover.refuse();
        releaseShow(*fresh);
        fresh.reset();
        if (old) old->relinkNodeTypes();
        showPrograms = old ? &old->shaders : nullptr;
    } else {
        handover.keep();
        if (old) {
            out.tempoChanged = old->bpm != fresh->bpm || old->beatOffset != fresh->beatOffset;
            out.musicChanged = !sameBytes(old->music, fresh->music);
            // The mixer plays the music from the show's own bytes: the same bytes carry over.
            if (!out.musicChanged) std::swap(old->music, fresh->music);
            releaseShow(*old);
        }
        retired_ = std::move(show_);
        show_ = std::move(fresh);
        out.replaced = true;
        out.work = count(built, "programs built") + ", " + count(sharedPrograms, "kept") + "; " +
                   count(size_t(hooks.made), "media made") + ", " + count(size_t(hooks.kept), "kept");
    }
    out.milliseconds = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    return out;
}

}  // namespace live
