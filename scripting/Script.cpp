#include "scripting/Script.h"

#include "content/TypedPort.h"
#include "scripting/ScriptEngine.h"

content::Json ScriptPort::toJson(const content::JsonFiles&) const { return values::portToJson(*this, !isOutput); }
void ScriptPort::writeBinary(content::BinaryWriter& out) const { values::writePort(out, *this, !isOutput); }
void ScriptPort::fromJson(const content::Json& json, const content::JsonFiles&) { values::portFromJson(json, *this, !isOutput); }

void ScriptPort::readBinary(content::BinaryReader& in) {
    content::RecordScope scope(in, "ScriptPort");
    values::readPort(in, *this, !isOutput);
}

Script::~Script() { scripting::ScriptEngine::forget(*this); }

namespace {

// The list, not each port's flag, picks the stored form, so a port added to the outputs without
// its flag set still writes what the reader expects there.
content::Json portsToJson(const std::vector<ScriptPort>& ports, bool outputs) {
    content::Json list = content::Json::array();
    for (const ScriptPort& port : ports) list.push_back(values::portToJson(port, !outputs));
    return list;
}

void writePorts(content::BinaryWriter& out, const std::vector<ScriptPort>& ports, bool outputs) {
    out.u64(ports.size());
    for (const ScriptPort& port : ports) values::writePort(out, port, !outputs);
}

std::vector<ScriptPort> readPorts(content::BinaryReader& in, bool outputs) {
    uint64_t n = in.count(outputs ? values::kMinBarePortSize : values::kMinPortSize);
    std::vector<ScriptPort> ports;
    for (uint64_t i = 0; i < n; ++i) {
        ScriptPort& port = ports.emplace_back();
        port.isOutput = outputs;
        port.readBinary(in);
    }
    return ports;
}

std::vector<ScriptPort> portsFromJson(const content::Json& list, bool outputs, const content::JsonFiles& files) {
    std::vector<ScriptPort> ports;
    for (const content::Json& item : list) {
        ScriptPort& port = ports.emplace_back();
        port.isOutput = outputs;
        port.fromJson(item, files);
    }
    return ports;
}

}  // namespace

content::Json Script::toJson(const content::JsonFiles&) const {
    content::Json j;
    j["name"] = name;
    j["source"] = source;
    j["inputs"] = portsToJson(inputs, false);
    j["outputs"] = portsToJson(outputs, true);
    return j;
}

void Script::writeBinary(content::BinaryWriter& out) const {
    out.string(name);
    out.string(source);
    writePorts(out, inputs, false);
    writePorts(out, outputs, true);
}

void Script::fromJson(const content::Json& json, const content::JsonFiles& files) {
    name = content::jsonString(json, "name");
    source = content::jsonString(json, "source");
    inputs = portsFromJson(content::jsonArray(json, "inputs"), false, files);
    outputs = portsFromJson(content::jsonArray(json, "outputs"), true, files);
}

void Script::readBinary(content::BinaryReader& in) {
    content::RecordScope scope(in, "Script");
    name = in.string();
    source = in.string();
    inputs = readPorts(in, false);
    outputs = readPorts(in, true);
}
