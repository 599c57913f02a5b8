#include "show/Demo.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <unordered_map>

#include "content/ContentError.h"
#include "graph/Linking.h"

namespace {

// Object key -> record, remembering the record's kind so that a key naming a record of another
// kind resolves to null instead of to a record used as something it is not.
class KeyMap {
public:
    template <class T>
    void add(uint64_t key, T* record) {
        entries_[key] = {kindOf<T>(), record};
    }

    template <class T>
    T* find(uint64_t key) const {
        auto it = entries_.find(key);
        if (it == entries_.end() || it->second.kind != kindOf<T>()) return nullptr;
        return static_cast<T*>(it->second.record);
    }

private:
    struct Entry {
        const void* kind;
        void* record;
    };
    template <class T>
    static const void* kindOf() {
        static const char tag = 0;
        return &tag;
    }
    std::unordered_map<uint64_t, Entry> entries_;
};

// Name -> record for the JSON side; a later record of the same name wins, as keys do in binary.
template <class T>
class NameMap {
public:
    NameMap(const Demo::List<T>& list, std::function<std::string(const T&)> nameOf) {
        for (const auto& record : list) map_[nameOf(*record)] = record.get();
    }
    // An empty name is what an absent reference reads as; it never names a record.
    T* find(const std::string& name) const {
        if (name.empty()) return nullptr;
        auto it = map_.find(name);
        return it == map_.end() ? nullptr : it->second;
    }

private:
    std::unordered_map<std::string, T*> map_;
};

template <class T>
std::string nameOf(const T& record) {
    return record.name;
}

std::string programName(const ShaderProgram& program) { return program.fragmentFilename; }

template <class T, class Resolve>
std::vector<T*> resolveAll(const std::vector<uint64_t>& keys, Resolve resolve) {
    std::vector<T*> out;
    out.reserve(keys.size());
    for (uint64_t key : keys) out.push_back(resolve(key));
    return out;
}

// The smallest stored size of a keyed record: its key plus at least one byte.
constexpr uint64_t kMinKeyedRecord = 9;

}  // namespace

namespace {

std::string numberText(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", double(value));
    return text;
}

}  // namespace

// An infinite end beat is a show that runs until Escape; the clock itself must still advance.
std::string Demo::timingFault() const {
    if (!(bpm > 0.0f) || !std::isfinite(bpm))
        return "the tempo (bpm) is " + numberText(bpm) + "; it must be a positive number";
    if (!std::isfinite(beatOffset))
        return "the beat offset (beat_offset) is " + numberText(beatOffset) + "; it must be a finite number";
    if (std::isnan(endBeat)) return "the end beat (end_beat) is not a number";
    return {};
}

uint64_t Demo::countRecords() const {
    return events.size() + effects.size() + shaders.size() + textures.size() + audioSamples.size() +
           eventGroups.size() + fonts.size() + fontTextures.size() + datas.size() + models.size() +
           scenes.size() + scripts.size() + patches.size();
}

// ---------------------------------------------------------------------------------------------
// Binary

namespace {

struct BinaryLoad {
    Demo& demo;
    content::BinaryReader& in;
    KeyMap keys;
    uint64_t progress = 0;

    template <class T>
    void readList(Demo::List<T>& list, const char* kind, void (content::LoadHooks::*made)(T&) = nullptr) {
        content::RecordScope scope(in, kind);
        uint64_t count = in.count(kMinKeyedRecord);
        for (uint64_t i = 0; i < count; ++i) {
            uint64_t key = in.u64();
            auto record = std::make_unique<T>();
            record->readBinary(in);
            if (made) (demo.hooks->*made)(*record);
            keys.add(key, record.get());
            list.push_back(std::move(record));
            demo.hooks->progress(progress++, demo.total);
        }
    }

    void readGraphs() {
        content::RecordScope scope(in, "Graph");
        uint64_t count = in.count(kMinKeyedRecord);
        for (uint64_t i = 0; i < count; ++i) {
            uint64_t key = in.u64();
            auto graph = std::make_unique<Nodes::Graph>();
            graph->readBinary(in);
            keys.add(key, graph.get());
            demo.graphs.push_back(std::move(graph));
        }
    }

