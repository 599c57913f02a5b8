// The seam between reading content and making its GPU and audio objects. The Demo reader calls
// these at the moments the player needs them (a texture right after it is read, a font texture
// once its font is resolved, ...). Tools and tests use the default, which makes nothing.
#pragma once
#include <cstdint>

class AudioSample;
class Effect;
class Font;
class FontTexture;
class Model;
class Scene;
class Texture;

namespace content {

class LoadHooks {
public:
    virtual ~LoadHooks() = default;
    virtual void textureRead(Texture&) {}
    virtual void sampleRead(AudioSample&) {}
    virtual void fontRead(Font&) {}
    virtual void modelRead(Model&) {}
    // After the counted lists, before references are resolved: what the calls above began is
    // complete from here on.
    virtual void recordsRead() {}
    // After references are resolved: the font texture's surface and GL texture.
    virtual void fontTextureResolved(FontTexture&) {}
    // After references are resolved: the effect's quad and frame buffer.
    virtual void effectResolved(Effect&) {}
    // After references are resolved: the scene's light camera and shadow map.
    virtual void sceneResolved(Scene&) {}
    // The Demo's 1024 x 2 sound texture, made at the end of reading.
    virtual void soundTextureMade(Texture&) {}
    // One loading-screen frame: after every record of the thirteen counted lists, and at the end.
    virtual void progress(uint64_t read, uint64_t total) {}

    static LoadHooks& none();
};

}  // namespace content
