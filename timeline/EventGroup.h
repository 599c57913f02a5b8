// A reusable sequence of events that group events replay shifted in time.
#pragma once
#include <string>
#include <vector>

#include "content/ISerializable.h"

class Event;

class EventGroup : public ISerializable {
public:
    std::string name;
    std::vector<Event*> events;
    std::vector<uint64_t> eventKeys;       // as stored in binary, until resolved
    std::vector<std::string> eventNames;   // as read from JSON, until resolved

    content::Json toJson(const content::JsonFiles& files) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files) override;
    void readBinary(content::BinaryReader& in) override;
};
