#include "scene/Model.h"

#include <climits>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include <tiny_gltf.h>

#include "content/Texture.h"
#include "scene/GltfGuards.h"

namespace {

bool isBinaryGltfName(const std::string& name) {
    std::string ext = std::filesystem::path(name).extension().string();
    return ext == ".glb" || ext == ".GLB";
}

bool hasExtension(const std::string& name) { return std::filesystem::path(name).has_extension(); }

// The parser takes 32-bit lengths, a longer buffer would be silently cut; and it recurses once
// per level of JSON nesting.
std::string refusal(const std::string& name, const uint8_t* bytes, uint64_t length) {
    if (length > UINT_MAX) return "glTF data larger than 4 GB";
    const std::string nested = gltf_guards::nestingRefusal(bytes, size_t(length));
    return nested.empty() ? "" : "Model " + name + ": " + nested + "; not loaded";
}

std::string diagnosticsText(const std::string& warn, const std::string& err, bool ok) {
    std::string text;
    if (!warn.empty()) text += "Warn: " + warn + "\n";
    if (!err.empty()) text += "Err: " + err + "\n";
    if (!ok) text += "Failed to parse glTF\n";
    return text;
}

void printDiagnostics(const std::string& warn, const std::string& err, bool ok) {
    std::fputs(diagnosticsText(warn, err, ok).c_str(), stdout);
}

// Embeds every decoded image as PNG whatever its file extension was: the library's own writer
// only knows .png/.jpg/.bmp names and would leave other images (.jpeg, .PNG, ...) without data.
bool embedAsPng(const std::string* basepath, const std::string*, const tinygltf::Image* image, bool,
                std::string* outUri, void* user) {
    if (image->image.empty()) return false;  // never loaded: keep the original URI
    static const std::string pngName = "image.png";
    return tinygltf::WriteImageData(basepath, &pngName, image, true, outUri, user);
}

// Parses glTF text, resolving external buffers and images against baseDir, and returns the same
// asset as self-contained GLB bytes; empty on failure, with the parser's message in `error`.
std::vector<uint8_t> textGltfToGlb(const std::string& name, const ByteBuffer& text, const std::string& baseDir,
                                   std::string& error) {
    tinygltf::TinyGLTF loader;
    tinygltf::Model model;
    std::vector<content::TextureShare> shares;  // decoded only to be written again
    gltf_guards::ImageLoad images{&model, name, &shares};
    gltf_guards::useCheckedImages(loader, images);
    std::string warn, err = refusal(name, text.begin(), text.length);
    bool ok = err.empty() && loader.LoadASCIIFromString(&model, &err, &warn, reinterpret_cast<const char*>(text.begin()),
                                                        unsigned(text.length), baseDir);
    printDiagnostics(warn, err, ok);
    if (!ok) {
        error = err.empty() ? "the glTF text does not parse" : err;
        while (!error.empty() && error.back() == '\n') error.pop_back();
        return {};
    }
    // Without a URI the first buffer goes to the GLB binary chunk; the others are embedded.
    for (tinygltf::Buffer& buffer : model.buffers) buffer.uri.clear();
    loader.SetImageWriter(embedAsPng, nullptr);
    std::ostringstream glb;
    if (!loader.WriteGltfSceneToStream(&model, glb, false, true)) {
        error = "the glTF could not be converted to GLB";
        return {};
    }
    std::string bytes = glb.str();
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace

Model::Model() = default;
Model::~Model() = default;

std::string Model::storedName() const {
    return buffer.present() && hasExtension(name) && !isBinaryGltfName(name) ? name + ".glb" : name;
}

bool Model::parse() {
    std::string diagnostics;
    const bool ok = parse(diagnostics);
    std::fputs(diagnostics.c_str(), stdout);
    return ok;
}

bool Model::parse(std::string& diagnostics) {
    gltf = std::make_shared<tinygltf::Model>();
    image_budget.clear();
    tinygltf::TinyGLTF loader;
    gltf_guards::ImageLoad images{gltf.get(), name, &image_budget};
    gltf_guards::useCheckedImages(loader, images);
    std::string warn, err = refusal(name, buffer.begin(), buffer.length);
    bool ok = err.empty() &&
              loader.LoadBinaryFromMemory(gltf.get(), &err, &warn, buffer.begin(), unsigned(buffer.length), "resources");
    diagnostics = diagnosticsText(warn, err, ok);
    return ok;
}

content::Json Model::toJson(const content::JsonFiles& files) const {
    content::Json j;
    std::string stored = storedName();
    j["name"] = stored;
    bool inFile = files.externalise && buffer.present() && files.trySave(stored, buffer.begin(), buffer.length);
    if (!inFile && buffer.present()) j["buffer"] = buffer.toJson(files);
    return j;
}

void Model::writeBinary(content::BinaryWriter& out) const {
    out.string(storedName());
    buffer.writeBinary(out);
}

void Model::fromJson(const content::Json& json, const content::JsonFiles& files) {
    using namespace content;
    name = jsonString(json, "name");
    if (!hasExtension(name)) {
        std::printf("Expected a file extension in name %s\n", name.c_str());
        return;
    }
    if (jsonHas(json, "buffer")) buffer.fromJson(json["buffer"], files);
    else buffer = ByteBuffer(files.load(name));
    if (isBinaryGltfName(name)) return;
    std::string baseDir = (files.folder / std::filesystem::path(name).parent_path()).string();
    std::vector<uint8_t> glb = textGltfToGlb(name, buffer, baseDir, loadError);
    // A text glTF that did not convert leaves the model empty rather than holding text as GLB.
    buffer = glb.empty() ? ByteBuffer() : ByteBuffer(glb);
}

void Model::readBinary(content::BinaryReader& in) {
    content::RecordScope scope(in, "Model");
    name = in.string();
    buffer.readBinary(in);
}
