#include "frame/QuitSignals.h"

#include <unistd.h>

#include <atomic>
#include <csignal>

#include "frame/Runtime.h"

namespace {

struct sigaction previous[2];
std::atomic<int> received{0};

int slot(int signal) { return signal == SIGINT ? 0 : 1; }

// Only async-signal-safe work: atomic stores, the earlier handler, _exit.
void onSignal(int signal) {
    if (received.fetch_add(1) >= 1) _exit(128 + signal);
    quitRequested = true;
    const struct sigaction& before = previous[slot(signal)];
    if (!(before.sa_flags & SA_SIGINFO) && before.sa_handler != SIG_DFL && before.sa_handler != SIG_IGN)
        before.sa_handler(signal);
}

}  // namespace

void installQuitSignals() {
    received = 0;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM}) {
        struct sigaction before {};
        sigaction(signal, &action, &before);
        if (before.sa_handler != onSignal) previous[slot(signal)] = before;  // installed again: keep the first
    }
}
