// The loading screen's embedded picture (a two-colour PNG) and loading-done sound (an MP3).
#pragma once

extern const unsigned char kLoaderPicture[];
extern const unsigned long kLoaderPictureSize;
extern const unsigned char kLoaderSound[];
extern const unsigned long kLoaderSoundSize;
