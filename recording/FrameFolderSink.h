// A recording as a folder for other editing tools: frame_000000.png, frame_000001.png, ... (PNG,
// no alpha) and the whole mix as audio.wav (16-bit stereo PCM).
#pragma once
#include <memory>
#include <string>

#include "recording/RecordSink.h"

// Frames go to "<folder>.part", which replaces the folder once finished. A folder that exists
// and holds anything is refused rather than mixed into; throws RecordError.
std::unique_ptr<RecordSink> openFrameFolder(const std::string& folder, const RecordFormat& format);
