// Makes the user guide's pictures: the main window with the sample photograph, each dialog of a
// first model filled as the guide describes, and the finished job (data file, textures, VRML
// scene) for the rendering of the exported model, and the camera panel of the sample project.
// Run by scripts/guide-pictures.sh under Xvfb.

#include "SampleTruth.h"
#include "ScriptedServices.h"
#include "app/AppLocale.h"
#include "app/CameraDock.h"
#include "app/CommandIds.h"
#include "app/DetectionPanel.h"
#include "app/DialogTemplates.h"
#include "dialogs/DialogforParameter.h"
#include "dialogs/GenTextureDialog.h"
#include "dialogs/GetPointDialog.h"
#include "dialogs/InputDialogForVanishPoints.h"
#include "app/MainFrm.h"
#include "app/Pelorin.h"
#include "app/PelorinView.h"
#include "app/PointsAndFacesDock.h"
#include "app/QtDialogRunner.h"
#include "export/ExportStep.h"
#include "export/Gltf.h"
#include "export/Vrml.h"
#include "metrology/MeasurementLog.h"
#include "metrology/PointMeasurement.h"
#include "metrology/ReferenceParameters.h"
#include "metrology/VanishingPoints.h"
#include "model/DataFile.h"
#include "services/NumberText.h"
#include "texture/FaceTexture.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QMouseEvent>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>

namespace {

std::string Pixel(double value) { return std::to_string(std::lround(value)); }

void Save(QWidget& widget, const std::string& path) {
  QTest::qWait(100);
  widget.grab().save(QString::fromStdString(path));
  std::printf("guide-pictures: %s\n", path.c_str());
}

// Shows the dialog as Qt draws it, with the texts the user would have typed, and saves it.
void SaveDialog(CDialogModel& model, QWidget* parent, const std::map<int, std::string>& typed, int pressed,
                const std::string& path) {
  CQtDialog dialog(model, *FindDialogTemplate(model.TemplateId()), parent);
  for (const auto& [id, text] : typed) dialog.Edit(id)->setText(QString::fromStdString(text));
  dialog.show();
  if (pressed) dialog.findChild<QPushButton*>(QStringLiteral("control%1").arg(pressed))->click();
  Save(dialog, path);
  dialog.hide();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: guide_pictures EXAMPLES_FOLDER OUTPUT_FOLDER\n");
    return 2;
  }
  const std::string examples = argv[1], out = argv[2];
  QApplication application(argc, argv);
  UseCLocaleForNumbers();
  const CSampleTruth truth = ReadSampleTruth(examples + "/sample-scene-truth.txt");
  if (truth.corners.empty()) return 1;

  CPelorinApp app;
  CScriptedServices services(&app.QtServices());
  app.InitInstance({});
  app.Frame().resize(1100, 900);
  if (!QTest::qWaitForWindowExposed(&app.Frame())) return 1;
  services.AnswerFileDialog(examples + "/sample-scene.bmp");
  app.View().OnCommand(ID_LOAD_SOURCE_IMAGE);
  CSingleImage& model = *app.Document().GetSingleImage();

  // 1: the photograph, the mouse on the front corner of the box, its position in the status bar.
  const CSampleTruth::CPosition& front = truth.corners.at("A000");
  const QPointF at(front.x, app.View().ClientSize().height() - 1 - front.y);
  QMouseEvent move(QEvent::MouseMove, at, app.View().mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&app.View(), &move);
  Save(app.Frame(), out + "/guide-1-window.png");

  // 2: one segment along X, the front bottom edge of the box.
  const auto& edge = truth.segments.at('X')[0];
  CInputDialogForVanishPoints segment;
  SaveDialog(segment, &app.Frame(),
             {{1000, Pixel(edge[0])}, {1001, Pixel(edge[1])}, {1002, Pixel(edge[2])}, {1003, Pixel(edge[3])}}, 0,
             out + "/guide-2-segment.png");

  // The job itself, with the whole pixels a user reads off the status bar.
  CSegmentList lists[3];
  const char directions[3] = {'X', 'Y', 'Z'};
  for (int axis = 0; axis < 3; ++axis)
    for (const auto& s : truth.segments.at(directions[axis]))
      lists[axis].Add(MakeSegment(model, std::round(s[0]), std::round(s[1]), std::round(s[2]), std::round(s[3])));
  CalculateVanishingPoints(model, lists[0], lists[1], lists[2]);
  CMeasurementLog& log = app.Document().MeasurementLog();
  log.SetSegments(model, lists[0], lists[1], lists[2]);
  for (CSegmentList& list : lists) list.RemoveAll();
  // The same segments in the view, for the overlay picture.
  CSegmentList* viewLists[3] = {&app.View().m_XLines, &app.View().m_YLines, &app.View().m_ZLines};
  for (int axis = 0; axis < 3; ++axis)
    for (const auto& s : truth.segments.at(directions[axis]))
      viewLists[axis]->Add(MakeSegment(model, std::round(s[0]), std::round(s[1]), std::round(s[2]), std::round(s[3])));

