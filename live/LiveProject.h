// Playing a project without packing it: once, or with --watch reloading it on every save while
// the show plays on.
#pragma once
#include "player/PlayerOptions.h"

namespace live {

// Without --watch a project with errors prints them and ends with status 1. With --watch a
// mistake never ends the show: the last good one plays on (black before the first) with the
// findings over it. Returns the process exit status.
int playProject(const PlayerOptions& options);

}  // namespace live