    void resolveEvent(Event& e) const {
        if (e.type == Event::EffectEvent) e.effect = keys.find<Effect>(e.refKey);
        if (e.type == Event::SampleEvent) e.audioSample = keys.find<AudioSample>(e.refKey);
        if (e.type == Event::GroupEvent) e.group = keys.find<EventGroup>(e.refKey);
    }

    void resolveEffect(Effect& e) const {
        e.effects = resolveAll<Effect>(e.stored.effects, [&](uint64_t k) { return keys.find<Effect>(k); });
        e.textures = resolveAll<Texture>(e.stored.textures, [&](uint64_t k) { return keys.find<Texture>(k); });
        e.fontTextures =
            resolveAll<FontTexture>(e.stored.fontTextures, [&](uint64_t k) { return keys.find<FontTexture>(k); });
        if (e.stored.scene) e.scene = keys.find<Scene>(e.stored.scene);
        e.program = keys.find<ShaderProgram>(e.stored.program);
    }

    void resolveScene(Scene& s) const {
        if (s.root_node) s.root_node->model = keys.find<Model>(s.root_node->modelKey);
        s.camera_scene = keys.find<Scene>(s.cameraSceneKey);
    }

    void resolve() {
        for (auto& e : demo.events) resolveEvent(*e);
        for (auto& e : demo.effects) {
            resolveEffect(*e);
            demo.hooks->effectResolved(*e);
        }
        for (auto& g : demo.eventGroups)
            g->events = resolveAll<Event>(g->eventKeys, [&](uint64_t k) { return keys.find<Event>(k); });
        for (auto& f : demo.fontTextures) {
            f->font = keys.find<Font>(f->fontKey);
            demo.hooks->fontTextureResolved(*f);
        }
        for (auto& s : demo.scenes) {
            resolveScene(*s);
            demo.hooks->sceneResolved(*s);
        }
    }
};

void linkNodeTypes(Demo& demo) {
    Nodes::NodeCatalogue& types = Nodes::catalogue();
    Nodes::linkShaderPrograms(demo.shaders, types);
    Nodes::linkEvents(demo.events, types);
    Nodes::linkScenes(demo.scenes, types);
    Nodes::linkScripts(demo.scripts, types);
    Nodes::linkPatches(demo.patches, types);
}

void makeSoundTexture(Demo& demo) {
    demo.soundTexture = std::make_unique<Texture>();
    Texture& t = *demo.soundTexture;
    t.width = 1024;
    t.height = 2;
    char name[64];
    std::snprintf(name, sizeof name, "Texture %p (%d x %d)", static_cast<void*>(&t), t.width, t.height);
    t.name = name;
    demo.hooks->soundTextureMade(t);
}

}  // namespace

void Demo::readBinary(content::BinaryReader& in) {
    content::RecordScope scope(in, "Demo");
    total = in.u64();
    BinaryLoad load{*this, in, {}, 0};
    using H = content::LoadHooks;
    load.readList(events, "Event");
    load.readList(effects, "Effect");
    load.readList(shaders, "ShaderProgram");
    load.readList(textures, "Texture", &H::textureRead);
    load.readList(audioSamples, "AudioSample", &H::sampleRead);
    load.readList(eventGroups, "EventGroup");
    load.readList(fonts, "Font", &H::fontRead);
    load.readList(fontTextures, "FontTexture");
    load.readList(datas, "Data");
    load.readList(models, "Model", &H::modelRead);
    load.readList(scenes, "Scene");
    load.readList(scripts, "Script");
    load.readList(patches, "ShaderPatch");
    hooks->recordsRead();
    linkNodeTypes(*this);
    load.readGraphs();
    {
        content::RecordScope music(in, "music");
        this->music.readBinary(in);
    }
    load.resolve();
    endBeat = in.f32();
    bpm = in.f32();
    beatOffset = in.f32();
    musicSampleRate = in.i32();
    makeSoundTexture(*this);
    hooks->progress(total, total);
}

