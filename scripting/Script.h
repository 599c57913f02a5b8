// A JavaScript function body with typed inputs and outputs, run by script nodes.
#pragma once
#include <string>
#include <vector>

#include "content/Value.h"

class ScriptPort : public ISerializable {
public:
    int32_t type = 0;
    std::string name;
    values::MaybeValue default_value, min_value, max_value;  // empty for outputs

    // Outputs store only type and name; the flag picks the form.
    bool isOutput = false;

    content::Json toJson(const content::JsonFiles& files = {}) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files = {}) override;
    void readBinary(content::BinaryReader& in) override;
};

class Script : public ISerializable {
public:
    std::string name;
    std::string source;
    std::vector<ScriptPort> inputs;
    std::vector<ScriptPort> outputs;
    bool compiled = false;

    ~Script() override;  // the script engine forgets the record

    content::Json toJson(const content::JsonFiles& files) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files) override;
    void readBinary(content::BinaryReader& in) override;
};
