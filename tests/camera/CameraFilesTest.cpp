// The calibrated camera as other tools read it: the glTF camera with its extras reproduces every
// measured point's image position, the Khronos validator accepts the file with the camera and
// the photograph; the fSpy project and the COLMAP text model read back by their published
// layouts; the EXIF focal length of a JPEG.

#include "CameraScene.h"
#include "SampleTruth.h"
#include "ScriptedServices.h"
#include "TempDir.h"
#include "camera/CameraFiles.h"
#include "camera/ExifFocal.h"
#include "export/ExportStep.h"
#include "export/Gltf.h"
#include "model/DataFile.h"

#include <gtest/gtest.h>
#include <libexif/exif-data.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <numbers>
#include <sstream>

namespace {

using nlohmann::json;

// How closely a point seen through an exported camera must land on its image position, pixels.
constexpr double kPixelAccuracy = 1e-6;

std::unique_ptr<CSingleImage> BoxModel(bool withPixels) {
  const CSyntheticScene scene = LookingAtBoxes(800, 600, 900, 0.28 * std::numbers::pi, 0.42, 0.12, 14, -9);
  auto model = MeasuredModel(scene);
  if (withPixels) {  // a gradient, so the photograph plane has a texture
    const int w = model->GetWidth(), h = model->GetHeight();
    model->m_pPixels.reset(new unsigned char[3 * static_cast<size_t>(w) * h]);
    for (int i = 0; i < w * h; ++i)
      for (int k = 0; k < 3; ++k) model->m_pPixels[3 * i + k] = static_cast<unsigned char>((i % w + k * 40) % 256);
  }
  // The first box's top as a face.
  auto* face = new CTextureImage;
  const int top[4] = {1, 3, 7, 5};  // corners (0,0,z), (0,y,z), (x,y,z), (x,0,z) of the first box
  for (int k = 0; k < 4; ++k) face->m_pointId[k] = top[k];
  model->m_Textures.Add(face);
  return model;
}

json GlbJson(const std::vector<unsigned char>& glb) {
  const uint32_t length = glb[12] | glb[13] << 8 | glb[14] << 16 | static_cast<uint32_t>(glb[15]) << 24;
  return json::parse(glb.begin() + 20, glb.begin() + 20 + length);
}

uint32_t Le32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  return value;
}

void Write(const std::string& path, const void* data, size_t size) {
  std::ofstream(path, std::ios::binary).write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// Lines of a COLMAP text file without its comments.
std::vector<std::string> DataLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] != '#') lines.push_back(line);
  return lines;
}

