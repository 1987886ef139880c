#include "export/Gltf.h"

#include "camera/Calibration.h"
#include "export/FaceTextures.h"
#include "export/Utf8Text.h"
#include "image/PngFile.h"
#include "model/SingleImage.h"
#include "model/TextureImage.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

using nlohmann::json;

constexpr int kArrayBuffer = 34962;
constexpr int kElementArrayBuffer = 34963;
constexpr int kFloat = 5126;
constexpr int kUnsignedShort = 5123;
constexpr int kLinear = 9729;
constexpr int kClampToEdge = 33071;
// The camera's near plane at this share of the nearest point's depth; the photograph hangs at
// this multiple of the farthest point's depth.
constexpr double kNearShare = 0.01;
constexpr double kPhotographBehind = 1.5;
// glTF lets a camera's far plane lie at infinity, but some viewers cannot read a camera without
// one: it lies well beyond the photograph.
constexpr double kFarBeyondPhotograph = 10;

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

// Componentwise smallest or largest of four 3-vectors.
json Bound(const float* corners, bool largest) {
  json bound = json::array();
  for (int axis = 0; axis < 3; ++axis) {
    float value = corners[axis];
    for (int k = 1; k < 4; ++k)
      value = largest ? std::max(value, corners[3 * k + axis]) : std::min(value, corners[3 * k + axis]);
    bound.push_back(value);
  }
  return bound;
}

void AppendLe32(std::vector<unsigned char>& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

}  // namespace

