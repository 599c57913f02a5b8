// The part of check that holds a show's scenes against the player's limits: instance counts
// past what one draw may submit, and scene effects whose texture units pass the GL's last one.
#pragma once

class Demo;

namespace checks {

class ProjectCheck;

// Needs the models loaded and a GL context current.
void checkSceneLimits(const Demo& demo, ProjectCheck& findings);

}  // namespace checks
