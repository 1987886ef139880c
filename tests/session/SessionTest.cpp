// The session as the program uses it: dialogs recorded as the user drove them and replayed to
// the same bytes, every command undone and redone, and random histories that always equal a
// replay of their own project file.

#include "session/MeasurementRows.h"
#include "session/Project.h"
#include "session/Recording.h"
#include "session/Session.h"

#include "TempDir.h"
#include "dialogs/DialogforParameter.h"
#include "dialogs/GetPointDialog.h"
#include "export/Vrml.h"
#include "model/DataFile.h"
#include "model/SingleImage.h"
#include "services/NumberText.h"
#include "services/Services.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>

namespace {

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

CProject ReadExample(const std::string& name) {
  CProject project;
  std::string error;
  EXPECT_TRUE(ReadProject(FileText(PELORIN_EXAMPLES_DIR "/" + name), PELORIN_EXAMPLES_DIR, project, error)) << error;
  return project;
}

CActionList Shared(std::vector<CAction> actions) {
  CActionList list;
  for (CAction& action : actions) list.push_back(std::make_shared<const CAction>(std::move(action)));
  return list;
}

// The sample photograph's size, without its pixels: measuring needs no more.
std::shared_ptr<CSingleImage> SampleModel() { return std::make_shared<CSingleImage>(1024, 768); }
CPhotographInfo SamplePhotograph() { return {PELORIN_EXAMPLES_DIR "/sample-scene.bmp", 1024, 768, ""}; }

// What the session holds, as every output sees it.
struct CSnapshot {
  std::string dataFile, vrml;
  std::vector<std::array<std::optional<double>, 3>> sigma;
  bool operator==(const CSnapshot&) const = default;
};
CSnapshot Snapshot(CSession& session) {
  CSnapshot snapshot;
  if (!session.Model()) return snapshot;
  snapshot.dataFile = DataFileText(*session.Model());
  snapshot.vrml = MakeVrmlScene(*session.Model()).text;
  for (int i = 0; i < session.Model()->m_Points.GetCount(); ++i)
    snapshot.sigma.push_back(session.Replayed().log.Sigma(session.Model()->m_Points.ElementAt(i)->m_id));
  return snapshot;
}

// A fresh session opened from the session's own project file.
CSnapshot ReplayOfItsProjectFile(const CSession& session, CActionList* actions = nullptr) {
  CProject project;
  std::string error;
  EXPECT_TRUE(ReadProject(ProjectText(session.Photograph(), session.Actions(), "/"), "/", project, error)) << error;
  CSession replayed;
  EXPECT_EQ(replayed.Open(SampleModel(), project.photograph, Shared(project.actions)), "");
  if (actions) *actions = replayed.Actions();
  return Snapshot(replayed);
}

class SampleSession : public ::testing::Test {
 protected:
  void SetUp() override {
    session.StartPhotograph(SampleModel(), SamplePhotograph(), "Load Photograph");
    job = ReadExample("sample-job.json");
  }
  CQuietServices quiet;
  CScopedServices installed{quiet};
  CSession session;
  CProject job;
};

TEST_F(SampleSession, TheSampleProjectReplaysToTheSampleDataFileAndIsWrittenAsItIs) {
  const CProject project = ReadExample("sample-scene.pelorin");
  EXPECT_TRUE(project.isProject);
  CSession opened;
  ASSERT_EQ(opened.Open(std::make_shared<CSingleImage>(project.photograph.path.c_str()), project.photograph,
                        Shared(project.actions)),
            "");
  EXPECT_EQ(DataFileText(*opened.Model()), FileText(PELORIN_EXAMPLES_DIR "/sample-scene.txt"));
  EXPECT_EQ(ProjectText(opened.Photograph(), opened.Actions(), PELORIN_EXAMPLES_DIR),
            FileText(PELORIN_EXAMPLES_DIR "/sample-scene.pelorin"));
  EXPECT_FALSE(opened.IsModified());
  EXPECT_FALSE(opened.CanUndo());
}

TEST_F(SampleSession, PointDialogsAreRecordedAsTheUserDroveThem) {
  for (size_t i = 0; i < job.actions.size() && !std::holds_alternative<CPointAction>(job.actions[i]); ++i)
    ASSERT_EQ(session.Append({job.actions[i]}, "step"), "");
  struct Case {
    const char* name;
    std::function<void(CGetPointDialog&)> drive;
    bool typed;  // the job's short form says it
  };
  const Case cases[] = {
      {"a ground point", [](CGetPointDialog& d) {
         d.SetControlText(IDC_POINT_U, "595.702221"), d.SetControlText(IDC_POINT_V, "339.191199");
         d.SetControlText(IDC_POINT_Z, "0");
         d.Press(IDC_CALCULATE_XY), d.Press(IDOK);
       }, true},
      {"a top measured, then the pixel moved before X and Y", [](CGetPointDialog& d) {
         d.SetControlText(IDC_POINT_BU, "595.702221"), d.SetControlText(IDC_POINT_BV, "339.191199");
         d.SetControlText(IDC_POINT_TU, "600.075162"), d.SetControlText(IDC_POINT_TV, "454.206107");
         d.Press(IDC_CALCULATE_Z);
         d.SetControlText(IDC_POINT_U, "600.075162"), d.SetControlText(IDC_POINT_V, "454.206107");
         d.Press(IDC_CALCULATE_XY), d.Press(IDOK);
       }, false},
      {"a button refused, then a number typed over", [](CGetPointDialog& d) {
         d.SetControlText(IDC_POINT_Z, "high");
         d.Press(IDC_CALCULATE_XY);
         d.SetControlText(IDC_POINT_Z, "1.2"), d.SetControlText(IDC_POINT_U, "700.5");
         d.Press(IDC_CALCULATE_XY), d.Press(IDOK);
       }, false},
  };
  for (const Case& c : cases) {
    CSingleImage& model = *session.Model();
    CGetPointDialog dialog(model);
    dialog.m_U = 428, dialog.m_V = 274;
    dialog.m_nPointID = model.m_nMaxId + 1;
    dialog.OnInitDialog();
    c.drive(dialog);
    ASSERT_EQ(dialog.Result(), kDialogOk) << c.name;
    const CPointAction action = PointActionFromDialog(model, dialog.Transcript());
    EXPECT_EQ(action.typed.has_value(), c.typed) << c.name;
    ASSERT_EQ(session.Append({action}, "Add Point"), "") << c.name;
    // The point is the one the dialog's OK would have stored.
    const CViewPoint& point = *model.m_Points.ElementAt(model.m_Points.GetCount() - 1);
    EXPECT_EQ(point.m_x, dialog.m_X) << c.name;
    EXPECT_EQ(point.m_y, dialog.m_Y) << c.name;
    EXPECT_EQ(point.m_z, dialog.m_Z) << c.name;
    EXPECT_EQ(point.m_u, dialog.m_U - 512) << c.name;
  }
  EXPECT_EQ(ReplayOfItsProjectFile(session), Snapshot(session));
}

TEST_F(SampleSession, TheReferenceDialogIsRecordedAsTheUserDroveIt) {
  for (size_t i = 0; !std::holds_alternative<CParametersAction>(job.actions[i]); ++i)
    ASSERT_EQ(session.Append({job.actions[i]}, "step"), "");
  const CTypedParameters reference = [&] {
    for (const CAction& action : job.actions)
      if (const auto* parameters = std::get_if<CParametersAction>(&action)) return *parameters->typed;
    return CTypedParameters{};
  }();
  const auto type = [](CDialogModel& d, int id, double value) { d.SetControlText(id, FormatDoubleField(value)); };
  for (const bool editScaleAfterCalculate : {false, true}) {
    CDialogforParameter dialog(*session.Model());
    dialog.OnInitDialog();
    type(dialog, IDC_ORIGIN_U, reference.origin[0]), type(dialog, IDC_ORIGIN_V, reference.origin[1]);
    type(dialog, IDC_GROUND_U, reference.groundPixel[0]), type(dialog, IDC_GROUND_V, reference.groundPixel[1]);
    type(dialog, IDC_GROUND_X, reference.groundWorld[0]), type(dialog, IDC_GROUND_Y, reference.groundWorld[1]);
    type(dialog, IDC_REFERENCE_BU, reference.foot[0]), type(dialog, IDC_REFERENCE_BV, reference.foot[1]);
    type(dialog, IDC_REFERENCE_TU, reference.top[0]), type(dialog, IDC_REFERENCE_TV, reference.top[1]);
    type(dialog, IDC_REFERENCE_HEIGHT, reference.height);
    dialog.Press(IDC_CALCULATE_PARAMETERS);
    if (editScaleAfterCalculate) dialog.SetControlText(IDC_SCALE_A_Z, "0.01");
    dialog.Press(IDOK);
    const CParametersAction action = ParametersActionFromDialog(*session.Model(), dialog.Transcript());
    EXPECT_EQ(action.typed.has_value(), true);
    EXPECT_EQ(action.typed->A.has_value(), editScaleAfterCalculate);
    ASSERT_EQ(session.Append({action}, "Set Reference Parameters"), "");
    EXPECT_EQ(session.Model()->m_A, dialog.m_A);
    EXPECT_EQ(session.Model()->m_a, dialog.m_a);
  }
  EXPECT_EQ(ReplayOfItsProjectFile(session), Snapshot(session));
}

TEST_F(SampleSession, EveryCommandIsUndoneAndRedoneToTheSameBytes) {
  std::vector<CSnapshot> after;
  after.push_back(Snapshot(session));
  for (const CAction& action : job.actions) {
    ASSERT_EQ(session.Append({action}, "Add " + std::to_string(after.size())), "");
    after.push_back(Snapshot(session));
  }
  EXPECT_EQ(session.UndoName(), "Add " + std::to_string(job.actions.size()));
  for (size_t i = after.size() - 1; i > 0; --i) {
    ASSERT_TRUE(session.CanUndo());
    session.Undo();
    EXPECT_EQ(Snapshot(session), after[i - 1]) << "undo to " << i - 1;
  }
  EXPECT_EQ(session.Actions().size(), 0u);
  session.Undo();  // the photograph's load
  EXPECT_EQ(session.Model(), nullptr);
  EXPECT_FALSE(session.CanUndo());
  session.Redo();
  for (size_t i = 1; i < after.size(); ++i) {
    ASSERT_TRUE(session.CanRedo());
    EXPECT_EQ(session.RedoName(), "Add " + std::to_string(i));
    session.Redo();
    EXPECT_EQ(Snapshot(session), after[i]) << "redo to " << i;
  }
  EXPECT_FALSE(session.CanRedo());
}

TEST_F(SampleSession, ARefusedCommandChangesNothing) {
  ASSERT_EQ(session.Append({job.actions[0]}, "Add Segment X"), "");
  const CSnapshot before = Snapshot(session);
  const unsigned long long serial = session.Serial();
  EXPECT_NE(session.Append({CCalculateAction{}}, "Calculate Vanishing Points"), "");
  EXPECT_NE(session.Append({CDeletePointAction{0, 0}}, "Delete Point 0"), "");
  EXPECT_EQ(Snapshot(session), before);
  EXPECT_EQ(session.Serial(), serial);
  EXPECT_EQ(session.UndoName(), "Add Segment X");
  EXPECT_EQ(session.Replayed().lines[0].GetCount(), 1);
}

TEST_F(SampleSession, UndoingAPhotographLoadBringsBackThePreviousPhotographAndItsWork) {
  for (const CAction& action : job.actions) ASSERT_EQ(session.Append({action}, "step"), "");
  const CSnapshot work = Snapshot(session);
  CSingleImage* first = session.Model();
  session.StartPhotograph(std::make_shared<CSingleImage>(640, 480), {"/other.jpg", 640, 480, ""}, "Load Photograph");
  EXPECT_EQ(session.Model()->m_Points.GetCount(), 0);
  EXPECT_EQ(session.Replayed().lines[0].GetCount(), 0);
  session.Undo();
  EXPECT_EQ(session.Model(), first);
  EXPECT_EQ(session.Photograph(), SamplePhotograph());
  EXPECT_EQ(Snapshot(session), work);
}

TEST_F(SampleSession, AtLeastTwoHundredStepsCanBeUndone) {
  const CAction segment = job.actions[0];
  for (int i = 0; i < 250; ++i) ASSERT_EQ(session.Append({segment}, "Add Segment X"), "");
  int undone = 0;
  while (session.CanUndo()) session.Undo(), ++undone;
  EXPECT_GE(undone, 200);
}

TEST_F(SampleSession, SavingAndChangingMarksTheWork) {
  EXPECT_TRUE(session.IsModified());
  session.MarkSaved();
  EXPECT_FALSE(session.IsModified());
  ASSERT_EQ(session.Append({job.actions[0]}, "Add Segment X"), "");
  EXPECT_TRUE(session.IsModified());
  session.Undo();
  EXPECT_FALSE(session.IsModified());
  session.Redo();
  EXPECT_TRUE(session.IsModified());
}

// Random histories of commands, undos and redos, as a user in a hurry makes them: the session
// never fails, and always equals a fresh replay of the project file it would save.
TEST_F(SampleSession, RandomHistoriesEqualAReplayOfTheirOwnProjectFile) {
  const std::string dataFile = FileText(PELORIN_EXAMPLES_DIR "/sample-scene.txt");
  std::vector<CAction> pool = job.actions;
  pool.push_back(CDataFileAction{"scene.txt", dataFile});
  int mostPoints = 0;
  for (unsigned seed = 1; seed <= 8; ++seed) {
    CSession history;
    history.StartPhotograph(SampleModel(), SamplePhotograph(), "Load Photograph");
    std::mt19937 random(seed);
    const auto pick = [&random](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
    for (int step = 0; step < 150; ++step) {
      // Undone past the photograph's load: nothing to work on until it is redone.
      if (!history.Model()) {
        history.Redo();
        continue;
      }
      const CSingleImage& model = *history.Model();
      switch (pick(8)) {
        case 0: history.Undo(); break;
        case 1: history.Redo(); break;
        case 2:
          if (model.m_Points.GetCount() > 0) {
            const int row = static_cast<int>(pick(model.m_Points.GetCount()));
            history.Append({CDeletePointAction{row, model.m_Points.ElementAt(row)->m_id}}, "Delete Point");
          }
          break;
        case 3:
          if (model.m_Textures.GetCount() > 0)
            history.Append({CDeleteFaceAction{static_cast<int>(pick(model.m_Textures.GetCount()))}}, "Delete Face");
          break;
        case 4:
          if (model.m_Textures.GetCount() > 0)
            history.Append({CRenameFaceAction{static_cast<int>(pick(model.m_Textures.GetCount())), "renamed.gif"}},
                           "Rename Face");
          break;
        default: history.Append({pool[pick(pool.size())]}, "Add"); break;
      }
      if (history.Model()) mostPoints = std::max(mostPoints, history.Model()->m_Points.GetCount());
      if (step % 15 == 14) {
        CActionList actions;
        ASSERT_EQ(ReplayOfItsProjectFile(history, &actions), Snapshot(history)) << "seed " << seed << " step " << step;
        ASSERT_EQ(actions.size(), history.Actions().size());
        for (size_t i = 0; i < actions.size(); ++i) ASSERT_EQ(*actions[i], *history.Actions()[i]);
      }
    }
  }
  // The histories reached measured points, not only refusals.
  EXPECT_GE(mostPoints, 5);
}

}  // namespace

namespace {

// The sample box's front edge, height and front face against their true sizes: the honest
// accuracy figure of the sample photograph.
TEST(SampleCheckLengths, AreWithinTwoSigma) {
  CQuietServices quiet;
  CScopedServices installed(quiet);
  const CProject project = ReadExample("sample-scene.pelorin");
  CActionList actions = Shared(project.actions);
  // Corners 0 (origin), 1 (2, 0, 0), 4 (0, 0, 1.2) and 5 (2, 0, 1.2), as the truth file orders them.
  for (const CMeasurementAction& check :
       {CMeasurementAction{EMeasurementKind::Distance, {0, 1}, 2.0, std::nullopt},
        CMeasurementAction{EMeasurementKind::HeightDifference, {4, 0}, 1.2, std::nullopt},
        CMeasurementAction{EMeasurementKind::Area, {0, 1, 5, 4}, 2.4, std::nullopt}})
    actions.push_back(std::make_shared<const CAction>(check));
  CSession session;
  ASSERT_EQ(session.Open(SampleModel(), project.photograph, actions), "");
  const std::vector<CMeasurementRow> rows = MeasurementRows(*session.Model(), session.Replayed());
  ASSERT_EQ(rows.size(), 3u);
  for (const CMeasurementRow& row : rows) {
    ASSERT_EQ(row.problem, "") << row.name;
    ASSERT_TRUE(row.sigma && row.sigmas) << row.name;
    EXPECT_GT(*row.sigma, 0) << row.name;
    EXPECT_LE(*row.sigmas, 2.0) << row.name << ": " << row.value << " ± " << *row.sigma;
    EXPECT_FALSE(row.suspicious) << row.name;
  }
  EXPECT_EQ(rows[0].name, "Distance 0\u20131");
  EXPECT_EQ(rows[2].name, "Area 0, 1, 5, 4");

  // The same corners typed across the face would measure the difference of two triangles: no
  // value, and the order around it is named.
  ASSERT_EQ(session.Append({CMeasurementAction{EMeasurementKind::Area, {0, 1, 4, 5}, 2.4, std::nullopt}},
                           "Add Measurement"),
            "");
  const std::vector<CMeasurementRow> crossed = MeasurementRows(*session.Model(), session.Replayed());
  ASSERT_EQ(crossed.size(), 4u);
  EXPECT_EQ(crossed[3].problem, "The corners 0, 1, 4, 5 do not go around the face: in order around it they are 0, 1, 5, 4.");
  EXPECT_FALSE(crossed[3].difference);
}

TEST(Measurements, NamingAPointThatDoesNotExistAddsNothing) {
  CQuietServices quiet;
  CScopedServices installed(quiet);
  const CProject project = ReadExample("sample-scene.pelorin");
  CSession session;
  ASSERT_EQ(session.Open(SampleModel(), project.photograph, Shared(project.actions)), "");
  EXPECT_EQ(session.Append({CMeasurementAction{EMeasurementKind::Distance, {0, 12}, std::nullopt, std::nullopt}}, "Measure"),
            "Point 12 doesn't exist.");
  EXPECT_TRUE(session.Replayed().measurements.empty());
  EXPECT_FALSE(session.CanUndo());
}

// Further vertical references on the sample box: the front right edge and the back left one, read
// from the points the sample measures with CACULATE Z.
struct CSampleEdge {
  std::array<double, 2> foot, top;
};
std::vector<CSampleEdge> SampleEdges(const CProject& project) {
  std::vector<CSampleEdge> edges;
  for (const CAction& action : project.actions)
    if (const auto* point = std::get_if<CPointAction>(&action); point && point->typed && point->typed->foot)
      edges.push_back({*point->typed->foot, point->typed->top ? *point->typed->top : point->typed->pixel});
  return edges;
}

TEST(References, FurtherHeightsFitAWeightedByEachOnesVariance) {
  CQuietServices quiet;
  CScopedServices installed(quiet);
  const CProject project = ReadExample("sample-scene.pelorin");
  CSession session;
  ASSERT_EQ(session.Open(SampleModel(), project.photograph, Shared(project.actions)), "");
  const double parametersA = session.Model()->m_A;
  const std::string dataBefore = DataFileText(*session.Model());
  const auto coordinates = [&] {
    std::vector<std::array<double, 3>> points;
    for (int i = 0; i < session.Model()->m_Points.GetCount(); ++i) {
      const CViewPoint& p = *session.Model()->m_Points.ElementAt(i);
      points.push_back({p.m_x, p.m_y, p.m_z});
    }
    return points;
  };
  const auto pointsBefore = coordinates();
  const std::vector<CSampleEdge> edges = SampleEdges(project);
  ASSERT_GE(edges.size(), 3u);

  // Edges 1 and 2 are the box's other vertical edges, 1.2 high.
  ASSERT_EQ(session.Append({CReferenceHeightAction{edges[1].foot, edges[1].top, 1.2},
                            CReferenceHeightAction{edges[2].foot, edges[2].top, 1.2}},
                           "Add Reference Height"),
            "");
  std::vector<CReferenceRow> rows = ReferenceRows(session.Replayed());
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_TRUE(rows[0].parameters);
  double weightSum = 0, weighted = 0, low = 1e300, high = -1e300;
  for (const CReferenceRow& row : rows) {
    ASSERT_TRUE(row.ownA && row.sigmaA && row.residual && row.impliedHeight);
    EXPECT_EQ(row.note.find("Not used"), std::string::npos) << row.note;
    weightSum += 1 / (*row.sigmaA * *row.sigmaA), weighted += *row.ownA / (*row.sigmaA * *row.sigmaA);
    low = std::min(low, *row.ownA), high = std::max(high, *row.ownA);
    // Each edge of the 1.2 m box within a few percent of it on the fitted scale.
    EXPECT_NEAR(*row.impliedHeight, 1.2, 0.05);
  }
  const double fitted = session.Model()->m_A;
  EXPECT_NEAR(fitted, weighted / weightSum, 1e-12 * std::fabs(fitted));
  EXPECT_NE(fitted, parametersA);
  EXPECT_GE(fitted, low);
  EXPECT_LE(fitted, high);
  for (const CReferenceRow& row : rows) EXPECT_NEAR(*row.residual, *row.ownA - fitted, 1e-15);
  // The points measured before keep their coordinates.
  EXPECT_EQ(coordinates(), pointsBefore);

  // A reference of height 0 is kept with a note and left out: A stays.
  ASSERT_EQ(session.Append({CReferenceHeightAction{edges[1].foot, edges[1].top, 0}}, "Add Reference Height"), "");
  rows = ReferenceRows(session.Replayed());
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_NE(rows[3].note.find("Z Value must not be 0"), std::string::npos) << rows[3].note;
  EXPECT_EQ(session.Model()->m_A, fitted);

  // Written and read back, the fit is the same.
  CActionList actions;
  EXPECT_EQ(ReplayOfItsProjectFile(session, &actions), Snapshot(session));
  EXPECT_EQ(actions.size(), session.Actions().size());

  // Without the further references, GetParameter's A exactly.
  ASSERT_EQ(session.Append({CDeleteReferenceAction{2}, CDeleteReferenceAction{1}, CDeleteReferenceAction{0}},
                           "Delete Reference Heights"),
            "");
  EXPECT_EQ(session.Model()->m_A, parametersA);
  EXPECT_EQ(DataFileText(*session.Model()), dataBefore);
  EXPECT_EQ(session.Append({CDeleteReferenceAction{0}}, "Delete Reference Height"), "reference 0 doesn't exist");
  session.Undo();
  EXPECT_EQ(session.Model()->m_A, fitted);
}

}  // namespace