  // 3: the reference parameters after "Caculate".
  const auto &origin = truth.references.at("origin"), &ground = truth.references.at("ground");
  const auto &foot = truth.references.at("foot"), &top = truth.references.at("top");
  CDialogforParameter parameters(model);
  SaveDialog(parameters, &app.Frame(),
             {{1015, Pixel(origin.x)}, {1016, Pixel(origin.y)}, {1001, "3.5"}, {1002, "2.5"},
              {1003, Pixel(ground.x)}, {1004, Pixel(ground.y)}, {1005, Pixel(foot.x)}, {1006, Pixel(foot.y)},
              {1007, Pixel(top.x)}, {1008, Pixel(top.y)}, {1009, "1.2"}},
             IDC_CALCULATE_PARAMETERS, out + "/guide-3-parameters.png");
  StoreReferenceParameters(model, parameters.m_a, parameters.m_b, parameters.m_A, parameters.m_WorldOriginU,
                           parameters.m_WorldOriginV);
  log.SetReference(model, parameters);

  // 4: the point dialog for the top front corner after "CACULATE Z" and "CACULATE XandY".
  const std::vector<std::string> box = {"A000", "A100", "A110", "A010", "A001", "A101", "A111", "A011"};
  for (const std::string& name : box) {
    const CSampleTruth::CPosition& c = truth.corners.at(name);
    const CSampleTruth::CPosition& b = truth.corners.at(name.substr(0, 3) + "0");
    CPointFields p;
    p.m_U = std::round(c.x), p.m_V = std::round(c.y);
    if (c.Z != 0) {
      p.m_bU = std::round(b.x), p.m_bV = std::round(b.y), p.m_tU = p.m_U, p.m_tV = p.m_V;
      CalculateZ(model, p);
    }
    CalculateXY(model, p);
    if (name == "A001") {
      CGetPointDialog point(model);
      point.m_U = p.m_U, point.m_V = p.m_V, point.m_nPointID = model.m_nMaxId + 1;
      point.m_bU = p.m_bU, point.m_bV = p.m_bV, point.m_tU = p.m_tU, point.m_tV = p.m_tV;
      point.m_X = p.m_X, point.m_Y = p.m_Y, point.m_Z = p.m_Z;
      SaveDialog(point, &app.Frame(), {}, 0, out + "/guide-4-point.png");
    }
    AddViewPoint(model, p);
    // As the point dialog records a height by "CACULATE Z" and X, Y by "CACULATE XandY".
    CPointRecord record;
    record.chain = log.Chain();
    record.xyMeasured = true;
    record.zMeasured = record.how.heightFromSegment = c.Z != 0;
    record.how.bU = p.m_bU, record.how.bV = p.m_bV, record.how.tU = p.m_tU, record.how.tV = p.m_tV;
    record.how.U = p.m_U, record.how.V = p.m_V, record.how.Z = p.m_Z;
    log.RecordPoint(model.m_nMaxId, record);
  }

  // 5: a face: its four corner points, bottom-left first, counter-clockwise as seen.
  CGenTextureDialog faceDialog(model);
  SaveDialog(faceDialog, &app.Frame(), {{1027, "0"}, {1028, "1"}, {1029, "5"}, {1030, "4"}}, 0,
             out + "/guide-5-face.png");
  const std::pair<std::array<int, 4>, const char*> faces[] = {
      {{0, 1, 5, 4}, "front"}, {{3, 0, 4, 7}, "side"}, {{4, 5, 6, 7}, "top"}};
  for (const auto& [ids, name] : faces) {
    std::string textureName;
    services.AnswerFileDialog(out + "/sample-model/" + name);
    GenerateFaceTexture(model, ids.data(), textureName);
    AddFace(model, textureName, ids.data());
  }
  std::ofstream(out + "/sample-model/sample-scene.txt") << DataFileText(model);
  std::ofstream(out + "/sample-model/sample-scene.wrl") << MakeVrmlScene(model).text;
  const CGltfModel gltf = MakeGlb(model);
  std::ofstream(out + "/sample-model/sample-scene.glb", std::ios::binary)
      .write(reinterpret_cast<const char*>(gltf.bytes.data()), static_cast<std::streamsize>(gltf.bytes.size()));

