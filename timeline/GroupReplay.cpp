#include "timeline/Event.h"
#include "timeline/EventGroup.h"

// Members keep the beats they were authored at; the group event's start lines up with the
// earliest of them.
std::optional<float> Event::groupBeat(float x) const {
    if (!group) return std::nullopt;
    std::optional<float> first;
    for (const Event* member : group->events) {
        if (member && (!first || member->start_beat < *first)) first = member->start_beat;
    }
    if (!first) return std::nullopt;
    return x - start_beat + *first;
}
