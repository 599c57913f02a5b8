#include <GL/glew.h>

#include "audio/Audio.h"
#include "audio/MixedSound.h"
#include "content/Texture.h"

namespace audio {

void uploadSoundTexture(const Texture& soundTexture) {
    if (soundTexture.glName == 0) return;  // would write into the default texture
    glBindTexture(GL_TEXTURE_2D, soundTexture.glName);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kSoundWidth, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 mixedSound().latest().pixels.data());
}

}  // namespace audio
