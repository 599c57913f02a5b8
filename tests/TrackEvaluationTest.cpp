// Track values and texts of events, and the timing of group replays, without a display.
#include <gtest/gtest.h>

#include "timeline/Event.h"
#include "timeline/EventGroup.h"

namespace {

Event makeEvent(float start, float end) {
    Event event;
    event.start_beat = start;
    event.end_beat = end;
    return event;
}

Track makeTrack(int32_t mode, std::vector<std::pair<float, float>> points, bool repeat = false) {
    Track track;
    track.mode = mode;
    track.repeat = repeat;
    for (auto [beat, value] : points) track.points.push_back({beat, value, {}});
    return track;
}

Track textTrack(std::vector<std::pair<float, std::string>> points) {
    Track track;
    for (auto& [beat, text] : points) track.points.push_back({beat, 0.0f, text});
    return track;
}

float valueAt(const Event& event, const Track& track, float x) { return event.evaluate(&track, x); }

std::string textAt(const Event& event, const Track& track, float x, float frameBeat = 0.0f, int32_t charsPerBeat = -1) {
    std::string out = "left over";
    event.evaluateText(&track, x, frameBeat, charsPerBeat, out);
    return out;
}

TEST(TrackEvaluation, StepHoldsEachValueUntilTheNextPoint) {
    Event event = makeEvent(10, 20);
    Track track = makeTrack(Track::Step, {{0, 1}, {2, 3}});
    EXPECT_FLOAT_EQ(event.evaluate(&track, 11.9f), 1.0f);
    EXPECT_FLOAT_EQ(event.evaluate(&track, 12.0f), 3.0f);
    EXPECT_FLOAT_EQ(event.evaluate(&track, 19.0f), 3.0f);
}

TEST(TrackEvaluation, LinearInterpolatesAndHoldsOrWrapsAfterTheLastPoint) {
    Event event = makeEvent(0, 10);
    Track track = makeTrack(Track::Linear, {{0, 0}, {4, 8}});
    EXPECT_FLOAT_EQ(event.evaluate(&track, 1.0f), 2.0f);
    EXPECT_FLOAT_EQ(event.evaluate(&track, 6.0f), 8.0f);
    // With repeat the segment after the last point runs through the last and the first point.
    track.repeat = true;
    EXPECT_FLOAT_EQ(event.evaluate(&track, 6.0f), 12.0f);
}

TEST(TrackEvaluation, SmoothUsesCatmullRomWithTheSegmentEndsForMissingNeighbours) {
    Event event = makeEvent(0, 10);
    Track track = makeTrack(Track::Smooth, {{0, 0}, {1, 1}, {2, 0}});
    EXPECT_FLOAT_EQ(event.evaluate(&track, 0.5f), 0.5625f);
    EXPECT_FLOAT_EQ(event.evaluate(&track, 1.0f), 1.0f);
    EXPECT_FLOAT_EQ(event.evaluate(&track, 1.5f), 0.5625f);
    // A neighbour within a twentieth of a beat is replaced by the segment end: P3 = P2 = 1.
    Track close = makeTrack(Track::Smooth, {{0, 0}, {1, 1}, {1.04f, 5}});
    EXPECT_FLOAT_EQ(event.evaluate(&close, 0.25f), 0.203125f);
    close.points[2].beat = 1.5f;
    EXPECT_FLOAT_EQ(event.evaluate(&close, 0.25f), 0.109375f);
}

TEST(TrackEvaluation, LaterOfTwoPointsAtTheSameBeatIsCurrent) {
    Event event = makeEvent(0, 10);
    for (int32_t mode : {Track::Step, Track::Linear, Track::Smooth}) {
        Track track = makeTrack(mode, {{0, 1}, {2, 5}, {2, 9}});
        EXPECT_FLOAT_EQ(event.evaluate(&track, 2.0f), 9.0f) << "mode " << mode;
        EXPECT_FLOAT_EQ(event.evaluate(&track, 3.0f), 9.0f) << "mode " << mode;
    }
}

TEST(TrackEvaluation, BeforeTheFirstPointCurvesHoldItAndStepGivesZero) {
    Event event = makeEvent(0, 10);
    for (bool repeat : {false, true}) {
        EXPECT_FLOAT_EQ(valueAt(event, makeTrack(Track::Linear, {{1, 4}, {3, 8}}, repeat), 0.5f), 4.0f);
        EXPECT_FLOAT_EQ(valueAt(event, makeTrack(Track::Smooth, {{1, 4}, {3, 8}}, repeat), 0.5f), 4.0f);
        EXPECT_FLOAT_EQ(valueAt(event, makeTrack(Track::Step, {{1, 4}, {3, 8}}, repeat), 0.5f), 0.0f);
        EXPECT_FLOAT_EQ(valueAt(event, makeTrack(Track::Linear, {{1, 4}}, repeat), 0.5f), 4.0f);
        EXPECT_FLOAT_EQ(valueAt(event, makeTrack(Track::Smooth, {{1, 4}}, repeat), 0.5f), 4.0f);
        EXPECT_FLOAT_EQ(valueAt(event, makeTrack(Track::Smooth, {{1, 4}}, repeat), 2.0f), 4.0f);
    }
}

TEST(TrackEvaluation, NothingOutsideTheSpanOrWithoutPointsOrMode) {
    Event event = makeEvent(4, 8);
    Track track = makeTrack(Track::Linear, {{0, 3}, {4, 3}});
    EXPECT_FLOAT_EQ(event.evaluate(&track, 3.99f), 0.0f);
    EXPECT_FLOAT_EQ(event.evaluate(&track, 8.01f), 0.0f);
    EXPECT_FLOAT_EQ(event.evaluate(&track, 8.0f), 3.0f);  // the span is closed here
    EXPECT_FLOAT_EQ(event.evaluate(nullptr, 5.0f), 0.0f);
    EXPECT_FLOAT_EQ(valueAt(event, makeTrack(Track::Linear, {}), 5.0f), 0.0f);
    track.mode = 3;
    EXPECT_FLOAT_EQ(event.evaluate(&track, 5.0f), 0.0f);
}

TEST(TrackEvaluation, PlaceholdersAreReplacedAtTheirFirstOccurrence) {
    Event event = makeEvent(10, 20);
    EXPECT_EQ(textAt(event, textTrack({{0, "Beat <IBEAT>"}}), 13.0f, 12.7f), "Beat 12");
    EXPECT_EQ(textAt(event, textTrack({{0, "<BEAT>/<BEAT>"}}), 13.0f, 12.5f), "12.500000/<BEAT>");
    EXPECT_EQ(textAt(event, textTrack({{2.5f, "<CP> <ICP> <ACP> <IACP> <ICP>"}}), 13.0f),
              "2.500000 2 12.500000 12 <ICP>");
    // Truncation goes toward zero without a minus sign on zero.
    EXPECT_EQ(textAt(event, textTrack({{0, "<IBEAT> <BEAT>"}}), 13.0f, -0.5f), "0 -0.500000");
    EXPECT_EQ(textAt(event, textTrack({{0, "<IBEAT>"}}), 13.0f, -2.5f), "-2");
}

TEST(TrackEvaluation, TextComesFromTheLastPointReachedInsideTheSpan) {
    Event event = makeEvent(10, 20);
    Track track = textTrack({{1, "one"}, {3, "three"}});
    EXPECT_EQ(textAt(event, track, 10.5f), "");
    EXPECT_EQ(textAt(event, track, 12.0f), "one");
    EXPECT_EQ(textAt(event, track, 20.0f), "three");
    EXPECT_EQ(textAt(event, track, 20.5f), "");
    EXPECT_EQ(textAt(event, textTrack({}), 12.0f), "");

    event.tracks["title"] = track;
    std::string out = "left over";
    event.evaluateText("title", 12.0f, 0.0f, -1, out);
    EXPECT_EQ(out, "one");
    event.evaluateText("missing", 12.0f, 0.0f, -1, out);
    EXPECT_EQ(out, "");
    EXPECT_EQ(event.tracks.count("missing"), 0u);
}

TEST(TrackEvaluation, TypewriterRevealsTheTextTowardTheNextPoint) {
    Event event = makeEvent(0, 10);
    Track track = textTrack({{0, "0123456789"}, {2, "next"}});
    EXPECT_EQ(textAt(event, track, 1.0f, 0.0f, 1), "012345");
    EXPECT_EQ(textAt(event, track, 0.0f, 0.0f, 1), "0");
    EXPECT_EQ(textAt(event, track, 1.0f, 0.0f, 2), "0123456789");
    EXPECT_EQ(textAt(event, track, 1.0f, 0.0f, -1), "0123456789");
    EXPECT_EQ(textAt(event, track, 1.0f, 0.0f, -7), "0123456789");
    // The last point has nothing to type toward.
    EXPECT_EQ(textAt(event, track, 3.0f, 0.0f, 1), "next");
    // Placeholders are replaced before the length is taken.
    EXPECT_EQ(textAt(event, textTrack({{0, "<ICP>23456789"}, {2, ""}}), 1.0f, 0.0f, 1), "02345");
}

TEST(TrackEvaluation, DottedNamesFindTheJoinedTrackName) {
    Event event;
    for (const char* name : {"a", "a.", "a.b", "a.bc", "a.b.c", "a-b", "ab", "a.a", "b.b", "\xff"})
        event.tracks[name].mode = Track::Step;
    for (const auto& [name, track] : event.tracks) {
        size_t dot = name.find('.');
        if (dot == std::string::npos) continue;
        std::string_view joined = name;
        EXPECT_EQ(event.findTrack(DottedName{joined.substr(0, dot), joined.substr(dot + 1)}), &track) << name;
    }
    EXPECT_EQ(event.findTrack(DottedName{"a", "c"}), nullptr);
    EXPECT_EQ(event.findTrack(DottedName{"", "b"}), nullptr);
    EXPECT_EQ(event.findTrack(DottedName{"a", "b.c"}), &event.tracks["a.b.c"]);
}

TEST(TrackEvaluation, GroupBeatLinesTheEventUpWithTheEarliestMember) {
    Event first = makeEvent(20, 30), second = makeEvent(16, 24);
    EventGroup group;
    group.events = {&first, nullptr, &second};
    Event replay = makeEvent(100, 120);
    replay.type = Event::GroupEvent;
    EXPECT_FALSE(replay.groupBeat(101).has_value());
    replay.group = &group;
    EXPECT_FLOAT_EQ(replay.groupBeat(101).value(), 17.0f);
    group.events = {nullptr};
    EXPECT_FALSE(replay.groupBeat(101).has_value());
}

}  // namespace
