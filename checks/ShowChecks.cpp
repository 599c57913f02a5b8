#include "checks/ShowChecks.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "show/Demo.h"
#include "show/EndOfShow.h"
#include "timeline/SceneSteering.h"
#include "checks/CheckText.h"
#include "checks/ProjectCheck.h"

namespace checks {
namespace {

using content::Json;
using content::JsonPositions;

std::string number(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", double(v));
    return text;
}

std::string entry(const char* list, size_t i) { return JsonPositions::child(JsonPositions::child("", list), i); }

// The value of `key` under `path` when the project writes it, else the entry itself.
std::string keyOr(const ProjectCheck& f, const std::string& path, const char* key) {
    const std::string child = JsonPositions::child(path, key);
    return f.json().contains(Json::json_pointer(child)) ? child : path;
}

std::set<const Event*> groupMembers(const Demo& demo) {
    std::set<const Event*> members;
    for (const auto& group : demo.eventGroups) members.insert(group->events.begin(), group->events.end());
    return members;
}

// A member of a group plays on the group's timeline, so only its span's emptiness counts.
void checkSpan(const Demo& demo, const Event& e, bool member, const std::string& path, ProjectCheck& f) {
    const std::string who = f.describe(path) + ": ";
    const bool sample = e.type == Event::SampleEvent;
    const char* startKey = sample ? "beat" : "start_beat";
    if (!sample && !(e.end_beat > e.start_beat)) {
        f.warn(keyOr(f, path, "end_beat"), who + "its span is empty (\"end_beat\" " + number(e.end_beat) +
                                               " is not after \"start_beat\" " + number(e.start_beat) +
                                               "), so it never plays");
    } else if (!member && pastEndOfShow(e.start_beat, demo.endBeat)) {
        f.warn(keyOr(f, path, startKey), who + "it starts at beat " + number(e.start_beat) +
                                             ", after the show's \"end_beat\" " + number(demo.endBeat) +
                                             ", so it never plays");
    } else if (!member && e.end_beat <= 0.0f) {
        f.warn(keyOr(f, path, sample ? "beat" : "end_beat"),
               who + "it ends at beat " + number(e.end_beat) + ", before the show starts at beat 0, so it never plays");
    }
}

// The tracks an effect event reads: its program's uniform defs, its effect's font textures and,
// when the effect draws a scene, the scene tracks.
std::vector<std::string> effectTracks(const Event& e) {
    std::vector<std::string> names;
    if (e.type != Event::EffectEvent || !e.effect) return names;
    if (e.effect->program)
        for (const UniformDef& d : e.effect->program->uniformDefs) names.push_back(d.name);
    for (const FontTexture* t : e.effect->fontTextures)
        if (t) names.push_back(t->name);
    if (e.effect->scene) {
        const std::vector<std::string> scene = sceneTrackNames();
        names.insert(names.end(), scene.begin(), scene.end());
    }
    return names;
}

// The track names an event reads, with what they are for a message; false when that is not known
// (a reference that did not resolve, which is reported as such).
bool readTracks(const Event& e, std::vector<std::string>& names, std::string& rule) {
    switch (e.type) {
        case Event::EffectEvent:
            if (!e.effect || !e.effect->program) return false;
            names = effectTracks(e);
            rule = "an effect event reads the tracks named like its program's uniform defs, its effect's font "
                   "textures and, with a scene, the scene tracks";
            return true;
        case Event::GroupEvent:
            if (!e.group) return false;
            for (const Event* member : e.group->events)
                if (member && member != &e)
                    for (const std::string& name : effectTracks(*member)) names.push_back(member->name + "." + name);
            rule = "a group event reads the tracks named member.uniform or member.font_texture after its member "
                   "effect events";
            return true;
        case Event::ValueEvent:
            for (const UniformDef& d : e.uniform_defs) names.push_back(d.name);
            rule = "a value event reads the tracks named like its own uniform defs";
            return true;
        default:
            rule = "a sample event reads no tracks";
            return true;
    }
}

void checkTrackNames(const Event& e, const std::string& path, ProjectCheck& f) {
    std::vector<std::string> names;
    std::string rule;
    if (!readTracks(e, names, rule)) return;
    for (const auto& [name, track] : e.tracks) {
        if (std::find(names.begin(), names.end(), name) != names.end()) continue;
        const std::string at = JsonPositions::child(JsonPositions::child(path, "control_points"), name);
        f.warn(at, f.describe(path) + ": nothing reads the track " + checks::quoted(name) + ": " + rule +
                       didYouMean(nearestWord(name, names)),
               true);
    }
}

// The first beat of the event's span at which a repeat track leaves the range of its points'
// values. Past its last point such a track does not loop: it goes on along the line from the last
// point through the first, without end.
struct Runaway {
    float beat, lo, hi;
};

std::optional<Runaway> runaway(const Event& e, const Track& track) {
    if (!track.repeat || track.points.size() < 2) return {};
    float lo = track.points[0].value, hi = lo;
    for (const ControlPoint& p : track.points) {
        if (!p.text.empty()) return {};
        lo = std::min(lo, p.value), hi = std::max(hi, p.value);
    }
    const float last = track.points.back().beat, span = e.end_beat - e.start_beat;
    if (!(span > last)) return {};
    const float tolerance = 1e-4f * std::max(1.0f, hi - lo);
    constexpr int kSteps = 512;
    for (int k = 1; k <= kSteps; ++k) {
        const float local = last + (span - last) * float(k) / kSteps;
        const float v = e.evaluate(&track, e.start_beat + local);
        if (v < lo - tolerance || v > hi + tolerance) return Runaway{e.start_beat + local, lo, hi};
    }
    return {};
}

void checkTrackPoints(const Event& e, const std::string& path, ProjectCheck& f) {
    for (const auto& [name, track] : e.tracks) {
        const std::string at = JsonPositions::child(JsonPositions::child(path, "control_points"), name);
        const std::string who = f.describe(at) + ": ";
        for (size_t k = 1; k < track.points.size(); ++k) {
            if (!(track.points[k].beat < track.points[k - 1].beat)) continue;
            const std::string point = JsonPositions::child(JsonPositions::child(at, "control_points"), k);
            f.warn(keyOr(f, point, "beat"), who + "control point " + std::to_string(k) + " (beat " +
                                                number(track.points[k].beat) + ") comes before point " +
                                                std::to_string(k - 1) + " (beat " + number(track.points[k - 1].beat) +
                                                "): points are read in ascending beat order");
            break;
        }
        if (std::optional<Runaway> away = runaway(e, track))
            f.warn(keyOr(f, at, "repeat"),
                   who + "\"repeat\" does not loop: after its last point (beat " +
                       number(e.start_beat + track.points.back().beat) +
                       ") the track goes on along the line from its last point through its first, and at beat " +
                       number(away->beat) + " it leaves the range of its points' values (" + number(away->lo) + " ... " +
                       number(away->hi) + ") before its event ends");
    }
}

void checkEvents(const Demo& demo, ProjectCheck& f) {
    const std::set<const Event*> members = groupMembers(demo);
    for (size_t i = 0; i < demo.events.size(); ++i) {
        const Event& e = *demo.events[i];
        const std::string path = entry("events", i);
        if (e.type >= Event::EffectEvent && e.type <= Event::ValueEvent) checkSpan(demo, e, members.count(&e) > 0, path, f);
        checkTrackNames(e, path, f);
        checkTrackPoints(e, path, f);
    }
}

// The camera the scene's main pass draws through, or null.
const Camera* mainCamera(const Scene& s) {
    if (s.camera_scene && !s.camera_scene_only_direction) return s.camera_scene->camera.get();
    return s.camera.get();
}

void checkTexts(const Demo& demo, ProjectCheck& f) {
    for (size_t i = 0; i < demo.fonts.size(); ++i) {
        const std::string path = entry("fonts", i);
        if (demo.fonts[i]->ptsize <= 0)
            f.warn(keyOr(f, path, "ptsize"), f.describe(path) + ": \"ptsize\" is " + std::to_string(demo.fonts[i]->ptsize) +
                                                 ": its texts come out a few pixels in size; give a positive point size, like 32");
    }
    for (size_t i = 0; i < demo.fontTextures.size(); ++i) {
        const FontTexture& t = *demo.fontTextures[i];
        const std::string path = entry("font_textures", i);
        if (t.width <= 0 || t.height <= 0)
            f.warn(path, f.describe(path) + ": it has no size (\"width\" " + std::to_string(t.width) + ", \"height\" " +
                             std::to_string(t.height) + "), so it shows nothing; give both in pixels");
    }
}

void checkScenes(const Demo& demo, ProjectCheck& f) {
    for (size_t i = 0; i < demo.scenes.size(); ++i) {
        const Scene& s = *demo.scenes[i];
        if (mainCamera(s)) continue;
        const std::string path = entry("scenes", i);
        const std::string borrowed = s.camera_scene && !s.camera_scene_only_direction
                                         ? " (the scene " + checks::quoted(s.camera_scene->name) + " it takes its camera from has none)"
                                         : "";
        f.warn(path, f.describe(path) + ": it has no camera" + borrowed + ", so it draws nothing");
    }
}

}  // namespace

void checkShow(const Demo& demo, ProjectCheck& findings) {
    checkEvents(demo, findings);
    checkTexts(demo, findings);
    checkScenes(demo, findings);
}

}  // namespace checks
