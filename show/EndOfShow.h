// The rule that ends a show at its end beat, shared by the player's clock and the project checks.
#pragma once

// The frame whose beat first passes the end beat is the last one; a clock that has run past
// beat 10000 no longer ends the show by this rule.
inline bool pastEndOfShow(float beat, float endBeat) { return beat > endBeat && beat < 10000.0f; }
