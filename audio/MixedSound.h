// The analysis of the device's final mix: fed by the post-mix hook on the audio thread, read by
// the frame for the sound texture and the sound level.
#pragma once
#include "audio/SoundCapture.h"

namespace audio {

SoundCapture& mixedSound();

}  // namespace audio
