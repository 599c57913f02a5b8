// A named float uniform that a program or a value event offers for animation.
#pragma once
#include <string>

#include "content/ISerializable.h"

class UniformDef : public ISerializable {
public:
    std::string name;
    float min_val = 0.0f;
    float max_val = 1.0f;
    float default_val = 0.0f;
    bool is_string = false;
    int32_t location = -1;  // looked up after every link; not stored
    bool takesFloat = true;  // GL accepts a float upload: the uniform is a float or a bool; not stored

    content::Json toJson(const content::JsonFiles& files = {}) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files = {}) override;
    void readBinary(content::BinaryReader& in) override;
};
