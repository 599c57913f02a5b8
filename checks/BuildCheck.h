// The part of check that builds what the player builds, in an off-screen GL context: every shader
// program compiled and linked as the player does it, once more with each patch a graph feeds into
// it, every model loaded with the player's checks, every script compiled.
#pragma once
#include <vector>

class Demo;

namespace checks {

class ProjectCheck;

// Seconds spent on each part, for check -v and its measurement.
struct BuildTimes {
    double context = 0.0, shaders = 0.0, models = 0.0, scripts = 0.0;
};

// What a build in the player's own context takes over from the show before: programs already
// built (by list index), which are only reported on; and whether scripts get a trial run.
struct BuildReuse {
    std::vector<bool> programs;
    bool tryScripts = true;
};

// Throws ContentError when no GL context can be made.
void checkBuilt(Demo& demo, ProjectCheck& findings, BuildTimes& times);
// The same in the context current on this thread, whose programs and models the show keeps;
// programs resolve their includes against this show from then on.
void checkBuiltHere(Demo& demo, ProjectCheck& findings, BuildTimes& times, const BuildReuse& reuse);

}  // namespace checks
