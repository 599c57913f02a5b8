// The root record of a show: every collection, the graphs, the music and the tempo, in the
// layout of a content block, with the reference resolution and linking that follow reading.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "content/AudioSample.h"
#include "content/ByteBuffer.h"
#include "content/Data.h"
#include "timeline/FontTexture.h"
#include "content/LoadHooks.h"
#include "content/Texture.h"
#include "graph/Graph.h"
#include "scene/Model.h"
#include "scene/Scene.h"
#include "scripting/Script.h"
#include "shaders/ShaderPatch.h"
#include "shaders/ShaderProgram.h"
#include "timeline/Effect.h"
#include "timeline/Event.h"
#include "timeline/EventGroup.h"
#include "timeline/Font.h"

class Demo : public ISerializable {
public:
    template <class T>
    using List = std::vector<std::unique_ptr<T>>;

    List<Event> events;
    List<Effect> effects;
    List<ShaderProgram> shaders;
    List<Texture> textures;
    List<AudioSample> audioSamples;
    List<EventGroup> eventGroups;
    List<Font> fonts;
    List<FontTexture> fontTextures;
    List<Data> datas;
    List<Model> models;
    List<Scene> scenes;
    List<Script> scripts;
    List<ShaderPatch> patches;
    List<Nodes::Graph> graphs;
    ByteBuffer music;
    float endBeat = 480.0f;
    float bpm = 130.0f;
    float beatOffset = 0.5f;
    int32_t musicSampleRate = 44100;
    std::unique_ptr<Texture> soundTexture;
    uint64_t total = 0;

    // Called while reading; the default makes no GPU or audio objects.
    content::LoadHooks* hooks = &content::LoadHooks::none();

    Demo() = default;
    explicit Demo(content::LoadHooks& loadHooks) : hooks(&loadHooks) {}

    // The graph rendered each frame: the first graph, or null when the show has none.
    Nodes::Graph* rootGraph() const { return graphs.empty() ? nullptr : graphs.front().get(); }
    // Records in the thirteen counted lists.
    uint64_t countRecords() const;
    // What keeps the beat clock from running forward (a tempo that is not a positive number, an
    // offset that is not finite, an end beat that is not a number), or empty when it can run.
    std::string timingFault() const;
    // Makes the catalogue's node types those of this show again (reading does it), for a show
    // that stays after another one was read.
    void relinkNodeTypes();

    // GPU side. postLoad compiles every program, once, when includes can resolve against the whole list,
    // and creates every effect's targets; renderEffectsOnce draws every effect once, in list order,
    // with no callback and no inputs, before the first frame; renderTimeline is the per-frame
    // timeline pass.
    void postLoad();
    void renderEffectsOnce();
    Effect* renderTimeline(float beat);

    // JSON keeps media outside ("music" in resources/music.mp3) when files.externalise is set.
    content::Json toJson(const content::JsonFiles& files) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files) override;
    void readBinary(content::BinaryReader& in) override;
};
