// The glTF and OBJ exports of the sample job, read back by real readers: the Khronos glTF
// validator and assimp.

#include "export/FaceTextures.h"
#include "export/Gltf.h"
#include "export/Obj.h"

#include "ScriptedServices.h"
#include "TempDir.h"
#include "model/DataFile.h"
#include "model/SingleImage.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>

namespace {

struct CRun {
  int status;
  std::string output;
};

CRun RunCommand(const std::string& command) {
  std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return {-1, ""};
  std::string output;
  char buffer[1024];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  return {pclose(pipe), output};
}

void Write(const std::string& path, const void* data, size_t size) {
  std::ofstream(path, std::ios::binary).write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

int Count(const std::string& output, const std::string& label) {
  std::smatch match;
  if (!std::regex_search(output, match, std::regex(label + R"(:\s+(\d+))"))) return -1;
  return std::stoi(match[1]);
}

// The JSON chunk of a .glb file, parsed.
nlohmann::json GlbJson(const std::vector<unsigned char>& glb) {
  if (glb.size() < 20) return nullptr;
  const uint32_t length = glb[12] | glb[13] << 8 | glb[14] << 16 | static_cast<uint32_t>(glb[15]) << 24;
  return nlohmann::json::parse(glb.begin() + 20, glb.begin() + 20 + length, nullptr, false);
}

class Exports : public ::testing::Test {
 protected:
  void SetUp() override {
    model = std::make_unique<CSingleImage>(PELORIN_EXAMPLES_DIR "/sample-scene.bmp");
    ASSERT_TRUE(model->HasPixels());
    std::string reason;
    ASSERT_EQ(ReadDataFile(PELORIN_EXAMPLES_DIR "/sample-scene.txt", *model, reason), EDataFileRead::Loaded) << reason;
    ASSERT_EQ(model->m_Textures.GetCount(), 3);
  }
  std::string Validate(const std::string& path) {
    const CRun run = RunCommand("node " PELORIN_SOURCE_DIR "/tools/gltf-validator/validate.mjs '" + path + "'");
    EXPECT_EQ(run.status, 0) << run.output;
    return run.output;
  }
  CScriptedServices services;
  CTempDir dir;
  std::unique_ptr<CSingleImage> model;
};

TEST_F(Exports, GlbPassesTheValidatorAndReadsBackWithThreeTexturedFaces) {
  const CGltfModel gltf = MakeGlb(*model);
  EXPECT_EQ(gltf.faces.faces.size(), 3u);
  EXPECT_TRUE(gltf.untexturedFaces.empty());
  ASSERT_GE(gltf.bytes.size(), 20u);
  EXPECT_EQ(std::memcmp(gltf.bytes.data(), "glTF", 4), 0);
  const std::string path = dir.File("sample.glb");
  Write(path, gltf.bytes.data(), gltf.bytes.size());
  const std::string report = Validate(path);
  EXPECT_NE(report.find("\"numErrors\": 0"), std::string::npos) << report;
  EXPECT_NE(report.find("\"numWarnings\": 0"), std::string::npos) << report;
  const CRun info = RunCommand("assimp info '" + path + "'");
  EXPECT_EQ(info.status, 0) << info.output;
  EXPECT_EQ(Count(info.output, "Meshes"), 3) << info.output;
  EXPECT_EQ(Count(info.output, "Vertices"), 12) << info.output;
  EXPECT_EQ(Count(info.output, "Textures \\(embed\\.\\)"), 3) << info.output;
}

TEST_F(Exports, GlbWithTheCameraAndThePhotographPassesTheValidator) {
  const CGltfModel gltf = MakeGlb(*model, {.photographPlane = true});
  EXPECT_EQ(gltf.cameraProblem, "");
  const nlohmann::json document = GlbJson(gltf.bytes);
  EXPECT_EQ(document["cameras"].size(), 1u);
  EXPECT_EQ(document["images"].size(), 4u);  // three faces and the photograph
  const std::string path = dir.File("camera.glb");
  Write(path, gltf.bytes.data(), gltf.bytes.size());
  const std::string report = Validate(path);
  EXPECT_NE(report.find("\"numErrors\": 0"), std::string::npos) << report;
  EXPECT_NE(report.find("\"numWarnings\": 0"), std::string::npos) << report;
}

TEST_F(Exports, ObjReadsBackWithItsMaterialsAndTextures) {
  const CObjModel obj = MakeObj(*model, "sample");
  ASSERT_EQ(obj.textures.size(), 3u);
  Write(dir.File("sample.obj"), obj.obj.data(), obj.obj.size());
  Write(dir.File("sample.mtl"), obj.mtl.data(), obj.mtl.size());
  for (const auto& [name, png] : obj.textures) {
    Write(dir.File(name), png.data(), png.size());
    EXPECT_EQ(std::memcmp(png.data(), "\x89PNG", 4), 0) << name;
  }
  EXPECT_NE(obj.mtl.find("map_Kd sample_face0.png"), std::string::npos);
  const CRun info = RunCommand("assimp info '" + dir.File("sample.obj") + "'");
  EXPECT_EQ(info.status, 0) << info.output;
  EXPECT_EQ(Count(info.output, "Meshes"), 3) << info.output;
  EXPECT_EQ(Count(info.output, "Vertices"), 12) << info.output;
  EXPECT_EQ(Count(info.output, "Materials"), 3) << info.output;
}

TEST_F(Exports, FacesThatCannotBeWrittenAreLeftOutAndTheRestStaysValid) {
  auto* typo = new CTextureImage;
  typo->SetName("typo.gif");
  for (int k = 0; k < 4; ++k) typo->m_pointId[k] = k == 2 ? 42 : k;
  model->m_Textures.Add(typo);
  const CGltfModel gltf = MakeGlb(*model);
  EXPECT_EQ(gltf.faces.missingVertexFaces, std::vector<int>{3});
  EXPECT_EQ(LeftOutFacesMessage(gltf.faces), "Can't find Vertex when save VRML!!\nFaces left out: 3");
  Write(dir.File("typo.glb"), gltf.bytes.data(), gltf.bytes.size());
  Validate(dir.File("typo.glb"));

  // Without pixels no texture can be made: the faces get a plain material.
  CSingleImage sizesOnly("");
  sizesOnly.m_nWidth = 1024, sizesOnly.m_nHeight = 768;
  std::string reason;
  ASSERT_EQ(ReadDataFile(PELORIN_EXAMPLES_DIR "/sample-scene.txt", sizesOnly, reason), EDataFileRead::Loaded);
  const CGltfModel plain = MakeGlb(sizesOnly);
  EXPECT_EQ(plain.untexturedFaces, (std::vector<int>{0, 1, 2}));
  Write(dir.File("plain.glb"), plain.bytes.data(), plain.bytes.size());
  Validate(dir.File("plain.glb"));

  CSingleImage empty("");
  const CGltfModel nothing = MakeGlb(empty);
  Write(dir.File("empty.glb"), nothing.bytes.data(), nothing.bytes.size());
  Validate(dir.File("empty.glb"));
}

TEST_F(Exports, ATextureNameThatIsNotUtf8BecomesAValidMaterialName) {
  // "façade.gif" as an older system wrote it, in Latin-1.
  ASSERT_TRUE(model->m_Textures.ElementAt(0)->SetName("fa\xe7" "ade.gif"));
  const CGltfModel gltf = MakeGlb(*model);
  const nlohmann::json document = GlbJson(gltf.bytes);
  ASSERT_TRUE(document.is_object());
  EXPECT_EQ(document["materials"][0]["name"], "fa\u00e7ade.gif");
  Write(dir.File("latin1.glb"), gltf.bytes.data(), gltf.bytes.size());
  Validate(dir.File("latin1.glb"));
}

// glTF stores positions as 32-bit floats: beyond their range a coordinate would become infinite.
TEST_F(Exports, CoordinatesBeyondFloatRangeLeaveTheirFaceOut) {
  struct Case {
    const char* name;
    double value;
    bool kept;
  };
  const Case cases[] = {{"1e300", 1e300, false}, {"5e38", 5e38, false}, {"-5e38", -5e38, false},
                        {"3.4e38", 3.4e38, true}, {"-1e30", -1e30, true}};
  for (const Case& c : cases) {
    SetUp();
    // One corner of face 1 moves far away (a corner of its own: the box's corners are shared).
    auto* far = new CViewPoint(*model->m_Points.ElementAt(model->FindPointIndex(model->m_Textures.ElementAt(1)->m_pointId[2])));
    far->m_id = 100;
    far->m_z = c.value;
    model->m_Points.Add(far);
    model->m_Textures.ElementAt(1)->m_pointId[2] = 100;
    const CGltfModel gltf = MakeGlb(*model);
    EXPECT_EQ(gltf.faces.faces.size(), c.kept ? 3u : 2u) << c.name;
    EXPECT_EQ(gltf.faces.nonFiniteFaces, c.kept ? std::vector<int>{} : std::vector<int>{1}) << c.name;
    if (!c.kept) {
      EXPECT_EQ(LeftOutFacesMessage(gltf.faces),
                "Faces with coordinates that are not numbers or beyond the range of 32-bit floats were left out: 1")
          << c.name;
    }
    const std::string path = dir.File(std::string("far-") + c.name + ".glb");
    Write(path, gltf.bytes.data(), gltf.bytes.size());
    const std::string report = Validate(path);
    EXPECT_NE(report.find("\"numErrors\": 0"), std::string::npos) << c.name << report;
    const CObjModel obj = MakeObj(*model, "far");
    EXPECT_EQ(obj.faces.faces.size(), gltf.faces.faces.size()) << c.name;
  }
}

TEST_F(Exports, AnObjNameWithABlankIsRefusedAndOtherNamesReadBack) {
  // "mtllib" lists file names separated by blanks, so a blank cannot be part of one.
  for (const char* name : {"my scene", "tab\there", "line\nbreak"})
    EXPECT_EQ(ObjNameProblem(name), "an OBJ file name cannot hold blanks, tabs or line breaks (its mtllib line "
                                    "lists file names separated by blanks)")
        << name;
  EXPECT_EQ(ObjNameProblem(""), "an OBJ file needs a name");
  for (const char* name : {"fa\xc3\xa7" "ade(1)", "scene.v2", "#1", "fa\xe7" "ade"}) {
    EXPECT_EQ(ObjNameProblem(name), "") << name;
    const CObjModel obj = MakeObj(*model, name);
    const std::string base = dir.File(name);
    Write(base + ".obj", obj.obj.data(), obj.obj.size());
    Write(base + ".mtl", obj.mtl.data(), obj.mtl.size());
    for (const auto& [file, png] : obj.textures) Write(dir.File(file), png.data(), png.size());
    const CRun info = RunCommand("assimp info '" + base + ".obj'");
    EXPECT_EQ(info.status, 0) << name << info.output;
    EXPECT_EQ(Count(info.output, "Materials"), 3) << name << info.output;
    EXPECT_NE(info.output.find(std::string(name) + "_face2.png"), std::string::npos) << name << info.output;
  }
}

}  // namespace

TEST_F(Exports, FacesMadeSideBySideGiveTheBytesOfEachFaceMadeAlone) {
  const CExportFaces collected = CollectExportFaces(*model);
  // More faces than cores, so every worker takes several in turn.
  std::vector<CExportFace> faces;
  for (int round = 0; round < 4; ++round)
    faces.insert(faces.end(), collected.faces.begin(), collected.faces.end());
  const std::vector<std::vector<unsigned char>> together = FaceTexturePngs(*model, faces);
  ASSERT_EQ(together.size(), faces.size());
  for (size_t i = 0; i < faces.size(); ++i) {
    EXPECT_FALSE(together[i].empty()) << "face " << i;
    EXPECT_EQ(together[i], FaceTexturePng(*model, faces[i])) << "face " << i;
  }
  const CObjModel obj = MakeObj(*model, "sample");
  ASSERT_EQ(obj.textures.size(), collected.faces.size());
  for (size_t i = 0; i < obj.textures.size(); ++i) EXPECT_EQ(obj.textures[i].second, together[i]) << "face " << i;
}