namespace {

template <class T>
void assignKeys(content::BinaryWriter& out, const Demo::List<T>& list) {
    for (const auto& record : list) out.assignKey(record.get());
}

template <class T>
void writeList(content::BinaryWriter& out, const Demo::List<T>& list) {
    out.u64(list.size());
    for (const auto& record : list) {
        out.u64(out.keyOf(record.get()));
        record->writeBinary(out);
    }
}

// Calls f on each list in block order; the lists are of different types, hence the generic lambda.
template <class D, class F>
void forEachList(D& d, F&& f) {
    f(d.events), f(d.effects), f(d.shaders), f(d.textures), f(d.audioSamples), f(d.eventGroups), f(d.fonts);
    f(d.fontTextures), f(d.datas), f(d.models), f(d.scenes), f(d.scripts), f(d.patches), f(d.graphs);
}

}  // namespace

void Demo::writeBinary(content::BinaryWriter& out) const {
    forEachList(*this, [&](const auto& list) { assignKeys(out, list); });
    out.u64(countRecords());
    forEachList(*this, [&](const auto& list) { writeList(out, list); });
    music.writeBinary(out);
    out.f32(endBeat);
    out.f32(bpm);
    out.f32(beatOffset);
    out.i32(musicSampleRate);
}

// ---------------------------------------------------------------------------------------------
// JSON

namespace {

constexpr const char* kMusicFile = "resources/music.mp3";

struct JsonLoad {
    Demo& demo;
    const content::Json& json;
    const content::JsonFiles& files;
    uint64_t progress = 0;

    template <class T>
    void readList(Demo::List<T>& list, const char* key, void (content::LoadHooks::*made)(T&) = nullptr) {
        for (const content::Json& item : content::jsonArray(json, key)) {
            auto record = std::make_unique<T>();
            record->fromJson(item, files);
            if (made) (demo.hooks->*made)(*record);
            list.push_back(std::move(record));
            demo.hooks->progress(progress++, demo.total);
        }
    }

    // References are resolved once every list is read, so a record may name one listed after it.
    void resolve() {
        NameMap<Effect> effects(demo.effects, nameOf<Effect>);
        NameMap<Texture> textures(demo.textures, nameOf<Texture>);
        NameMap<FontTexture> fontTextures(demo.fontTextures, nameOf<FontTexture>);
        NameMap<ShaderProgram> programs(demo.shaders, programName);
        NameMap<Scene> scenes(demo.scenes, nameOf<Scene>);
        NameMap<Model> models(demo.models, nameOf<Model>);
        NameMap<Font> fonts(demo.fonts, nameOf<Font>);
        NameMap<AudioSample> samples(demo.audioSamples, nameOf<AudioSample>);
        NameMap<EventGroup> groups(demo.eventGroups, nameOf<EventGroup>);
        NameMap<Event> events(demo.events, nameOf<Event>);

        for (auto& f : demo.fontTextures) f->font = fonts.find(f->fontName);
        for (auto& s : demo.scenes) {
            if (s->root_node) s->root_node->model = models.find(s->root_node->modelName);
            s->camera_scene = scenes.find(s->cameraSceneName);
        }
        for (auto& e : demo.effects) {
            for (auto& n : e->stored.effectNames) e->effects.push_back(effects.find(n));
            for (auto& n : e->stored.textureNames) e->textures.push_back(textures.find(n));
            for (auto& n : e->stored.fontTextureNames) e->fontTextures.push_back(fontTextures.find(n));
            e->scene = scenes.find(e->stored.sceneName);
            e->program = programs.find(e->stored.programName);
        }
        for (auto& e : demo.events) {
            if (e->type == Event::EffectEvent) e->effect = effects.find(e->refName);
            if (e->type == Event::SampleEvent) e->audioSample = samples.find(e->refName);
            if (e->type == Event::GroupEvent) e->group = groups.find(e->refName);
        }
        for (auto& g : demo.eventGroups)
            for (auto& n : g->eventNames) g->events.push_back(events.find(n));
    }

    void runHooks() {
        for (auto& e : demo.effects) demo.hooks->effectResolved(*e);
        for (auto& f : demo.fontTextures) demo.hooks->fontTextureResolved(*f);
        for (auto& s : demo.scenes) demo.hooks->sceneResolved(*s);
    }

