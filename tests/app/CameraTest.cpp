// The "Camera" dock and "Export Camera...": the sample's camera (rendered with f = 1000 pixels
// at the photograph's centre) shown with its σ and following the session, and exported through
// the format chosen; without a camera, why not.

#include "AppFixture.h"
#include "CameraScene.h"
#include "app/CameraDock.h"
#include "app/PelorinDoc.h"
#include "services/NumberText.h"
#include "session/Project.h"

#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <cmath>
#include <fstream>
#include <iterator>

namespace {

class CameraPanel : public AppTest {
 protected:
  void OpenSample() { ASSERT_TRUE(app->OpenDocumentFile(QStringLiteral(PELORIN_EXAMPLES_DIR "/sample-scene.pelorin"))); }

  // The value and σ of the row whose figure is `name`; empty when there is none.
  std::pair<std::string, std::string> Row(const std::string& name) {
    const QTableWidget& table = *Frame().Camera()->Table();
    for (int row = 0; row < table.rowCount(); ++row)
      if (table.item(row, 0)->text().toStdString() == name)
        return {table.item(row, 1)->text().toStdString(), table.item(row, 2)->text().toStdString()};
    return {};
  }

  // The program's numbers do not follow the locale (the tests run in a decimal-comma one).
  static double Number(const std::string& text) { return ParseDoubleField(text).value_or(std::nan("")); }

