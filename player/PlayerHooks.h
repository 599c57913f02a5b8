// What the player makes while the show is read: textures, models and samples are decoded on a
// worker thread and made into GL objects between loading-screen frames; fonts are opened here
// (SDL_ttf is not safe across threads); render targets and programs follow once the show is
// complete (Demo::postLoad), when includes can resolve.
#pragma once
#include "content/LoadHooks.h"
#include "player/DecodeQueue.h"

class LoadingScreen;

class PlayerHooks : public content::LoadHooks {
public:
    // Must be made on the GL thread, with the context current.
    explicit PlayerHooks(LoadingScreen* screen);

    void textureRead(Texture& texture) override;
    void sampleRead(AudioSample& sample) override;
    void fontRead(Font& font) override;
    void modelRead(Model& model) override;
    void recordsRead() override;
    void fontTextureResolved(FontTexture& fontTexture) override;
    void soundTextureMade(Texture& texture) override;
    void progress(uint64_t read, uint64_t total) override;

    // Drops the decoding not yet started and waits for the running one.
    void cancel() { decoding_.cancel(); }

private:
    LoadingScreen* screen_;
    DecodeQueue decoding_;
};