CGltfModel MakeGlb(const CSingleImage& model, const CGltfOptions& options) {
  CGltfModel result;
  result.faces = CollectExportFaces(model);
  const size_t count = result.faces.faces.size();

  json document;
  document["asset"] = {{"version", "2.0"}, {"generator", "Pelorin"}};
  document["scene"] = 0;
  std::vector<unsigned char> binary;
  json bufferViews = json::array(), accessors = json::array(), meshes = json::array(), materials = json::array(),
       textures = json::array(), images = json::array(), nodes = json::array(), sceneNodes = json::array();
  const auto addPng = [&](const std::vector<unsigned char>& png) {
    PadTo4(binary, 0);
    bufferViews.push_back({{"buffer", 0}, {"byteOffset", binary.size()}, {"byteLength", png.size()}});
    Append(binary, png.data(), png.size());
    images.push_back({{"bufferView", bufferViews.size() - 1}, {"mimeType", "image/png"}});
    textures.push_back({{"sampler", 0}, {"source", images.size() - 1}});
    return textures.size() - 1;
  };
  if (count != 0) {
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

    json primitives = json::array();
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
      const size_t first = accessors.size();
      accessors.push_back({{"bufferView", 0}, {"byteOffset", 48 * i}, {"componentType", kFloat}, {"count", 4},
                           {"type", "VEC3"}, {"min", Bound(&positions[12 * i], false)},
                           {"max", Bound(&positions[12 * i], true)}});
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
        material["pbrMetallicRoughness"] = {{"baseColorTexture", {{"index", addPng(png)}}}, {"metallicFactor", 0.0}};
      }
      materials.push_back(material);
      primitives.push_back({{"attributes", {{"POSITION", first}, {"TEXCOORD_0", first + 1}}},
                            {"indices", first + 2},
                            {"material", materials.size() - 1}});
    }
    meshes.push_back({{"primitives", primitives}, {"name", "faces"}});
    sceneNodes.push_back(nodes.size());
    nodes.push_back({{"mesh", meshes.size() - 1}, {"name", "model"}});
  }

  const CCameraCalibration camera = CalibrateCamera(model, options.givenFocalPixels);
  result.cameraProblem = camera.problem;
  if (camera.IsValid()) {
    const double w = camera.imageWidth, h = camera.imageHeight, f = camera.focalPixels;
    // The camera's right, up and backward directions and its position, in the exports' axes.
    double axes[3][3], position[3];
    for (int i = 0; i < 3; ++i) {
      const double world[3] = {(i == 0 ? 1 : -1) * camera.rotation[i][0], (i == 0 ? 1 : -1) * camera.rotation[i][1],
                               (i == 0 ? 1 : -1) * camera.rotation[i][2]};
      ExportFromWorld(world, axes[i]);
    }
    const double centre[3] = {camera.position[0], camera.position[1], camera.position[2]};
    ExportFromWorld(centre, position);
    CMatrix3 localToExport;
    for (int i = 0; i < 3; ++i) localToExport[i] = {axes[0][i], axes[1][i], axes[2][i]};
    const std::array<double, 4> q = QuaternionFromRotation(localToExport);

    // The nearest point decides the near plane, the farthest where the photograph hangs.
    double nearest = 0, farthest = 0;
    for (int i = 0; i < model.m_Points.GetCount(); ++i) {
      const CViewPoint& p = *model.m_Points.ElementAt(i);
      const CMatrix3& R = camera.rotation;
      const double depth = R[2][0] * p.m_x + R[2][1] * p.m_y + R[2][2] * p.m_z + camera.translation[2];
      if (!(depth > 0) || !std::isfinite(depth)) continue;
      nearest = nearest == 0 ? depth : std::min(nearest, depth);
      farthest = std::max(farthest, depth);
    }
    const double origin = camera.translation[2] > 0 ? camera.translation[2] : 1;
    if (nearest == 0) nearest = farthest = origin;

    json extras = {{"focalPixels", f},
                   {"principalPoint", {camera.principalPoint[0] + w / 2, camera.principalPoint[1] + h / 2}},
                   {"principalPointOffset", {2 * camera.principalPoint[0] / w, 2 * camera.principalPoint[1] / h}},
                   {"imageSize", {camera.imageWidth, camera.imageHeight}},
                   {"calibration", CalibrationCaseName(camera.calibrationCase)}};
    if (const CCameraCalibration* sigma = options.cameraSigma)
      extras["sigma"] = {{"focalPixels", sigma->focalPixels},
                         {"principalPoint", {sigma->principalPoint[0], sigma->principalPoint[1]}},
                         {"position", {sigma->position[0], sigma->position[1], sigma->position[2]}},
                         {"yfov", sigma->verticalFov}};
    document["cameras"] = json::array({{{"type", "perspective"},
                                        {"name", "photograph"},
                                        {"perspective",
                                         {{"yfov", camera.verticalFov},
                                          {"aspectRatio", w / h},
                                          {"znear", nearest * kNearShare},
                                          {"zfar", farthest * kPhotographBehind * kFarBeyondPhotograph}}},
                                        {"extras", extras}}});
    json cameraNode = {{"name", "camera"},
                       {"camera", 0},
                       {"translation", {position[0], position[1], position[2]}},
                       {"rotation", {q[1], q[2], q[3], q[0]}}};

    std::vector<unsigned char> photograph;
    if (options.photographPlane && model.HasPixels())
      photograph = EncodePng(model.m_pPixels.get(), model.GetWidth(), model.GetHeight());
    if (!photograph.empty()) {
      // Corners at the photograph's corners, seen through the camera at the given depth.
      const double depth = farthest * kPhotographBehind;
      float corners[12];
      const double cornerU[4] = {-w / 2, w / 2, w / 2, -w / 2}, cornerV[4] = {-h / 2, -h / 2, h / 2, h / 2};
      for (int k = 0; k < 4; ++k) {
        corners[3 * k] = static_cast<float>((cornerU[k] - camera.principalPoint[0]) * depth / f);
        corners[3 * k + 1] = static_cast<float>((cornerV[k] - camera.principalPoint[1]) * depth / f);
        corners[3 * k + 2] = static_cast<float>(-depth);
      }
      PadTo4(binary, 0);
      const size_t at = binary.size();
      Append(binary, corners, sizeof corners);
      Append(binary, kTextureCorners, sizeof kTextureCorners);
      Append(binary, kTriangles, sizeof kTriangles);
      bufferViews.push_back({{"buffer", 0}, {"byteOffset", at}, {"byteLength", sizeof corners}, {"target", kArrayBuffer}});
      bufferViews.push_back({{"buffer", 0},
                             {"byteOffset", at + sizeof corners},
                             {"byteLength", sizeof kTextureCorners},
                             {"target", kArrayBuffer}});
      bufferViews.push_back({{"buffer", 0},
                             {"byteOffset", at + sizeof corners + sizeof kTextureCorners},
                             {"byteLength", sizeof kTriangles},
                             {"target", kElementArrayBuffer}});
      const size_t view = bufferViews.size() - 3, first = accessors.size();
      accessors.push_back({{"bufferView", view}, {"componentType", kFloat}, {"count", 4}, {"type", "VEC3"},
                           {"min", Bound(corners, false)}, {"max", Bound(corners, true)}});
      accessors.push_back({{"bufferView", view + 1}, {"componentType", kFloat}, {"count", 4}, {"type", "VEC2"}});
      accessors.push_back({{"bufferView", view + 2}, {"componentType", kUnsignedShort}, {"count", 6}, {"type", "SCALAR"}});
      materials.push_back({{"name", "photograph"},
                           {"doubleSided", true},
                           {"pbrMetallicRoughness", {{"baseColorTexture", {{"index", addPng(photograph)}}}, {"metallicFactor", 0.0}}},
                           {"extensions", {{"KHR_materials_unlit", json::object()}}}});
      document["extensionsUsed"] = json::array({"KHR_materials_unlit"});
      meshes.push_back({{"primitives", json::array({{{"attributes", {{"POSITION", first}, {"TEXCOORD_0", first + 1}}},
                                                      {"indices", first + 2},
                                                      {"material", materials.size() - 1}}})},
                        {"name", "photograph"}});
      cameraNode["children"] = json::array({nodes.size() + 1});
    }
    sceneNodes.push_back(nodes.size());
    nodes.push_back(cameraNode);
    if (!photograph.empty()) nodes.push_back({{"mesh", meshes.size() - 1}, {"name", "photograph"}});
  }

  PadTo4(binary, 0);
  document["scenes"] = json::array({sceneNodes.empty() ? json::object() : json{{"nodes", sceneNodes}}});
  if (!nodes.empty()) document["nodes"] = nodes;
  if (!meshes.empty()) document["meshes"] = meshes;
  if (!materials.empty()) document["materials"] = materials;
  if (!textures.empty()) {
    document["textures"] = textures;
    document["images"] = images;
    document["samplers"] = json::array(
        {{{"magFilter", kLinear}, {"minFilter", kLinear}, {"wrapS", kClampToEdge}, {"wrapT", kClampToEdge}}});
  }
  if (!accessors.empty()) document["accessors"] = accessors;
  if (!bufferViews.empty()) document["bufferViews"] = bufferViews;
  if (!binary.empty()) document["buffers"] = json::array({{{"byteLength", binary.size()}}});

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
