#include "player/PlayerHooks.h"

#include <cstdio>
#include <string>

#include "content/AudioSample.h"
#include "timeline/FontTexture.h"
#include "content/Texture.h"
#include "player/LoadingScreen.h"
#include "scene/Model.h"
#include "timeline/Font.h"

// The workers judge image sizes against the GL's largest texture, which only this thread can ask.
PlayerHooks::PlayerHooks(LoadingScreen* screen) : screen_(screen) { rememberMaxTextureSize(); }

void PlayerHooks::textureRead(Texture& texture) {
    decoding_.add([&texture] { return texture.decode(); });
}

// Samples are decoded for the device as it runs while the show is read.
void PlayerHooks::sampleRead(AudioSample& sample) {
    decoding_.add([&sample]() -> DecodeQueue::Finish {
        std::string message = sample.decodeSilently();
        return [message] { std::fputs(message.c_str(), stderr); };
    });
}

void PlayerHooks::modelRead(Model& model) {
    decoding_.add([&model] { return model.decode(); });
}

void PlayerHooks::fontRead(Font& font) { font.open(); }
void PlayerHooks::recordsRead() { decoding_.finishAll(); }
void PlayerHooks::fontTextureResolved(FontTexture& fontTexture) { fontTexture.prepare(); }
void PlayerHooks::soundTextureMade(Texture& texture) { texture.makeBlank(texture.width, texture.height); }

void PlayerHooks::progress(uint64_t read, uint64_t total) {
    decoding_.finishReady();
    if (screen_) screen_->drawProgress(read, total);
}
