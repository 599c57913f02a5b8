#include "timeline/EventGroup.h"

#include "content/RecordLinks.h"
#include "timeline/Event.h"

using namespace content;

content::Json EventGroup::toJson(const JsonFiles&) const {
    Json j;
    j["name"] = name;
    j["events"] = namesOf(events);
    return j;
}

void EventGroup::writeBinary(BinaryWriter& out) const {
    out.string(name);
    writeReferences(out, events);
}

void EventGroup::fromJson(const Json& json, const JsonFiles&) {
    name = jsonString(json, "name");
    eventNames = readNames(json, "events");
}

void EventGroup::readBinary(BinaryReader& in) {
    RecordScope scope(in, "EventGroup");
    name = in.string();
    eventKeys = readKeys(in);
}
