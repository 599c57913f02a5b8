// Frees what a show made on the GPU, in the mixer and in SDL (text surfaces), for a show replaced
// while the player runs on: objects a newer show took over were cleared in this one and are left
// alone.
#pragma once

class Demo;

namespace live {

// Needs the show's GL context current. The records stay; their names and handles become 0.
void releaseShow(Demo& demo);

}  // namespace live
