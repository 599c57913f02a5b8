// SIGINT and SIGTERM: the first asks the show to end after the frame (quitRequested, and the
// handler that was there before, such as the recorder's), the second ends the process at once
// with status 128 + the signal, even inside a frame that would not end for minutes.
#pragma once

void installQuitSignals();
