// The mistakes that read without a word and then play wrongly or not at all: tracks that nothing
// reads, events that never play, control points out of order, repeat tracks that run away from
// their points, fonts, texts and scenes that draw nothing, and music given as a file name.
#pragma once

class Demo;

namespace checks {

class ProjectCheck;

// Runs on a show read from a project that passed the project checks; list indices of the show's
// records are those of the project's lists.
void checkShow(const Demo& demo, ProjectCheck& findings);

}  // namespace checks
