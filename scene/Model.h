// A glTF model carried as GLB bytes. This file holds the record and its parsing; GPU upload and
// drawing live in the GPU side.
#pragma once
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "content/ByteBuffer.h"

namespace tinygltf {
class Model;
}
class Texture;

class Model : public ISerializable {
public:
    std::string name;
    ByteBuffer buffer;  // GLB bytes
    std::shared_ptr<tinygltf::Model> gltf;  // parsed on demand by parse()
    std::vector<std::pair<int32_t, int32_t>> mesh_vertex_arrays;
    std::vector<uint32_t> vertex_arrays;
    std::vector<std::unique_ptr<Texture>> textures;
    int32_t highest_render_pass = 1;
    bool skipMaterials = false;
    bool ready = false;

    Model();
    ~Model() override;

    // Parses the GLB bytes into gltf, printing the parser's warnings and errors. Returns success.
    bool parse();

    // The name the writers use: a model read from text glTF holds GLB bytes and is written as
    // NAME.glb. The name itself stays as read so that scenes naming the text file still find it.
    std::string storedName() const;

    // JSON: a name ending in .glb/.GLB is binary glTF, any other extension text glTF, which is
    // converted to GLB so that blocks always hold GLB.
    content::Json toJson(const content::JsonFiles& files) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files) override;
    void readBinary(content::BinaryReader& in) override;
};