    void readGraphs() {
        const content::Json* list = nullptr;
        content::Json single = content::Json::array();
        if (content::jsonHas(json, "graphs")) {
            list = &content::jsonArray(json, "graphs");
        } else if (content::jsonHas(json, "graph")) {
            single.push_back(json["graph"]);
            list = &single;
        }
        if (!list) return;
        for (const content::Json& item : *list) {
            auto graph = std::make_unique<Nodes::Graph>();
            graph->fromJson(item, files);
            demo.graphs.push_back(std::move(graph));
        }
    }

    void readMusic() {
        if (content::jsonHas(json, "music")) demo.music.fromJson(json["music"], files);
        else demo.music = ByteBuffer(files.load(kMusicFile));
    }
};

uint64_t countJsonRecords(const content::Json& json) {
    uint64_t n = 0;
    for (const char* key : {"events", "effects", "shaders", "textures", "audio_samples", "event_groups", "fonts",
                            "font_textures", "datas", "models", "scenes", "scripts", "patches"})
        n += content::jsonArray(json, key).size();
    return n;
}

}  // namespace

void Demo::relinkNodeTypes() { linkNodeTypes(*this); }

void Demo::fromJson(const content::Json& json, const content::JsonFiles& files) {
    total = countJsonRecords(json);
    JsonLoad load{*this, json, files, 0};
    using H = content::LoadHooks;
    load.readList(textures, "textures", &H::textureRead);
    load.readList(shaders, "shaders");
    load.readList(fonts, "fonts", &H::fontRead);
    load.readList(fontTextures, "font_textures");
    load.readList(datas, "datas");
    load.readList(models, "models", &H::modelRead);
    load.readList(scenes, "scenes");
    load.readList(effects, "effects");
    load.readList(audioSamples, "audio_samples", &H::sampleRead);
    load.readList(eventGroups, "event_groups");
    load.readList(events, "events");
    load.readList(scripts, "scripts");
    load.readList(patches, "patches");
    hooks->recordsRead();
    load.resolve();
    load.readMusic();
    endBeat = content::jsonFloat(json, "end_beat");
    bpm = content::jsonFloat(json, "bpm");
    beatOffset = content::jsonFloat(json, "beat_offset");
    if (content::jsonHas(json, "music_sample_rate")) musicSampleRate = int32_t(content::jsonInt(json, "music_sample_rate"));
    linkNodeTypes(*this);
    load.readGraphs();
    load.runHooks();
    makeSoundTexture(*this);
    hooks->progress(total, total);
}

namespace {

template <class T>
content::Json listToJson(const Demo::List<T>& list, const content::JsonFiles& files) {
    content::Json out = content::Json::array();
    for (const auto& record : list) out.push_back(record->toJson(files));
    return out;
}

}  // namespace

content::Json Demo::toJson(const content::JsonFiles& files) const {
    content::Json j = content::Json::object();
    j["textures"] = listToJson(textures, files);
    j["shaders"] = listToJson(shaders, files);
    j["fonts"] = listToJson(fonts, files);
    j["font_textures"] = listToJson(fontTextures, files);
    j["datas"] = listToJson(datas, files);
    j["models"] = listToJson(models, files);
    j["scenes"] = listToJson(scenes, files);
    j["effects"] = listToJson(effects, files);
    j["audio_samples"] = listToJson(audioSamples, files);
    j["event_groups"] = listToJson(eventGroups, files);
    j["events"] = listToJson(events, files);
    j["scripts"] = listToJson(scripts, files);
    j["patches"] = listToJson(patches, files);
    j["graphs"] = listToJson(graphs, files);
    // Empty music stays embedded so that reading the project back does not look for a file.
    bool inFile = files.externalise && music.length > 0 && files.save(kMusicFile, music.data.get(), music.length);
    if (!inFile) j["music"] = music.toJson(files);
    j["end_beat"] = double(endBeat);
    j["bpm"] = double(bpm);
    j["beat_offset"] = double(beatOffset);
    j["music_sample_rate"] = musicSampleRate;
    return j;
}