  std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
};

TEST_F(CameraPanel, ShowsTheSampleCameraWithSigmaAndFollowsTheSession) {
  Command(ID_VIEW_CAMERA);
  ASSERT_TRUE(Frame().Camera()->isVisible());
  EXPECT_EQ(Frame().Camera()->Message()->text(), QStringLiteral("No camera: no photograph is loaded."));
  // A photograph without vanishing points has no camera, and the panel says why.
  LoadPhotograph(PELORIN_EXAMPLES_DIR "/sample-scene.bmp");
  ASSERT_NE(Model(), nullptr);
  EXPECT_EQ(Frame().Camera()->Table()->rowCount(), 0);
  EXPECT_TRUE(Frame().Camera()->Message()->text().startsWith(QStringLiteral("No camera: ")));
  EXPECT_GT(Frame().Camera()->Message()->text().size(), 12);
  EXPECT_TRUE(Frame().Camera()->Message()->text().startsWith(QStringLiteral("No camera: the ")))
      << Frame().Camera()->Message()->text().toStdString();
  EXPECT_TRUE(Frame().Camera()->Message()->text().endsWith(QStringLiteral("first."))) << Frame().Camera()->Message()->text().toStdString();
  EXPECT_FALSE(Frame().Camera()->Message()->text().endsWith(QStringLiteral(".."))) << "one full stop";

  OpenSample();
  const auto [focal, focalSigma] = Row("Focal length (pixels)");
  ASSERT_FALSE(focal.empty()) << Frame().Camera()->Message()->text().toStdString();
  EXPECT_NEAR(Number(focal), 1000, 1);
  EXPECT_GT(Number(focalSigma), 0);
  const auto [x, xSigma] = Row("Principal point x (pixels)");
  const auto [y, ySigma] = Row("Principal point y (pixels)");
  EXPECT_NEAR(Number(x), 512, 0.5);
  EXPECT_NEAR(Number(y), 384, 0.5);
  EXPECT_GT(Number(xSigma), 0);
  EXPECT_NEAR(Number(Row("Height above the ground").first), 4.4, 0.01);
  EXPECT_EQ(Row("Calibration").first, "three finite vanishing points");
  // A BMP states no focal length.
  EXPECT_TRUE(Row("Focal length stated by the photograph (35 mm, mm)").first.empty());

  Command(ID_FILE_NEW);
  EXPECT_EQ(Frame().Camera()->Table()->rowCount(), 0);
  EXPECT_EQ(Frame().Camera()->Message()->text(), QStringLiteral("No camera: no photograph is loaded."));
  // The menu item and the dock's own close button agree.
  Frame().Camera()->close();
  EXPECT_FALSE(Frame().Action(ID_VIEW_CAMERA)->isChecked());
}

// The sample photograph as a JPEG whose EXIF states FocalLengthIn35mmFilm: an APP1 segment with
// a little-endian TIFF holding IFD0 (one entry, the Exif IFD's offset) and the Exif IFD (one
// SHORT entry), put right after the start of image.
std::string SampleJpeg(const std::string& path, int focal35mm) {
  QByteArray encoded;
  QBuffer buffer(&encoded);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(QImage(QStringLiteral(PELORIN_EXAMPLES_DIR "/sample-scene.bmp")).save(&buffer, "JPEG", 95));
  const unsigned char tiff[44] = {'I', 'I', 0x2A, 0, 8, 0, 0, 0,
                                  1, 0, 0x69, 0x87, 4, 0, 1, 0, 0, 0, 26, 0, 0, 0, 0, 0, 0, 0,
                                  1, 0, 0x05, 0xA4, 3, 0, 1, 0, 0, 0, static_cast<unsigned char>(focal35mm), 0, 0, 0,
                                  0, 0, 0, 0};
  std::string app1 = std::string("\xFF\xE1", 2);
  const size_t length = 2 + 6 + sizeof tiff;
  app1 += static_cast<char>(length >> 8), app1 += static_cast<char>(length & 0xFF);
  app1.append("Exif\0\0", 6);
  app1.append(reinterpret_cast<const char*>(tiff), sizeof tiff);
  std::string jpeg(encoded.constData(), static_cast<size_t>(encoded.size()));
  jpeg.insert(2, app1);
  std::ofstream(path, std::ios::binary) << jpeg;
  return path;
}

TEST_F(CameraPanel, ShowsTheFocalLengthTheJpegStatesBesideTheComputedOne) {
  Command(ID_VIEW_CAMERA);
  LoadPhotograph(SampleJpeg(dir.File("sample.jpg"), 34));
  ASSERT_NE(Model(), nullptr);
  std::ifstream in(PELORIN_EXAMPLES_DIR "/sample-job.json");
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  CProject job;
  std::string error;
  ASSERT_TRUE(ReadProject(text, PELORIN_EXAMPLES_DIR, job, error)) << error;
  ASSERT_EQ(app->Document().Append(job.actions, "The sample job"), "");
  EXPECT_EQ(Row("Focal length stated by the photograph (35 mm, mm)").first, "34.0 (EXIF FocalLengthIn35mmFilm)");
  // The renderer's 1000 pixels on a 1280-pixel diagonal: 33.8 mm.
  EXPECT_NEAR(Number(Row("Focal length (35 mm equivalent, mm)").first), 33.8, 0.1);
}

// Looking straight along X from level, only X's vanishing point lies in the photograph: the panel
// asks for the focal length, takes it typed as a 35 mm equivalent or from EXIF, and undoes it.
TEST_F(CameraPanel, AOnePointPhotographTakesTheFocalLengthTyped) {
  const int width = 800, height = 600;
  const double focal = 1.1 * width;
  const CSyntheticScene scene = LookingAtBoxes(width, height, focal, 0, 0, 0, 0, 0);
  LoadPhotograph(UniformPhotograph("one-point.bmp", width, height));
  ASSERT_EQ(app->Document().Append(CameraJob(scene), "The job"), "");
  Command(ID_VIEW_CAMERA);
  CCameraDock& panel = *Frame().Camera();
  EXPECT_EQ(panel.Table()->rowCount(), 0);
  EXPECT_TRUE(panel.Message()->text().contains(QStringLiteral("the focal length must be given"))) << panel.Message()->text().toStdString();
  EXPECT_TRUE(panel.Message()->text().endsWith(QStringLiteral("Type it above."))) << panel.Message()->text().toStdString();
  EXPECT_FALSE(panel.FocalFromExif()->isEnabled());  // a BMP states none

  // f = 880 pixels on a 1000-pixel diagonal is 38.07 mm on a 35 mm frame's 43.27 mm.
  const double millimetres = focal / 1000 * std::sqrt(36.0 * 36.0 + 24.0 * 24.0);
  QLineEdit& field = *panel.GivenFocal();
  field.setFocus();
  QTest::keyClicks(&field, QString::fromStdString(FormatDoubleField(millimetres)));
  QTest::keyClick(&field, Qt::Key_Return);
  EXPECT_EQ(Row("Calibration").first, "one finite vanishing point");
  EXPECT_NEAR(Number(Row("Focal length (pixels)").first), focal, 1e-6);
  EXPECT_NEAR(Number(Row("Position X").first), 1.5 - 16, 1e-6);
  EXPECT_TRUE(Frame().Action(ID_EDIT_UNDO)->text().contains(QStringLiteral("Set Focal Length")));

  // Not a length: refused with a message, the given one kept.
  field.selectAll();
  QTest::keyClicks(&field, QStringLiteral("-5"));
  QTest::keyClick(&field, Qt::Key_Return);
  ASSERT_EQ(services->messages.size(), 1u);
  EXPECT_EQ(services->messages[0], "The focal length must be a positive number of millimetres.");
  EXPECT_EQ(ParseDoubleField(field.text().toStdString()), app->Document().Session().GivenFocal35mm());

  Command(ID_EDIT_UNDO);
  EXPECT_TRUE(field.text().isEmpty());
  EXPECT_EQ(panel.Table()->rowCount(), 0);
}

TEST_F(CameraPanel, ExportCameraWritesTheFormatChosen) {
  OpenSample();
  services->menuAnswers.push_back(1);  // fSpy
  services->AnswerFileDialog(dir.File("sample.fspy"));
  Command(ID_EXPORT_CAMERA);
  EXPECT_TRUE(services->messages.empty()) << services->messages.front();
  ASSERT_EQ(services->menusShown.size(), 1u);
  EXPECT_EQ(services->menusShown[0].size(), 4u);
  const std::string fspy = FileText(dir.File("sample.fspy"));
  ASSERT_GT(fspy.size(), 16u);
  EXPECT_EQ(fspy.substr(0, 4), "fspy");
  EXPECT_NE(fspy.find("\"cameraParameters\""), std::string::npos);

  services->menuAnswers.push_back(2);  // COLMAP
  services->AnswerFileDialog(dir.File("sparse"));
  Command(ID_EXPORT_CAMERA);
  EXPECT_TRUE(services->messages.empty()) << services->messages.front();
  EXPECT_NE(FileText(dir.File("sparse/cameras.txt")).find("1 PINHOLE 1024 768 "), std::string::npos);
  EXPECT_NE(FileText(dir.File("sparse/images.txt")).find(" sample-scene.bmp\n"), std::string::npos);

  services->menuAnswers.push_back(0);  // the .glb with the photograph behind the model
  services->AnswerFileDialog(dir.File("sample.glb"));
  Command(ID_EXPORT_CAMERA);
  const std::string glb = FileText(dir.File("sample.glb"));
  EXPECT_EQ(glb.substr(0, 4), "glTF");
  // The camera's extras carry the σ the panel shows.
  EXPECT_NE(glb.find("\"sigma\":{\"focalPixels\":"), std::string::npos);
}

TEST_F(CameraPanel, WithoutACameraExportCameraSaysWhyAndWritesNothing) {
  LoadPhotograph(UniformPhotograph("photo.bmp", 40, 30));
  const size_t fileDialogs = services->fileRequests.size();
  Command(ID_EXPORT_CAMERA);
  ASSERT_EQ(services->messages.size(), 1u);
  EXPECT_EQ(services->messages[0].rfind("No camera can be exported: ", 0), 0u) << services->messages[0];
  EXPECT_TRUE(services->menusShown.empty());
  EXPECT_EQ(services->fileRequests.size(), fileDialogs);
}

}  // namespace
