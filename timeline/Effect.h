// One full-screen shader pass with its inputs (textures, font textures, other effects, a screen
// copy, an optional scene). This file holds the record; drawing lives in EffectGL.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "content/ISerializable.h"

class FontTexture;
class Scene;
class ShaderProgram;
class Texture;

// A non-owning callable, so that a draw can take a lambda without allocating.
class DrawCallback {
public:
    DrawCallback() = default;
    template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, DrawCallback>>>
    DrawCallback(const F& f) : fn_([](const void* c) { (*static_cast<const F*>(c))(); }), context_(&f) {}
    explicit operator bool() const { return fn_ != nullptr; }
    void operator()() const { fn_(context_); }

private:
    void (*fn_)(const void*) = nullptr;
    const void* context_ = nullptr;
};

// A CPU pixel block of the render size, for reading back the screen.
struct PixelBuffer {
    std::vector<uint8_t> pixels;
    int32_t width = 0;
    int32_t height = 0;
};

class Effect : public ISerializable {
public:
    std::vector<Texture*> textures;
    std::vector<Effect*> effects;
    std::vector<FontTexture*> fontTextures;
    ShaderProgram* program = nullptr;
    Scene* scene = nullptr;
    std::string name;
    bool feedback = false;
    bool screen_texture = false;

    // References as stored (binary keys or JSON names), until the Demo resolves them.
    struct Stored {
        std::vector<uint64_t> textures, effects, fontTextures;
        uint64_t program = 0, scene = 0;
        std::vector<std::string> textureNames, effectNames, fontTextureNames;
        std::string programName, sceneName;
    } stored;

    // GPU side state, filled by EffectGL.
    uint32_t quadBuffer = 0, vertexArray = 0;
    std::unique_ptr<PixelBuffer> capture;
    uint32_t captureTexture = 0;
    uint32_t frameBuffer = 0, frameBufferTexture = 0;
    bool unitsWarned = false;  // inputs past the last texture unit were reported
    bool sceneUnitsFit = true;       // false while the scene's units lie past the GL's last unit
    bool sceneUnitsWarned = false;   // and that was reported

    Effect() = default;
    // Made directly (the loading screen): texture and input become the first list entries, and
    // the targets are created at once when there is a program.
    Effect(std::string name, ShaderProgram* program, Texture* texture, Effect* input, bool feedback,
           bool screenTexture, Scene* scene);

    // GPU side (EffectGL.cpp).
    void createTargets();
    // Makes the program current and binds every input; returns the texture units used from 0.
    int bindInputs(ShaderProgram& program, bool renderInputs);
    // One draw into whatever frame buffer is bound; the callback runs after the standard uniforms.
    void render(DrawCallback callback, bool renderInputs);
    void captureScreen();
    void ensureCapture();

    content::Json toJson(const content::JsonFiles& files) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files) override;
    void readBinary(content::BinaryReader& in) override;
};