  // 7: overlays on, the points and faces table beside the photograph.
  if (!app.View().OverlaysShown()) app.Frame().Action(ID_VIEW_OVERLAYS)->trigger();
  app.Frame().Action(ID_VIEW_POINTS_AND_FACES)->trigger();
  app.Frame().resize(1500, 900);
  app.Frame().resizeDocks({app.Frame().PointsAndFaces()}, {560}, Qt::Horizontal);
  Save(app.Frame(), out + "/guide-7-overlays.png");
  app.Frame().Action(ID_VIEW_POINTS_AND_FACES)->trigger();
  app.Frame().resize(1100, 900);

  // 8: zoomed in eight times about the box's top front corner.
  const CSampleTruth::CPosition& corner = truth.corners.at("A001");
  QTest::qWait(100);
  app.View().SetZoom(8, app.View().DeviceAt(QPointF(corner.x, corner.y)));
  Save(app.Frame(), out + "/guide-8-zoom.png");

  // 9: the sample project as saved, its camera in the dock; the overlays show the horizon and the
  // principal point.
  if (!app.OpenDocumentFile(QString::fromStdString(examples + "/sample-scene.pelorin"))) return 1;
  app.View().OnActualPixels();
  app.Frame().Action(ID_VIEW_CAMERA)->trigger();
  app.Frame().resize(1500, 900);
  app.Frame().resizeDocks({app.Frame().Camera()}, {470}, Qt::Horizontal);
  Save(app.Frame(), out + "/guide-9-camera.png");

  // The model with its camera and the photograph behind it, for the picture seen through the camera.
  const CExportStep withCamera = MakeExport(*app.Document().GetSingleImage(), EExportFormat::GltfCamera,
                                            "sample-scene-camera.glb");
  if (!withCamera.problem.empty() || withCamera.files.empty()) return 1;
  std::ofstream(out + "/sample-model/sample-scene-camera.glb", std::ios::binary) << withCamera.files[0].bytes;

  // 10: "Detect Segments..." on the whole sample photograph, the suggestions over it and the
  // panel that counts them in the top right corner.
  app.Frame().Action(ID_VIEW_CAMERA)->trigger();
  app.Frame().Action(ID_VIEW_OVERLAYS)->trigger();
  app.Frame().resize(1100, 900);
  QTest::qWait(100);
  app.View().DetectSegments(std::nullopt);
  if (!app.View().DetectionPanel()) return 1;
  QTest::qWait(100);
  QPixmap detection = app.Frame().grab();
  {
    const QPixmap panel = app.View().DetectionPanel()->grab();
    QPainter painter(&detection);
    painter.drawPixmap(detection.width() - panel.width() - 12, 80, panel);
  }
  detection.save(QString::fromStdString(out + "/guide-10-detection.png"));
  app.View().DiscardDetectedSegments();

  // 11: measurements between the box's corners, the length as a check, and box B's front edge as
  // a further reference height, as whole pixels read off the status bar.
  CPointsAndFacesDock& dock = *app.Frame().PointsAndFaces();
  if (!app.View().OverlaysShown()) app.Frame().Action(ID_VIEW_OVERLAYS)->trigger();
  app.Frame().Action(ID_VIEW_POINTS_AND_FACES)->trigger();
  app.Frame().resize(1500, 900);
  dock.AddMeasurement(EMeasurementKind::Distance, {0, 1});
  dock.SetKnownValue(0, "2");
  dock.AddMeasurement(EMeasurementKind::HeightDifference, {4, 0});
  dock.AddMeasurement(EMeasurementKind::Area, {0, 1, 5, 4});
  const CSampleTruth::CPosition &edgeFoot = truth.corners.at("B000"), &edgeTop = truth.corners.at("B001");
  dock.AddReference({{std::round(edgeFoot.x), std::round(edgeFoot.y)}, {std::round(edgeTop.x), std::round(edgeTop.y)}, 2});
  app.Frame().resizeDocks({&dock}, {640}, Qt::Horizontal);
  Save(app.Frame(), out + "/guide-11-measurements.png");

  for (const std::string& message : services.messages) std::fprintf(stderr, "guide-pictures: %s\n", message.c_str());
  return services.messages.empty() ? 0 : 1;
}