TEST(GltfCamera, EveryMeasuredPointLandsOnItsImagePosition) {
  CScriptedServices services;
  const auto model = BoxModel(false);
  const CGltfModel gltf = MakeGlb(*model);
  ASSERT_EQ(gltf.cameraProblem, "");
  const json document = GlbJson(gltf.bytes);
  const json* node = nullptr;
  for (const json& n : document["nodes"])
    if (n.contains("camera")) node = &n;
  ASSERT_NE(node, nullptr);
  const json& camera = document["cameras"][(*node)["camera"].get<int>()];
  const double yfov = camera["perspective"]["yfov"], aspect = camera["perspective"]["aspectRatio"];
  const double offset[2] = {camera["extras"]["principalPointOffset"][0], camera["extras"]["principalPointOffset"][1]};
  const double t[3] = {(*node)["translation"][0], (*node)["translation"][1], (*node)["translation"][2]};
  const double x = (*node)["rotation"][0], y = (*node)["rotation"][1], z = (*node)["rotation"][2],
               w = (*node)["rotation"][3];
  // The node's rotation as a matrix (columns: the camera's x, y, z in the file's axes).
  const double R[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                          {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                          {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
  const double width = model->GetWidth(), height = model->GetHeight();
  for (int i = 0; i < model->m_Points.GetCount(); ++i) {
    const CViewPoint& p = *model->m_Points.ElementAt(i);
    const double file[3] = {-p.m_y, p.m_z, -p.m_x};  // the exports' axes
    const double d[3] = {file[0] - t[0], file[1] - t[1], file[2] - t[2]};
    double local[3];
    for (int k = 0; k < 3; ++k) local[k] = R[0][k] * d[0] + R[1][k] * d[1] + R[2][k] * d[2];
    ASSERT_LT(local[2], 0) << "point " << p.m_id << " behind the camera";
    const double ndcX = local[0] / -local[2] / (std::tan(yfov / 2) * aspect) + offset[0];
    const double ndcY = local[1] / -local[2] / std::tan(yfov / 2) + offset[1];
    EXPECT_NEAR((ndcX + 1) / 2 * width, p.m_u + width / 2, kPixelAccuracy) << "point " << p.m_id;
    EXPECT_NEAR((ndcY + 1) / 2 * height, p.m_v + height / 2, kPixelAccuracy) << "point " << p.m_id;
  }
}

// The sample's boxes drawn through the .glb's camera, as a viewer draws them: each corner
// projected with the node's pose, yfov, aspect ratio and the principal point offset of the
// extras, each edge rasterised into whole pixels. Every lit pixel lies within one pixel of the
// photograph's edge between the true corner positions, and every stretch of that edge has a lit
// pixel within one pixel.
TEST(GltfCamera, TheSampleBoxesDrawnThroughItOverlayThePhotographsEdges) {
  CScriptedServices services;
  const CSampleTruth truth = ReadSampleTruth(PELORIN_EXAMPLES_DIR "/sample-scene-truth.txt");
  ASSERT_FALSE(truth.corners.empty());
  std::string text, reason;
  ASSERT_EQ(ReadDataFileText(PELORIN_EXAMPLES_DIR "/sample-scene.txt", text, reason), EDataFileRead::Loaded) << reason;
  CDataFileContent content;
  ASSERT_TRUE(ParseDataFile(text, content, reason)) << reason;
  CSingleImage model(1024, 768);
  ApplyDataFile(model, std::move(content));
  const CGltfModel gltf = MakeGlb(model);
  ASSERT_EQ(gltf.cameraProblem, "");
  const json document = GlbJson(gltf.bytes);
  const json* node = nullptr;
  for (const json& n : document["nodes"])
    if (n.contains("camera")) node = &n;
  ASSERT_NE(node, nullptr);
  const json& camera = document["cameras"][(*node)["camera"].get<int>()];
  const double yfov = camera["perspective"]["yfov"], aspect = camera["perspective"]["aspectRatio"];
  const double offset[2] = {camera["extras"]["principalPointOffset"][0], camera["extras"]["principalPointOffset"][1]};
  const double t[3] = {(*node)["translation"][0], (*node)["translation"][1], (*node)["translation"][2]};
  const double x = (*node)["rotation"][0], y = (*node)["rotation"][1], z = (*node)["rotation"][2],
               w = (*node)["rotation"][3];
  const double R[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                          {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                          {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
  const int width = 1024, height = 768;
  // A world point (metres, Z up) to the viewer's pixel position: column from the left, row from
  // the bottom, pixel centres at whole numbers.
  const auto project = [&](double X, double Y, double Z) -> std::array<double, 2> {
    const double file[3] = {-Y, Z, -X};  // the exports' axes
    const double d[3] = {file[0] - t[0], file[1] - t[1], file[2] - t[2]};
    double local[3];
    for (int k = 0; k < 3; ++k) local[k] = R[0][k] * d[0] + R[1][k] * d[1] + R[2][k] * d[2];
    const double ndcX = local[0] / -local[2] / (std::tan(yfov / 2) * aspect) + offset[0];
    const double ndcY = local[1] / -local[2] / std::tan(yfov / 2) + offset[1];
    return {(ndcX + 1) / 2 * width, (ndcY + 1) / 2 * height};
  };
  const auto distanceToSegment = [](double px, double py, const std::array<double, 2>& a, const std::array<double, 2>& b) {
    const double dx = b[0] - a[0], dy = b[1] - a[1];
    const double along = std::clamp(((px - a[0]) * dx + (py - a[1]) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(px - a[0] - along * dx, py - a[1] - along * dy);
  };
  // Box edges join corners whose names (box, then 0/1 for X, Y, Z) differ in one digit.
  int edges = 0;
  for (const auto& [from, a] : truth.corners)
    for (const auto& [to, b] : truth.corners) {
      if (from >= to || from[0] != to[0]) continue;
      int differing = 0;
      for (size_t k = 1; k < from.size(); ++k) differing += from[k] != to[k];
      if (differing != 1) continue;
      ++edges;
      const auto start = project(a.X, a.Y, a.Z), end = project(b.X, b.Y, b.Z);
      const std::array<double, 2> photographStart{a.x, a.y}, photographEnd{b.x, b.y};
      // The edge rasterised: one lit pixel a step along its longer extent.
      const int steps = static_cast<int>(std::ceil(std::max(std::fabs(end[0] - start[0]), std::fabs(end[1] - start[1]))));
      std::vector<std::array<int, 2>> lit;
      for (int i = 0; i <= steps; ++i) {
        const double s = static_cast<double>(i) / steps;
        lit.push_back({static_cast<int>(std::lround(start[0] + s * (end[0] - start[0]))),
                       static_cast<int>(std::lround(start[1] + s * (end[1] - start[1])))});
        ASSERT_TRUE(lit.back()[0] >= 0 && lit.back()[0] < width && lit.back()[1] >= 0 && lit.back()[1] < height);
      }
      for (const auto& [px, py] : lit)
        EXPECT_LE(distanceToSegment(px, py, photographStart, photographEnd), 1.0) << from << "-" << to;
      for (int i = 0; i <= steps; ++i) {
        const double s = static_cast<double>(i) / steps;
        const double px = a.x + s * (b.x - a.x), py = a.y + s * (b.y - a.y);
        double nearest = 1e9;
        for (const auto& [lx, ly] : lit) nearest = std::min(nearest, std::max(std::fabs(lx - px), std::fabs(ly - py)));
        EXPECT_LE(nearest, 1.0) << from << "-" << to << " at " << s;
      }
    }
  EXPECT_EQ(edges, 24);  // two boxes of twelve
}

TEST(GltfCamera, TheValidatorAcceptsTheCameraAndThePhotograph) {
  CScriptedServices services;
  CTempDir dir;
  const auto model = BoxModel(true);
  const CGltfModel gltf = MakeGlb(*model, {.photographPlane = true});
  ASSERT_EQ(gltf.cameraProblem, "");
  EXPECT_EQ(GlbJson(gltf.bytes)["meshes"].size(), 2u);
  const std::string path = dir.File("camera.glb");
  Write(path, gltf.bytes.data(), gltf.bytes.size());
  std::FILE* pipe = popen(("node " PELORIN_SOURCE_DIR "/tools/gltf-validator/validate.mjs '" + path + "' 2>&1").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string report;
  char buffer[1024];
  while (std::fgets(buffer, sizeof buffer, pipe)) report += buffer;
  EXPECT_EQ(pclose(pipe), 0) << report;
  EXPECT_NE(report.find("\"numErrors\": 0"), std::string::npos) << report;
  EXPECT_NE(report.find("\"numWarnings\": 0"), std::string::npos) << report;
}

TEST(Fspy, HeaderAndStateReadBackAsTheFormatDescribes) {
  CScriptedServices services;
  const auto model = BoxModel(true);
  const CCameraCalibration camera = CalibrateCamera(*model);
  ASSERT_TRUE(camera.IsValid()) << camera.problem;
  const CExportStep step = MakeExport(*model, EExportFormat::Fspy, "box.fspy");
  ASSERT_EQ(step.problem, "");
  ASSERT_EQ(step.files.size(), 1u);
  const std::string& bytes = step.files[0].bytes;
  ASSERT_GE(bytes.size(), 16u);
  EXPECT_EQ(bytes.substr(0, 4), "fspy");
  EXPECT_EQ(Le32(bytes, 4), 1u);
  const uint32_t stateSize = Le32(bytes, 8), imageSize = Le32(bytes, 12);
  ASSERT_EQ(bytes.size(), 16u + stateSize + imageSize);
  EXPECT_EQ(bytes.substr(16 + stateSize, 4), "\x89PNG");
  const json state = json::parse(bytes.substr(16, stateSize));
  const json& p = state["cameraParameters"];
  EXPECT_EQ(state["calibrationSettingsBase"]["referenceDistanceUnit"], "No unit");
  EXPECT_EQ(p["imageWidth"], 800);
  EXPECT_EQ(p["imageHeight"], 600);
  // The longer side spans −1 … 1.
  EXPECT_NEAR(p["relativeFocalLength"].get<double>(), 900 / 400.0, 1e-9);
  EXPECT_NEAR(p["principalPoint"]["x"].get<double>(), 14 / 400.0, 1e-9);
  EXPECT_NEAR(p["principalPoint"]["y"].get<double>(), -9 / 400.0, 1e-9);
  EXPECT_NEAR(p["horizontalFieldOfView"].get<double>(), 2 * std::atan(400 / 900.0), 1e-9);
  EXPECT_NEAR(p["verticalFieldOfView"].get<double>(), 2 * std::atan(300 / 900.0), 1e-9);
  ASSERT_EQ(p["vanishingPoints"].size(), 3u);
  EXPECT_EQ(p["vanishingPointAxes"].size(), 3u);
  // The camera transform places the camera; the view transform is its inverse.
  const json& placed = p["cameraTransform"]["rows"];
  const json& view = p["viewTransform"]["rows"];
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(placed[i][3].get<double>(), camera.position[i], 1e-9);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double product = 0;
      for (int k = 0; k < 4; ++k) product += view[i][k].get<double>() * placed[k][j].get<double>();
      EXPECT_NEAR(product, i == j ? 1 : 0, 1e-12) << i << j;
    }
  // Each vanishing point is where the camera sees its axis go, in image-plane units: the
  // synthetic camera's own vanishing points.
  const double* vanishing[3] = {model->m_Vx, model->m_Vy, model->m_Vz};
  for (int axis = 0; axis < 3; ++axis) {
    EXPECT_NEAR(p["vanishingPoints"][axis]["x"].get<double>(), vanishing[axis][0] / vanishing[axis][2] / 400, 1e-9);
    EXPECT_NEAR(p["vanishingPoints"][axis]["y"].get<double>(), vanishing[axis][1] / vanishing[axis][2] / 400, 1e-9);
  }
}

TEST(Colmap, FilesParseWithTheDocumentedLayoutAndReprojectThePoints) {
  CScriptedServices services;
  const auto model = BoxModel(true);
  const CExportStep step = MakeExport(*model, EExportFormat::Colmap, "sparse", "boxes.png");
  ASSERT_EQ(step.problem, "");
  ASSERT_EQ(step.files.size(), 3u);
  EXPECT_EQ(step.files[0].name, "sparse/cameras.txt");
  EXPECT_EQ(step.files[1].name, "sparse/images.txt");
  EXPECT_EQ(step.files[2].name, "sparse/points3D.txt");

  // cameras.txt: CAMERA_ID MODEL WIDTH HEIGHT fx fy cx cy
  const auto cameraLines = DataLines(step.files[0].bytes);
  ASSERT_EQ(cameraLines.size(), 1u);
  std::istringstream cameraLine(cameraLines[0]);
  int cameraId, width, height;
  std::string cameraModel;
  double fx, fy, cx, cy;
  cameraLine >> cameraId >> cameraModel >> width >> height >> fx >> fy >> cx >> cy;
  ASSERT_FALSE(cameraLine.fail());
  EXPECT_EQ(cameraModel, "PINHOLE");
  EXPECT_EQ(width, 800);
  EXPECT_EQ(height, 600);
  EXPECT_NEAR(fx, 900, 1e-6);
  EXPECT_NEAR(fy, 900, 1e-6);
  EXPECT_NEAR(cx, 400 + 14, 1e-6);
  EXPECT_NEAR(cy, 300 + 9, 1e-6);  // rows downwards

  // images.txt: IMAGE_ID QW QX QY QZ TX TY TZ CAMERA_ID NAME, then X Y POINT3D_ID triples.
  const auto imageLines = DataLines(step.files[1].bytes);
  ASSERT_EQ(imageLines.size(), 2u);
  std::istringstream pose(imageLines[0]);
  int imageId, imageCamera;
  double qw, qx, qy, qz, t[3];
  std::string name;
  pose >> imageId >> qw >> qx >> qy >> qz >> t[0] >> t[1] >> t[2] >> imageCamera >> name;
  ASSERT_FALSE(pose.fail());
  EXPECT_EQ(imageCamera, cameraId);
  EXPECT_EQ(name, "boxes.png");
  const double R[3][3] = {{1 - 2 * (qy * qy + qz * qz), 2 * (qx * qy - qz * qw), 2 * (qx * qz + qy * qw)},
                          {2 * (qx * qy + qz * qw), 1 - 2 * (qx * qx + qz * qz), 2 * (qy * qz - qx * qw)},
                          {2 * (qx * qz - qy * qw), 2 * (qy * qz + qx * qw), 1 - 2 * (qx * qx + qy * qy)}};
  std::map<long, std::array<double, 2>> observed;
  std::istringstream observations(imageLines[1]);
  for (double x, y; observations >> x >> y;) {
    long id;
    observations >> id;
    observed[id] = {x, y};
  }

  // points3D.txt: POINT3D_ID X Y Z R G B ERROR then (IMAGE_ID, POINT2D_IDX) pairs.
  const auto pointLines = DataLines(step.files[2].bytes);
  ASSERT_EQ(static_cast<int>(pointLines.size()), model->m_Points.GetCount());
  ASSERT_EQ(observed.size(), pointLines.size());
  for (const std::string& line : pointLines) {
    std::istringstream in(line);
    long id;
    double X[3], error;
    int rgb[3], trackImage, trackIndex;
    in >> id >> X[0] >> X[1] >> X[2] >> rgb[0] >> rgb[1] >> rgb[2] >> error >> trackImage >> trackIndex;
    ASSERT_FALSE(in.fail()) << line;
    EXPECT_EQ(trackImage, imageId);
    EXPECT_LT(error, kPixelAccuracy);
    double c[3];
    for (int k = 0; k < 3; ++k) c[k] = R[k][0] * X[0] + R[k][1] * X[1] + R[k][2] * X[2] + t[k];
    ASSERT_GT(c[2], 0) << line;
    const CViewPoint& p = *model->m_Points.ElementAt(trackIndex);
    EXPECT_NEAR(fx * c[0] / c[2] + cx, p.m_u + 400, kPixelAccuracy) << line;
    EXPECT_NEAR(fy * c[1] / c[2] + cy, 300 - p.m_v, kPixelAccuracy) << line;
    EXPECT_NEAR(observed[id][0], p.m_u + 400, 1e-9) << line;
    EXPECT_NEAR(observed[id][1], 300 - p.m_v, 1e-9) << line;
  }
}

TEST(CameraExports, WithoutACameraTheyNameTheCause) {
  CScriptedServices services;
  CSingleImage empty(640, 480);
  for (EExportFormat format : {EExportFormat::Fspy, EExportFormat::Colmap}) {
    const CExportStep step = MakeExport(empty, format, "none");
    EXPECT_NE(step.problem.find("vanishing points are missing"), std::string::npos) << step.problem;
    EXPECT_TRUE(step.files.empty());
  }
  EXPECT_NE(MakeGlb(empty).cameraProblem, "");
}

// A JPEG's markers with one APP1 segment holding the given EXIF entries; no picture is needed to
// read them.
void WriteExifJpeg(const std::string& path, int focal35mm, double focalLength) {
  ExifData* data = exif_data_new();
  exif_data_set_byte_order(data, EXIF_BYTE_ORDER_INTEL);
  const auto add = [data](ExifTag tag, ExifFormat format, unsigned size) {
    ExifEntry* entry = exif_entry_new();
    entry->tag = tag;
    entry->format = format;
    entry->components = 1;
    entry->size = size;
    entry->data = static_cast<unsigned char*>(std::calloc(1, size));
    exif_content_add_entry(data->ifd[EXIF_IFD_EXIF], entry);
    exif_entry_unref(entry);
    return entry;
  };
  if (focal35mm) exif_set_short(add(EXIF_TAG_FOCAL_LENGTH_IN_35MM_FILM, EXIF_FORMAT_SHORT, 2)->data, EXIF_BYTE_ORDER_INTEL, focal35mm);
  if (focalLength > 0)
    exif_set_rational(add(EXIF_TAG_FOCAL_LENGTH, EXIF_FORMAT_RATIONAL, 8)->data, EXIF_BYTE_ORDER_INTEL,
                      {static_cast<ExifLong>(focalLength * 100), 100});
  unsigned char* bytes = nullptr;
  unsigned int size = 0;
  exif_data_save_data(data, &bytes, &size);
  exif_data_unref(data);
  std::string jpeg = "\xFF\xD8\xFF\xE1";
  jpeg.push_back(static_cast<char>((size + 2) >> 8));
  jpeg.push_back(static_cast<char>((size + 2) & 0xFF));
  jpeg.append(reinterpret_cast<const char*>(bytes), size);
  jpeg += "\xFF\xD9";
  std::free(bytes);
  Write(path, jpeg.data(), jpeg.size());
}

TEST(ExifFocal, ReadsThe35mmEquivalentOrScalesTheFocalLengthBySensorWidth) {
  CTempDir dir;
  WriteExifJpeg(dir.File("stated.jpg"), 28, 4.25);
  const CExifFocal stated = ReadExifFocal(dir.File("stated.jpg"));
  ASSERT_TRUE(stated.focal35mm.has_value());
  EXPECT_EQ(*stated.focal35mm, 28);
  EXPECT_EQ(stated.source, "FocalLengthIn35mmFilm");
  ASSERT_TRUE(stated.focalLength.has_value());
  EXPECT_DOUBLE_EQ(*stated.focalLength, 4.25);

  // A 6.17 mm wide 4:3 sensor has a 7.7125 mm diagonal: 4.25 mm is 4.25 · 43.2666 / 7.7125.
  WriteExifJpeg(dir.File("lens.jpg"), 0, 4.25);
  const CExifFocal scaled = ReadExifFocal(dir.File("lens.jpg"), 6.17, 4000, 3000);
  ASSERT_TRUE(scaled.focal35mm.has_value());
  EXPECT_NEAR(*scaled.focal35mm, 4.25 * 43.266615305567875 / 7.7125, 1e-9);
  EXPECT_EQ(scaled.source, "FocalLength");
  EXPECT_FALSE(ReadExifFocal(dir.File("lens.jpg")).focal35mm.has_value());

  EXPECT_FALSE(ReadExifFocal(dir.File("absent.jpg")).focal35mm.has_value());
}

}  // namespace
