#include "export/Gltf.h"

#include "export/FaceTextures.h"
#include "export/Utf8Text.h"
#include "model/TextureImage.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>

namespace {

using nlohmann::json;

constexpr int kArrayBuffer = 34962;
constexpr int kElementArrayBuffer = 34963;
constexpr int kFloat = 5126;
constexpr int kUnsignedShort = 5123;
constexpr int kLinear = 9729;
constexpr int kClampToEdge = 33071;

// glTF's texture coordinates start at the image's top-left corner.
constexpr float kTextureCorners[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
constexpr unsigned short kTriangles[6] = {0, 1, 2, 0, 2, 3};

void Append(std::vector<unsigned char>& bytes, const void* data, size_t size) {
  const auto* begin = static_cast<const unsigned char*>(data);
  bytes.insert(bytes.end(), begin, begin + size);
}

void PadTo4(std::vector<unsigned char>& bytes, unsigned char fill) {
  while (bytes.size() % 4) bytes.push_back(fill);
}

void AppendLe32(std::vector<unsigned char>& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

}  // namespace

CGltfModel MakeGlb(const CSingleImage& model) {
  CGltfModel result;
  result.faces = CollectExportFaces(model);
  const size_t count = result.faces.faces.size();

  json document;
  document["asset"] = {{"version", "2.0"}, {"generator", "Pelorin"}};
  document["scene"] = 0;
  std::vector<unsigned char> binary;
  if (count == 0) {
    document["scenes"] = json::array({json::object()});
  } else {
    // Positions, then texture coordinates, then indices, each a buffer view; images after them.
    std::vector<float> positions, coordinates;
    for (const CExportFace& face : result.faces.faces)
      for (int k = 0; k < 4; ++k) {
        for (double c : face.corners[k]) positions.push_back(static_cast<float>(c));
        coordinates.push_back(kTextureCorners[k][0]);
        coordinates.push_back(kTextureCorners[k][1]);
      }
    Append(binary, positions.data(), positions.size() * sizeof(float));
    const size_t coordinatesAt = binary.size();
    Append(binary, coordinates.data(), coordinates.size() * sizeof(float));
    const size_t indicesAt = binary.size();
    for (size_t face = 0; face < count; ++face) Append(binary, kTriangles, sizeof kTriangles);
    const size_t indicesEnd = binary.size();

    json bufferViews = json::array(), accessors = json::array(), primitives = json::array(), materials = json::array(),
         textures = json::array(), images = json::array();
    // Every face's accessors share these views, so they state their stride.
    bufferViews.push_back({{"buffer", 0},
                           {"byteOffset", 0},
                           {"byteLength", coordinatesAt},
                           {"byteStride", 3 * sizeof(float)},
                           {"target", kArrayBuffer}});
    bufferViews.push_back({{"buffer", 0},
                           {"byteOffset", coordinatesAt},
                           {"byteLength", indicesAt - coordinatesAt},
                           {"byteStride", 2 * sizeof(float)},
                           {"target", kArrayBuffer}});
    bufferViews.push_back({{"buffer", 0},
                           {"byteOffset", indicesAt},
                           {"byteLength", indicesEnd - indicesAt},
                           {"target", kElementArrayBuffer}});
    const std::vector<std::vector<unsigned char>> pngs = FaceTexturePngs(model, result.faces.faces);
    for (size_t i = 0; i < count; ++i) {
      const CExportFace& face = result.faces.faces[i];
      json low = json::array(), high = json::array();
      for (int axis = 0; axis < 3; ++axis) {
        float lowest = positions[12 * i + axis], highest = lowest;
        for (int k = 1; k < 4; ++k) {
          lowest = std::min(lowest, positions[12 * i + 3 * k + axis]);
          highest = std::max(highest, positions[12 * i + 3 * k + axis]);
        }
        low.push_back(lowest);
        high.push_back(highest);
      }
      const size_t first = accessors.size();
      accessors.push_back({{"bufferView", 0}, {"byteOffset", 48 * i}, {"componentType", kFloat}, {"count", 4},
                           {"type", "VEC3"}, {"min", low}, {"max", high}});
      accessors.push_back({{"bufferView", 1}, {"byteOffset", 32 * i}, {"componentType", kFloat}, {"count", 4},
                           {"type", "VEC2"}});
      accessors.push_back({{"bufferView", 2}, {"byteOffset", 12 * i}, {"componentType", kUnsignedShort},
                           {"count", 6}, {"type", "SCALAR"}});
      json material = {{"name", Utf8Text(face.record->m_name)}, {"doubleSided", true}};
      const std::vector<unsigned char>& png = pngs[i];
      if (png.empty()) {
        material["pbrMetallicRoughness"] = {{"baseColorFactor", {0.8, 0.8, 0.8, 1.0}}, {"metallicFactor", 0.0}};
        result.untexturedFaces.push_back(face.number);
      } else {
        PadTo4(binary, 0);
        bufferViews.push_back({{"buffer", 0}, {"byteOffset", binary.size()}, {"byteLength", png.size()}});
        Append(binary, png.data(), png.size());
        images.push_back({{"bufferView", bufferViews.size() - 1}, {"mimeType", "image/png"}});
        textures.push_back({{"sampler", 0}, {"source", images.size() - 1}});
        material["pbrMetallicRoughness"] = {{"baseColorTexture", {{"index", textures.size() - 1}}},
                                            {"metallicFactor", 0.0}};
      }
      materials.push_back(material);
      primitives.push_back({{"attributes", {{"POSITION", first}, {"TEXCOORD_0", first + 1}}},
                            {"indices", first + 2},
                            {"material", materials.size() - 1}});
    }
    PadTo4(binary, 0);
    document["scenes"] = json::array({{{"nodes", {0}}}});
    document["nodes"] = json::array({{{"mesh", 0}, {"name", "model"}}});
    document["meshes"] = json::array({{{"primitives", primitives}, {"name", "faces"}}});
    document["materials"] = materials;
    if (!textures.empty()) {
      document["textures"] = textures;
      document["images"] = images;
      document["samplers"] = json::array(
          {{{"magFilter", kLinear}, {"minFilter", kLinear}, {"wrapS", kClampToEdge}, {"wrapT", kClampToEdge}}});
    }
    document["accessors"] = accessors;
    document["bufferViews"] = bufferViews;
    document["buffers"] = json::array({{{"byteLength", binary.size()}}});
  }

  std::vector<unsigned char> text;
  const std::string dumped = document.dump();
  Append(text, dumped.data(), dumped.size());
  PadTo4(text, ' ');
  std::vector<unsigned char>& glb = result.bytes;
  const uint32_t total = 12 + 8 + static_cast<uint32_t>(text.size()) + (binary.empty() ? 0 : 8 + static_cast<uint32_t>(binary.size()));
  Append(glb, "glTF", 4);
  AppendLe32(glb, 2);
  AppendLe32(glb, total);
  AppendLe32(glb, static_cast<uint32_t>(text.size()));
  Append(glb, "JSON", 4);
  Append(glb, text.data(), text.size());
  if (!binary.empty()) {
    AppendLe32(glb, static_cast<uint32_t>(binary.size()));
    Append(glb, "BIN\0", 4);
    Append(glb, binary.data(), binary.size());
  }
  return result;
}
