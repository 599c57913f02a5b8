// A recording into one video file: H.264 in yuv420p and AAC, in the container the file's name
// asks for (.mp4, .mkv, .mov, ...), through FFmpeg's libraries.
#pragma once
#include <memory>
#include <string>

#include "recording/RecordSink.h"

// Loads FFmpeg and checks that the file's name asks for a container that holds H.264 and AAC;
// throws RecordError. Cheap, so a recording can be refused before the show is loaded.
void checkVideoFileName(const std::string& path);

// Opens "<path>.part" for writing at once, so that an unwritable output or a missing codec is
// known before any frame is drawn; throws RecordError.
std::unique_ptr<RecordSink> openVideoFile(const std::string& path, const RecordFormat& format);
