#include "player/PlayerHooks.h"

#include "content/AudioSample.h"
#include "timeline/FontTexture.h"
#include "content/Texture.h"
#include "player/LoadingScreen.h"
#include "scene/Model.h"
#include "timeline/Effect.h"
#include "timeline/Font.h"

void PlayerHooks::textureRead(Texture& texture) { texture.upload(); }
void PlayerHooks::sampleRead(AudioSample& sample) { sample.decode(); }
void PlayerHooks::fontRead(Font& font) { font.open(); }
void PlayerHooks::modelRead(Model& model) { model.upload(); }
void PlayerHooks::fontTextureResolved(FontTexture& fontTexture) { fontTexture.prepare(); }
void PlayerHooks::effectResolved(Effect& effect) { effect.createTargets(); }
void PlayerHooks::soundTextureMade(Texture& texture) { texture.makeBlank(texture.width, texture.height); }

void PlayerHooks::progress(uint64_t read, uint64_t total) {
    if (screen_) screen_->drawProgress(read, total);
}
