#include "content/LoadHooks.h"

namespace content {

LoadHooks& LoadHooks::none() {
    static LoadHooks hooks;
    return hooks;
}

}  // namespace content
