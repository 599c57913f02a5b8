#include "content/ProjectKeys.h"

namespace content::project {

namespace {

using S = Shape;

std::vector<ObjectKind> makeKinds() {
    return {
        {kProjectKind,
         {{"events", S::Objects, "Event"}, {"effects", S::Objects, "Effect"},
          {"shaders", S::Objects, "ShaderProgram"}, {"textures", S::Objects, "Texture"},
          {"audio_samples", S::Objects, "AudioSample"}, {"event_groups", S::Objects, "EventGroup"},
          {"fonts", S::Objects, "Font"}, {"font_textures", S::Objects, "FontTexture"},
          {"datas", S::Objects, "Data"}, {"models", S::Objects, "Model"}, {"scenes", S::Objects, "Scene"},
          {"scripts", S::Objects, "Script"}, {"patches", S::Objects, "ShaderPatch"},
          {"graphs", S::Objects, "Graph"}, {"graph", S::Object, "Graph"}, {"music", S::Base64},
          {"end_beat", S::Float}, {"bpm", S::Float}, {"beat_offset", S::Float},
          {"music_sample_rate", S::Integer}}},
        {"Event",
         {{"type", S::Integer}, {"name", S::String}, {"visible", S::Visible},
          {"start_beat", S::Float, nullptr, Type1 | Type3 | Type4},
          {"end_beat", S::Float, nullptr, Type1 | Type3 | Type4}, {"beat", S::Float, nullptr, Type2},
          {"uniform_defs", S::Objects, "UniformDef", Type4}, {"control_points", S::Tracks, "Track"},
          {"effect", S::Name, "effect", Type1}, {"audio_sample", S::Name, "audio sample", Type2},
          {"group", S::Name, "event group", Type3}}},
        {"Track", {{"mode", S::Integer}, {"repeat", S::Boolean}, {"control_points", S::Objects, "ControlPoint"}}},
        {"ControlPoint", {{"beat", S::Float}, {"value", S::Float}, {"text", S::String}}},
        {"EventGroup", {{"name", S::String}, {"events", S::Names, "event"}}},
        {"Effect",
         {{"name", S::String}, {"feedback", S::Boolean}, {"screen_texture", S::Boolean},
          {"effects", S::Names, "effect"}, {"textures", S::Names, "texture"},
          {"font_textures", S::Names, "font texture"}, {"scene", S::Name, "scene"},
          {"program", S::Name, "shader program"}}},
        {"ShaderProgram",
         {{"vertex_shader_filename", S::String}, {"fragment_shader_filename", S::String},
          {"vertex_shader_source", S::String}, {"fragment_shader_source", S::String},
          {"uniform_defs", S::Objects, "UniformDef"}}},
        {"UniformDef",
         {{"name", S::String}, {"min_val", S::Float}, {"max_val", S::Float}, {"default_val", S::Float},
          {"is_string", S::Boolean}}},
        {"ShaderPatch",
         {{"name", S::String}, {"vertex_patch", S::String}, {"fragment_patch", S::String},
          {"vertex_hook", S::String}, {"fragment_hook", S::String}, {"inputs", S::Objects, "Input"}}},
        {"Input",
         {{"type", S::Integer}, {"name", S::String}, {"default_value", S::Object, "MaybeValue"},
          {"min_value", S::Object, "MaybeValue"}, {"max_value", S::Object, "MaybeValue"}}},
        {"Output", {{"type", S::Integer}, {"name", S::String}}},
        {"MaybeValue", {{"hasValue", S::Boolean}, {"value", S::Object, "Value"}}},
        {"Value", {{"type", S::Integer}, {"value", S::TypedValue}}},
        {"Texture", {{"name", S::String}, {"image_buffer", S::Base64}}},
        {"AudioSample", {{"name", S::String}, {"audio_buffer", S::Base64}}},
        {"Data", {{"name", S::String}, {"data_buffer", S::Base64}}},
        {"Font", {{"name", S::String}, {"filename", S::String}, {"ptsize", S::Integer}, {"font_buffer", S::Base64}}},
        {"FontTexture",
         {{"name", S::String}, {"width", S::Integer}, {"height", S::Integer}, {"font", S::Name, "font"},
          {"center", S::Boolean}, {"chars_per_beat", S::Integer}}},
        {"Model", {{"name", S::String}, {"buffer", S::Base64}}},
        {"Scene",
         {{"name", S::String}, {"camera", S::Object, "Camera"}, {"root_node", S::Object, "SceneNode"},
          {"camera_scene", S::Name, "scene"}, {"camera_scene_only_direction", S::Boolean}}},
        {"Camera",
         {{"position", S::Vec3}, {"direction", S::Vec3}, {"up", S::Vec3}, {"aspect", S::Float}, {"fov", S::Float},
          {"znear", S::Float}, {"zfar", S::Float}, {"direction_mode", S::Boolean}}},
        {"SceneNode", {{"name", S::String}, {"model", S::Name, "model"}}},
        {"Script",
         {{"name", S::String}, {"source", S::String}, {"inputs", S::Objects, "Input"},
          {"outputs", S::Objects, "Output"}}},
        {"Graph", {{"root", S::Integer}, {"nodes", S::Objects, "Node"}}},
        {"Node",
         {{"id", S::Integer}, {"entryID", S::Integer}, {"exitID", S::Integer}, {"def", S::String},
          {"name", S::String}, {"input_defs", S::Objects, "InputDef"}, {"output_defs", S::Objects, "OutputDef"},
          {"selfActivating", S::Boolean}, {"collapsed", S::Boolean}, {"posX", S::Float}, {"posY", S::Float},
          {"inputs", S::Objects, "MaybeValue"}, {"inputIDs", S::Integers}, {"outputIDs", S::Integers},
          {"connections", S::Objects, "Connection"}, {"subgraph_index", S::Integer}}},
        {"InputDef",
         {{"value_type", S::Integer}, {"name", S::String}, {"default_value", S::Object, "MaybeValue"},
          {"min_value", S::Object, "MaybeValue"}, {"max_value", S::Object, "MaybeValue"},
          {"step_size", S::Object, "MaybeValue"}}},
        {"OutputDef", {{"value_type", S::Integer}, {"name", S::String}}},
        {"Connection",
         {{"id", S::Integer}, {"dst", S::Integer}, {"src_output_idx", S::Integer}, {"dst_input_idx", S::Integer}}},
    };
}

}  // namespace

const std::vector<ObjectKind>& objectKinds() {
    static const std::vector<ObjectKind> kinds = makeKinds();
    return kinds;
}

const std::vector<NamedKind>& namedKinds() {
    static const std::vector<NamedKind> kinds = {
        {"effect", "effects", "name"},
        {"texture", "textures", "name"},
        {"font texture", "font_textures", "name"},
        {"font", "fonts", "name"},
        {"scene", "scenes", "name"},
        {"model", "models", "name"},
        {"shader program", "shaders", "fragment_shader_filename"},
        {"audio sample", "audio_samples", "name"},
        {"event group", "event_groups", "name"},
        {"event", "events", "name"},
    };
    return kinds;
}

const ObjectKind* findObjectKind(std::string_view name) {
    for (const ObjectKind& k : objectKinds())
        if (name == k.name) return &k;
    return nullptr;
}

const NamedKind* findNamedKind(std::string_view name) {
    for (const NamedKind& k : namedKinds())
        if (name == k.name) return &k;
    return nullptr;
}

}  // namespace content::project
