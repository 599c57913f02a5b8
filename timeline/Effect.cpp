#include "timeline/Effect.h"

#include "timeline/FontTexture.h"
#include "content/RecordLinks.h"
#include "content/Texture.h"
#include "scene/Scene.h"
#include "shaders/ShaderProgram.h"

using namespace content;

// Programs are known by their fragment file; a null program or scene leaves its key out.
content::Json Effect::toJson(const JsonFiles&) const {
    Json j;
    j["name"] = name;
    j["feedback"] = feedback;
    j["screen_texture"] = screen_texture;
    j["textures"] = namesOf(textures);
    j["effects"] = namesOf(effects);
    j["font_textures"] = namesOf(fontTextures);
    if (program) j["program"] = program->fragmentFilename;
    if (scene) j["scene"] = scene->name;
    return j;
}

void Effect::writeBinary(BinaryWriter& out) const {
    writeReferences(out, textures);
    writeReferences(out, effects);
    writeReferences(out, fontTextures);
    out.reference(program);
    out.string(name);
    out.boolean(feedback);
    out.boolean(screen_texture);
    out.reference(scene);
}

void Effect::fromJson(const Json& json, const JsonFiles&) {
    name = jsonString(json, "name");
    feedback = jsonBool(json, "feedback");
    screen_texture = jsonBool(json, "screen_texture");
    stored.textureNames = readNames(json, "textures");
    stored.effectNames = readNames(json, "effects");
    stored.fontTextureNames = readNames(json, "font_textures");
    stored.programName = jsonString(json, "program");
    stored.sceneName = jsonString(json, "scene");
}

void Effect::readBinary(BinaryReader& in) {
    RecordScope scope(in, "Effect");
    stored.textures = readKeys(in);
    stored.effects = readKeys(in);
    stored.fontTextures = readKeys(in);
    stored.program = in.u64();
    name = in.string();
    feedback = in.boolean();
    screen_texture = in.boolean();
    stored.scene = in.u64();
}
