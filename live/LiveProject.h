// Playing a project without packing it: once, or with --watch reloading it on every save while
// the show plays on.
#pragma once
#include <filesystem>
#include <vector>

#include "player/PlayerOptions.h"

struct Player;

namespace live {

// Without --watch a project with errors prints them and ends with status 1. With --watch a
// mistake never ends the show: the last good one plays on (black before the first) with the
// findings over it. Returns the process exit status.
int playProject(const PlayerOptions& options);

class ProjectSession;

// One reload as the watching player does it after saves of `changed` (none: the R key, which
// builds everything anew): the new show takes the playing one's beat, its line goes to standard
// output and its findings to standard error and over the frame.
void reload(Player& player, ProjectSession& session, const std::vector<std::filesystem::path>& changed);

}  // namespace live
