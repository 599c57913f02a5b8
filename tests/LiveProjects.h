// A small project in a folder for the live-play tests: one program filling the screen with a
// colour whose green comes from the "level" track, or from a script through the root graph.
#pragma once
#include <filesystem>
#include <string>

namespace live_projects {

inline const char* const kVertex = "#version 150\nin vec3 vp;\nvoid main() { gl_Position = vec4(vp, 1.0); }\n";

// `colour` is a vec4 expression of the float uniform "level" (line 4 of the file).
inline std::string fragment(const std::string& colour) {
    return "#version 150\nuniform float level;\nout vec4 c;\nvoid main() { c = " + colour + "; }\n";
}

inline std::string head() {
    return R"({"bpm": 60.0, "beat_offset": 0.0, "end_beat": 100.0, "music": "",
 "shaders": [{"vertex_shader_filename": "default.vert", "fragment_shader_filename": "fill.frag",
   "uniform_defs": [{"name": "level", "min_val": 0.0, "max_val": 1.0, "default_val": 0.0}]}],
)";
}

// The fill drawn by an event whose "level" track holds `level`.
inline std::string trackProject(float level) {
    const std::string l = std::to_string(level);
    return head() + R"( "effects": [{"name": "fill", "program": "fill.frag"}],
 "events": [{"type": 1, "name": "fill", "effect": "fill", "start_beat": 0.0, "end_beat": 100.0,
   "control_points": {"level": {"mode": 1, "repeat": false, "control_points": [
     {"beat": 0.0, "value": )" + l + R"(}, {"beat": 100.0, "value": )" + l + R"(}]}}}]})";
}

// The fill drawn by the root graph, its "level" the output of the script "level" whose source is
// `source`.
inline std::string scriptProject(const std::string& source) {
    std::string quoted;
    for (char ch : source) quoted += ch == '"' ? std::string("\\\"") : std::string(1, ch);
    return head() + R"( "scripts": [{"name": "level", "source": ")" + quoted + R"(", "inputs": [],
   "outputs": [{"type": 2, "name": "level"}]}],
 "graphs": [{"root": 1, "nodes": [
   {"id": 1, "entryID": 2, "exitID": 3, "def": "Time", "connections": [{"id": 10, "dst": 4, "src_output_idx": -1, "dst_input_idx": -1}]},
   {"id": 4, "entryID": 5, "exitID": 6, "def": "level.script", "connections": [
     {"id": 11, "dst": 7, "src_output_idx": -1, "dst_input_idx": -1}, {"id": 12, "dst": 7, "src_output_idx": 0, "dst_input_idx": 3}]},
   {"id": 7, "entryID": 8, "exitID": 9, "def": "fill.frag", "connections": []}]}]})";
}

}  // namespace live_projects
