// What the player makes while the show is read: GL textures, opened fonts, decoded samples,
// render targets, and a loading-screen frame after every record. Programs are compiled once the
// show is complete (Demo::postLoad), when their includes can resolve.
#pragma once
#include "content/LoadHooks.h"

class LoadingScreen;

class PlayerHooks : public content::LoadHooks {
public:
    explicit PlayerHooks(LoadingScreen* screen) : screen_(screen) {}

    void textureRead(Texture& texture) override;
    void sampleRead(AudioSample& sample) override;
    void fontRead(Font& font) override;
    void modelRead(Model& model) override;
    void fontTextureResolved(FontTexture& fontTexture) override;
    void effectResolved(Effect& effect) override;
    void soundTextureMade(Texture& texture) override;
    void progress(uint64_t read, uint64_t total) override;

private:
    LoadingScreen* screen_;
};
