#include <algorithm>
#include <cmath>
#include <cstdio>

#include "timeline/Event.h"

namespace {

// The points around the current one, as indices into the point list.
struct Neighbours {
    size_t prev, cur, next, after;
};

// Past either end of the list a neighbour wraps with repeat and clamps without. The point after
// the current one is always the one where the scan of currentPoint stopped.
Neighbours neighbours(const Track& track, size_t cur) {
    size_t n = track.points.size();
    size_t last = track.repeat ? 0 : n - 1;
    size_t next = cur + 1 < n ? cur + 1 : last;
    size_t after = next + 1 < n ? next + 1 : last;
    size_t prev = cur > 0 ? cur - 1 : (track.repeat ? n - 1 : 0);
    return {prev, cur, next, after};
}

// The last point at or before t, scanning from the front and stopping at the first later point
// once one was found; the point count when there is none.
size_t currentPoint(const std::vector<ControlPoint>& p, float t) {
    size_t cur = p.size();
    for (size_t i = 0; i < p.size(); ++i) {
        if (p[i].beat <= t) cur = i;
        else if (cur != p.size()) break;
    }
    return cur;
}

float catmullRom(const std::vector<ControlPoint>& p, const Neighbours& k, float t) {
    float span = p[k.next].beat - p[k.cur].beat;
    if (span == 0.0f) return p[k.cur].value;
    float p1 = p[k.cur].value, p2 = p[k.next].value;
    // Neighbours closer than a twentieth of a beat (or wrapped ones) would make the curve
    // overshoot, so the segment's own ends stand in for them.
    float p0 = double(p[k.cur].beat - p[k.prev].beat) > 0.05 ? p[k.prev].value : p1;
    float p3 = double(p[k.after].beat - p[k.next].beat) > 0.05 ? p[k.after].value : p2;
    float u = (t - p[k.cur].beat) / span;
    return 0.5f * (2.0f * p1 + (p2 - p0) * u + (2.0f * p0 - 5.0f * p1 + 4.0f * p2 - p3) * u * u +
                   (-p0 + 3.0f * p1 - 3.0f * p2 + p3) * u * u * u);
}

float linear(const std::vector<ControlPoint>& p, const Neighbours& k, float t) {
    float d = p[k.next].beat - p[k.cur].beat;
    if (d == 0.0f) return p[k.cur].value;
    float u = (t - p[k.cur].beat) / d;
    return (1.0f - u) * p[k.cur].value + u * p[k.next].value;
}

// Replaces the first occurrence of marker with the number, as "%f" or truncated toward zero.
void replaceFirst(std::string& text, std::string_view marker, float number, bool truncate) {
    size_t pos = text.find(marker);
    if (pos == std::string::npos) return;
    char digits[64];  // "%f" of the largest float takes 47 characters
    double shown = truncate ? std::trunc(double(number)) + 0.0 : number;  // + 0.0 turns -0 into 0
    int length = std::snprintf(digits, sizeof digits, truncate ? "%.0f" : "%f", shown);
    text.replace(pos, marker.size(), digits, std::min(size_t(length), sizeof digits - 1));
}

}  // namespace

float Event::evaluate(const Track* track, float x) const {
    if (x < start_beat || x > end_beat || !track || track->points.empty()) return 0.0f;
    if (track->mode != Track::Step && track->mode != Track::Linear && track->mode != Track::Smooth) return 0.0f;
    const std::vector<ControlPoint>& p = track->points;
    float t = x - start_beat;
    size_t cur = currentPoint(p, t);
    // Before the first point a step track has no value yet; the curves hold their first point.
    if (cur == p.size()) return track->mode == Track::Step ? 0.0f : p.front().value;
    if (track->mode == Track::Step) return p[cur].value;
    Neighbours k = neighbours(*track, cur);
    return track->mode == Track::Linear ? linear(p, k, t) : catmullRom(p, k, t);
}

void Event::evaluateText(const Track* track, float x, float frameBeat, int32_t charsPerBeat,
                         std::string& out) const {
    out.clear();
    if (x < start_beat || x > end_beat || !track) return;
    const std::vector<ControlPoint>& p = track->points;
    float t = x - start_beat;
    size_t c = p.size();
    for (size_t i = 0; i < p.size(); ++i)
        if (p[i].beat <= t) c = i;
    if (c == p.size()) return;

    out.assign(p[c].text);
    float absoluteBeat = p[c].beat + start_beat;
    replaceFirst(out, "<BEAT>", frameBeat, false);
    replaceFirst(out, "<IBEAT>", frameBeat, true);
    replaceFirst(out, "<CP>", p[c].beat, false);
    replaceFirst(out, "<ICP>", p[c].beat, true);
    replaceFirst(out, "<ACP>", absoluteBeat, false);
    replaceFirst(out, "<IACP>", absoluteBeat, true);

    // Typewriter: the text appears over the time to the next point. c is the last point at or
    // before t, so the next one lies after t and the span is positive.
    if (charsPerBeat < 0 || c + 1 == p.size()) return;
    float length = float(out.size());
    float u = (t - p[c].beat) / (p[c + 1].beat - p[c].beat);
    float shown = std::floor(u * length * float(charsPerBeat)) + 1.0f;
    if (!out.empty() && shown < length) out.resize(size_t(shown));
}

void Event::evaluateText(const std::string& trackName, float x, float frameBeat, int32_t charsPerBeat,
                         std::string& out) const {
    evaluateText(findTrack(trackName), x, frameBeat, charsPerBeat, out);
}
