// SIGINT and SIGTERM: the first asks to quit (and reaches the handler installed before), the
// second ends the process at once, whatever the frame is doing.
#include <csignal>

#include <gtest/gtest.h>

#include "frame/QuitSignals.h"
#include "frame/Runtime.h"

namespace {

std::atomic<int> earlier{0};
void earlierHandler(int) { ++earlier; }

}  // namespace

TEST(QuitSignalsDeathTest, TheFirstSignalAsksToQuitTheSecondEndsTheProcess) {
    EXPECT_EXIT(
        {
            std::signal(SIGTERM, earlierHandler);
            installQuitSignals();
            installQuitSignals();  // a second installation keeps the first's earlier handler
            std::raise(SIGTERM);
            if (!quitRequested || earlier != 1) std::_Exit(3);
            std::raise(SIGINT);
            std::_Exit(4);  // not reached
        },
        testing::ExitedWithCode(128 + SIGINT), "");
}
