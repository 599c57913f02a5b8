// The part of check that builds what the player builds, in an off-screen GL context: every shader
// program compiled and linked as the player does it, once more with each patch a graph feeds into
// it, every model loaded with the player's checks, every script compiled.
#pragma once

class Demo;

namespace checks {

class ProjectCheck;

// Seconds spent on each part, for check -v and its measurement.
struct BuildTimes {
    double context = 0.0, shaders = 0.0, models = 0.0, scripts = 0.0;
};

// Throws ContentError when no GL context can be made.
void checkBuilt(Demo& demo, ProjectCheck& findings, BuildTimes& times);

}  // namespace checks
