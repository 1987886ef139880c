#include "export/Vrml.h"

#include "TempDir.h"
#include "model/SingleImage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>

namespace {

const std::string kHeader =
    "#VRML V1.0 ascii \n"
    "PointLight{ intensity 1 location 50 100 300 } \n"
    "PointLight{ intensity 1 location 40 100 250 } \n"
    "PointLight{ intensity 1 location 60 100 250 } \n"
    "PointLight{ intensity 1 location 20 100 100 } \n"
    "PointLight{ intensity 3 location 80 100 100 } \n"
    "PointLight{ intensity 5 location 50 400 50 } \n"
    "ShapeHints { \n"
    " vertexOrdering  COUNTERCLOCKWISE \n"
    " shapeType       SOLID \n"
    " }  \n"
    "Separator { \n"
    "Transform {      rotation 1 0 0 0   } \n"
    "Transform {      rotation 0 0 1 0   } \n";

std::string FaceBlock(const std::string& corners, const std::string& name) {
  return "Separator { \n"
         " Coordinate3 { point [ \n" +
         corners +
         "]} \n"
         "Texture2 { filename \"" +
         name +
         "\" } \n"
         "TextureCoordinate2 { point [ \n"
         "0 0, \n"
         "1 0, \n"
         "1 1, \n"
         "0 1, \n"
         " ]} \n"
         "IndexedFaceSet { coordIndex [0, 1, 2, 3]} \n"
         "} \n";
}

const std::string kWallCorners =
    " -2.000000 3.000000 -1.000000 ,\n"
    " -2.000000 3.000000 -4.000000 ,\n"
    " -2.000000 5.000000 -4.000000 ,\n"
    " -2.000000 5.000000 -1.000000 ,\n";

class Vrml : public ::testing::Test {
 protected:
  void Point(int id, double x, double y, double z) {
    auto* point = new CViewPoint;
    point->m_id = id, point->m_x = x, point->m_y = y, point->m_z = z;
    model.m_Points.Add(point);
  }
  void Face(const char* name, int a, int b, int c, int d) {
    auto* face = new CTextureImage;
    face->SetName(name);
    face->m_pointId[0] = a, face->m_pointId[1] = b, face->m_pointId[2] = c, face->m_pointId[3] = d;
    model.m_Textures.Add(face);
  }
  void AddWall() { Point(0, 1, 2, 3), Point(1, 4, 2, 3), Point(2, 4, 2, 5), Point(3, 1, 2, 5); }

  // A real VRML 1.0 reader must take the scene without a word on its error output.
  void ExpectReadable(const std::string& text) {
    const std::string path = dir.File("scene.wrl");
    std::ofstream(path) << text;
    const std::string command = "tovrmlx3d '" + path + "' 2>&1 >/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string complaints;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) complaints += buffer;
    const int status = pclose(pipe);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(complaints, "") << text;
  }

  CSingleImage model{""};
  CTempDir dir;
};

TEST_F(Vrml, NoFacesIsTheHeaderAndTheLastLine) {
  const CVrmlScene scene = MakeVrmlScene(model);
  EXPECT_EQ(scene.text, kHeader + "} \n");
  EXPECT_EQ(LeftOutFacesMessage(scene.faces), "");
  ExpectReadable(scene.text);
}

TEST_F(Vrml, OneFaceAtItsPointsWorldPositions) {
  AddWall();
  Face("wall.gif", 0, 1, 2, 3);
  const CVrmlScene scene = MakeVrmlScene(model);
  EXPECT_EQ(scene.text, kHeader + FaceBlock(kWallCorners, "wall.gif") + "} \n");
  ExpectReadable(scene.text);
}

TEST_F(Vrml, TheWorldOriginIsWrittenWithNegativeZeros) {
  Point(0, 0, 0, 0), Point(1, 1, 0, 0), Point(2, 1, 0, 1), Point(3, 0, 0, 1);
  Face("", 0, 1, 2, 3);
  const CVrmlScene scene = MakeVrmlScene(model);
  const std::string corners =
      " -0.000000 0.000000 -0.000000 ,\n"
      " -0.000000 0.000000 -1.000000 ,\n"
      " -0.000000 1.000000 -1.000000 ,\n"
      " -0.000000 1.000000 -0.000000 ,\n";
  EXPECT_EQ(scene.text, kHeader + FaceBlock(corners, "") + "} \n");
  ExpectReadable(scene.text);
}

TEST_F(Vrml, FacesWithMissingPointsAreLeftOutAndAllOthersWritten) {
  AddWall();
  Face("a.gif", 0, 1, 2, 3);
  Face("b.gif", 0, 1, 7, 3);
  Face("c.gif", 3, 2, 1, 0);
  Face("d.gif", 9, 9, 9, 9);
  const CVrmlScene scene = MakeVrmlScene(model);
  const std::string reversed =
      " -2.000000 5.000000 -1.000000 ,\n"
      " -2.000000 5.000000 -4.000000 ,\n"
      " -2.000000 3.000000 -4.000000 ,\n"
      " -2.000000 3.000000 -1.000000 ,\n";
  EXPECT_EQ(scene.text, kHeader + FaceBlock(kWallCorners, "a.gif") + FaceBlock(reversed, "c.gif") + "} \n");
  EXPECT_EQ(LeftOutFacesMessage(scene.faces), "Can't find Vertex when save VRML!!\nFaces left out: 1, 3");
  ExpectReadable(scene.text);
}

TEST_F(Vrml, NonFiniteCoordinatesAreLeftOutTooAndBothToldInOneMessage) {
  AddWall();
  Point(4, std::nan(""), 0, 0);
  Point(5, 0, INFINITY, 0);
  Face("nan.gif", 0, 1, 2, 4);
  Face("missing.gif", 0, 1, 2, 8);
  Face("inf.gif", 5, 1, 2, 3);
  Face("good.gif", 0, 1, 2, 3);
  const CVrmlScene scene = MakeVrmlScene(model);
  EXPECT_EQ(scene.text, kHeader + FaceBlock(kWallCorners, "good.gif") + "} \n");
  EXPECT_EQ(LeftOutFacesMessage(scene.faces),
            "Can't find Vertex when save VRML!!\nFaces left out: 1\n"
            "Faces with coordinates that are not numbers or beyond the range of 32-bit floats were left out: 0, 2");
  ExpectReadable(scene.text);
}

TEST_F(Vrml, QuotesAndBackslashesInNamesAreEscaped) {
  AddWall();
  Face("say\"hi\\.gif", 0, 1, 2, 3);
  const CVrmlScene scene = MakeVrmlScene(model);
  EXPECT_NE(scene.text.find("Texture2 { filename \"say\\\"hi\\\\.gif\" } \n"), std::string::npos);
  ExpectReadable(scene.text);
}

}  // namespace
