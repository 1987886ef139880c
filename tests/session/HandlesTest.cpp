// The positions a user can drag: listed with their names from the sample job, found under the
// mouse, and moved by editing the action that holds them, so that the replay equals the job
// typed with the new position; the session's preview shows an edited list without a command.

#include "session/Handles.h"
#include "session/Project.h"
#include "session/Recording.h"
#include "session/Session.h"

#include "dialogs/DialogforParameter.h"
#include "dialogs/GetPointDialog.h"
#include "model/DataFile.h"
#include "model/SingleImage.h"
#include "services/NumberText.h"
#include "services/Services.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

CActionList Shared(const std::vector<CAction>& actions) {
  CActionList list;
  for (const CAction& action : actions) list.push_back(std::make_shared<const CAction>(action));
  return list;
}

std::vector<CAction> SampleJob() {
  std::ifstream in(PELORIN_EXAMPLES_DIR "/sample-job.json", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  CProject project;
  std::string error;
  EXPECT_TRUE(ReadProject(text, PELORIN_EXAMPLES_DIR, project, error)) << error;
  return project.actions;
}

// Opens the actions on a photograph of the sample's size, without its pixels.
std::string OpenOnSample(CSession& session, const std::vector<CAction>& actions) {
  return session.Open(std::make_shared<CSingleImage>(1024, 768), {"/sample.bmp", 1024, 768, ""}, Shared(actions));
}

// The data file of a fresh session on the sample photograph's size that replays the actions.
std::string DataFileOf(const std::vector<CAction>& actions) {
  CSession session;
  EXPECT_EQ(OpenOnSample(session, actions), "");
  return session.Model() ? DataFileText(*session.Model()) : std::string();
}

const CHandle* Named(const std::vector<CHandle>& handles, const std::string& name) {
  for (const CHandle& handle : handles)
    if (handle.name == name) return &handle;
  return nullptr;
}

class SampleHandles : public ::testing::Test {
 protected:
  void SetUp() override {
    job = SampleJob();
    ASSERT_EQ(OpenOnSample(session, job), "");
    handles = ListHandles(session.Actions());
  }
  CQuietServices quiet;
  CScopedServices installed{quiet};
  std::vector<CAction> job;
  CSession session;
  std::vector<CHandle> handles;
};

TEST_F(SampleHandles, EverySegmentEndReferenceMarkAndPointIsListedByName) {
  // 12 segments with two ends, four reference marks, eight points.
  ASSERT_EQ(handles.size(), 36u);
  const struct {
    const char* name;
    std::array<double, 2> position;
  } expected[] = {
      {"Segment X 0, end 1", {428.179001, 273.962001}}, {"Segment Y 3, end 2", {681.411865, 347.942243}},
      {"Segment Z 3, end 2", {786.252722, 519.631163}}, {"Origin", {428.179001, 273.962001}},
      {"Ground Point", {544.494104, 442.804998}},       {"Reference Foot", {428.179001, 273.962001}},
      {"Reference Top", {423.182128, 401.312481}},      {"Point 0", {428.179001, 273.962001}},
      {"Point 7", {330.871555, 450.440123}},
  };
  for (const auto& e : expected) {
    const CHandle* handle = Named(handles, e.name);
    ASSERT_NE(handle, nullptr) << e.name;
    EXPECT_EQ(handle->position, e.position) << e.name;
  }
}

TEST_F(SampleHandles, TheNearestHandleWinsAndAPointGoesFirstOnACorner) {
  const struct {
    std::array<double, 2> at;
    const char* name;  // "" for none
  } cases[] = {
      {{429, 274}, "Point 0"},                   // the box's corner: three segment ends, two marks, a point
      {{545.5, 442.8}, "Ground Point"},          // a mark alone
      {{786.3, 519.6}, "Segment Z 3, end 2"},    // X 3 starts there too; Z 3 came later
      {{854, 540}, "Segment X 3, end 2"},
      {{900, 100}, ""},
  };
  for (const auto& c : cases) {
    const std::optional<CHandle> found = NearestHandle(handles, c.at, 3);
    EXPECT_EQ(found ? found->name : std::string(), c.name) << c.at[0] << ", " << c.at[1];
  }
}

TEST_F(SampleHandles, AMovedHandleReplaysAsTheJobTypedWithTheNewPosition) {
  const auto find = [this](const char* kind) -> size_t {
    for (size_t i = 0; i < job.size(); ++i)
      if ((std::string(kind) == "parameters" && std::holds_alternative<CParametersAction>(job[i])) ||
          (std::string(kind) == "point" && std::holds_alternative<CPointAction>(job[i])))
        return i;
    return 0;
  };
  const size_t parametersAt = find("parameters"), firstPoint = find("point");
  struct Case {
    const char* handle;
    std::array<double, 2> to;
    std::function<void(std::vector<CAction>&)> typeAnew;
  };
  const Case cases[] = {
      {"Segment X 1, end 2", {605.075162, 454.206107},
       [](std::vector<CAction>& a) { std::get<CSegmentAction>(a[1]).ends[2] = 605.075162; }},
      {"Segment Z 0, end 1", {426, 270},
       [](std::vector<CAction>& a) {
         std::get<CSegmentAction>(a[8]).ends[0] = 426, std::get<CSegmentAction>(a[8]).ends[1] = 270;
       }},
      {"Origin", {430.5, 275},
       [&](std::vector<CAction>& a) { std::get<CParametersAction>(a[parametersAt]).typed->origin = {430.5, 275}; }},
      {"Reference Top", {424, 403},
       [&](std::vector<CAction>& a) { std::get<CParametersAction>(a[parametersAt]).typed->top = {424, 403}; }},
      {"Point 5", {601, 456},
       [&](std::vector<CAction>& a) { std::get<CPointAction>(a[firstPoint + 5]).typed->pixel = {601, 456}; }},
  };
  for (const Case& c : cases) {
    const CHandle* handle = Named(handles, c.handle);
    ASSERT_NE(handle, nullptr) << c.handle;
    const std::optional<CActionList> moved = MoveHandle(session.Actions(), *handle, c.to, *session.Model());
    ASSERT_TRUE(moved) << c.handle;
    std::vector<CAction> typed = job;
    c.typeAnew(typed);
    ASSERT_EQ(session.Preview(*moved), "") << c.handle;
    EXPECT_EQ(DataFileText(*session.Model()), DataFileOf(typed)) << c.handle;
    // The other actions are the very same.
    for (size_t i = 0; i < moved->size(); ++i)
      if (i != handle->action) {
        EXPECT_EQ((*moved)[i], session.Actions()[i]) << c.handle << " " << i;
      }
    session.EndPreview();
  }
}

TEST_F(SampleHandles, ATypedPointsTopMovesWithItsPixelWhereTheyWereOneClick) {
  CTypedPoint point;
  point.pixel = {600, 454};
  point.foot = std::array<double, 2>{595.702221, 339.191199};
  point.top = point.pixel;
  point.compute = {"height", "xy"};
  ASSERT_EQ(session.Append({CPointAction{point, {}}}, "Add Point 8"), "");
  const std::vector<CHandle> listed = ListHandles(session.Actions());
  const CHandle* handle = Named(listed, "Point 8");
  ASSERT_NE(handle, nullptr);
  const std::optional<CActionList> moved = MoveHandle(session.Actions(), *handle, {602, 457}, *session.Model());
  ASSERT_TRUE(moved);
  const CTypedPoint& edited = *std::get<CPointAction>(*moved->back()).typed;
  EXPECT_EQ(edited.pixel, (std::array<double, 2>{602, 457}));
  EXPECT_EQ(*edited.top, (std::array<double, 2>{602, 457}));
  EXPECT_EQ(*edited.foot, (std::array<double, 2>{595.702221, 339.191199}));
}

// A point whose dialog was driven in an order the short form cannot say: moving it drives the
// dialog again, so its height and ground position are computed from the new position.
TEST_F(SampleHandles, APointKeptAsPressesIsMeasuredAgainAtTheNewPosition) {
  const auto drive = [](CGetPointDialog& d, const std::string& u, const std::string& v) {
    d.SetControlText(IDC_POINT_BU, "595.702221"), d.SetControlText(IDC_POINT_BV, "339.191199");
    d.SetControlText(IDC_POINT_TU, u), d.SetControlText(IDC_POINT_TV, v);
    d.Press(IDC_CALCULATE_Z);
    d.SetControlText(IDC_POINT_U, u), d.SetControlText(IDC_POINT_V, v);
    d.Press(IDC_CALCULATE_XY), d.Press(IDOK);
  };
  CSingleImage& model = *session.Model();
  const auto run = [&](const std::string& u, const std::string& v, CGetPointDialog& dialog) {
    dialog.m_U = 10, dialog.m_V = 20;
    dialog.m_nPointID = model.m_nMaxId + 1;
    dialog.OnInitDialog();
    drive(dialog, u, v);
    ASSERT_EQ(dialog.Result(), kDialogOk);
  };
  CGetPointDialog first(model);
  run("600.075162", "454.206107", first);
  const CPointAction action = PointActionFromDialog(model, first.Transcript());
  ASSERT_FALSE(action.typed);
  ASSERT_EQ(session.Append({action}, "Add Point 8"), "");

  CGetPointDialog anew(model);
  run("603.5", "460.25", anew);
  const std::vector<CHandle> listed = ListHandles(session.Actions());
  const CHandle* handle = Named(listed, "Point 8");
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(handle->position, (std::array<double, 2>{600.075162, 454.206107}));
  const std::optional<CActionList> moved = MoveHandle(session.Actions(), *handle, {603.5, 460.25}, model);
  ASSERT_TRUE(moved);
  ASSERT_EQ(session.Replace(*moved, "Move Point 8"), "");
  const CViewPoint& point = *session.Model()->m_Points.ElementAt(8);
  EXPECT_EQ(point.m_u, 603.5 - 512);
  EXPECT_EQ(point.m_v, 460.25 - 384);
  EXPECT_EQ(point.m_x, anew.m_X);
  EXPECT_EQ(point.m_y, anew.m_Y);
  EXPECT_EQ(point.m_z, anew.m_Z);
  EXPECT_NE(point.m_z, first.m_Z);
}

// GetParameter driven twice over ("Caculate" with a wrong origin, then with the right one):
// moving its origin computes a, b and A again from the new origin.
TEST_F(SampleHandles, AReferenceKeptAsPressesIsCalculatedAgainFromTheMovedOrigin) {
  const CTypedParameters typed = [&] {
    for (const CAction& action : job)
      if (const auto* parameters = std::get_if<CParametersAction>(&action)) return *parameters->typed;
    return CTypedParameters{};
  }();
  std::vector<CAction> segments;
  for (const CAction& action : job)
    if (std::holds_alternative<CSegmentAction>(action) || std::holds_alternative<CCalculateAction>(action))
      segments.push_back(action);
  ASSERT_EQ(OpenOnSample(session, segments), "");
  const auto drive = [&](CDialogforParameter& d, const std::string& u, const std::string& v) {
    const auto type = [&d](int id, double value) { d.SetControlText(id, FormatDoubleField(value)); };
    d.OnInitDialog();
    type(IDC_ORIGIN_U, 431), type(IDC_ORIGIN_V, 270);
    type(IDC_GROUND_U, typed.groundPixel[0]), type(IDC_GROUND_V, typed.groundPixel[1]);
    type(IDC_GROUND_X, typed.groundWorld[0]), type(IDC_GROUND_Y, typed.groundWorld[1]);
    type(IDC_REFERENCE_BU, typed.foot[0]), type(IDC_REFERENCE_BV, typed.foot[1]);
    type(IDC_REFERENCE_TU, typed.top[0]), type(IDC_REFERENCE_TV, typed.top[1]);
    type(IDC_REFERENCE_HEIGHT, typed.height);
    d.Press(IDC_CALCULATE_PARAMETERS);
    d.SetControlText(IDC_ORIGIN_U, u), d.SetControlText(IDC_ORIGIN_V, v);
    d.Press(IDC_CALCULATE_PARAMETERS);
    d.Press(IDOK);
  };
  CDialogforParameter first(*session.Model());
  drive(first, "428.179001", "273.962001");
  const CParametersAction action = ParametersActionFromDialog(*session.Model(), first.Transcript());
  ASSERT_FALSE(action.typed);
  ASSERT_EQ(session.Append({action}, "Set Reference Parameters"), "");
  CDialogforParameter anew(*session.Model());
  drive(anew, "429.5", "275");

  const std::vector<CHandle> listed = ListHandles(session.Actions());
  const CHandle* origin = Named(listed, "Origin");
  ASSERT_NE(origin, nullptr);
  EXPECT_EQ(origin->position, (std::array<double, 2>{428.179001, 273.962001}));
  const std::string shown = DataFileText(*session.Model());
  const std::optional<CActionList> moved = session.MovedHandle(*origin, {429.5, 275});
  ASSERT_TRUE(moved);
  // Driving the dialog again on the model replayed up to it leaves what is shown as it was.
  EXPECT_EQ(DataFileText(*session.Model()), shown);
  ASSERT_EQ(session.Replace(*moved, MoveCommandName(*origin)), "");
  EXPECT_EQ(session.UndoName(), "Move Origin");
  EXPECT_EQ(session.Model()->m_a, anew.m_a);
  EXPECT_EQ(session.Model()->m_b, anew.m_b);
  EXPECT_EQ(session.Model()->m_A, anew.m_A);
  EXPECT_NE(session.Model()->m_a, first.m_a);
}

TEST_F(SampleHandles, APreviewChangesWhatIsShownButNotTheListNorTheHistory) {
  const std::string before = DataFileText(*session.Model());
  const unsigned long long serial = session.Serial();
  const CHandle* handle = Named(handles, "Segment Y 0, end 2");
  ASSERT_NE(handle, nullptr);
  std::vector<CAction> typed = job;
  std::get<CSegmentAction>(typed[4]).ends[2] += 5;
  const std::optional<CActionList> moved = MoveHandle(
      session.Actions(), *handle, {handle->position[0] + 5, handle->position[1]}, *session.Model());
  ASSERT_TRUE(moved);

  ASSERT_EQ(session.Preview(*moved), "");
  EXPECT_TRUE(session.IsPreviewing());
  EXPECT_EQ(DataFileText(*session.Model()), DataFileOf(typed));
  EXPECT_EQ(session.Actions().size(), job.size());
  EXPECT_EQ(*session.Actions()[4], job[4]);
  EXPECT_EQ(session.Serial(), serial);
  EXPECT_FALSE(session.CanUndo());
  session.EndPreview();
  EXPECT_FALSE(session.IsPreviewing());
  EXPECT_EQ(DataFileText(*session.Model()), before);

  // A preview that cannot be replayed shows the list again.
  CActionList broken = *moved;
  broken.insert(broken.begin(), std::make_shared<const CAction>(CDeleteFaceAction{3}));
  EXPECT_NE(session.Preview(broken), "");
  EXPECT_FALSE(session.IsPreviewing());
  EXPECT_EQ(DataFileText(*session.Model()), before);

  // Made a command, it is undone to the same bytes.
  ASSERT_EQ(session.Preview(*moved), "");
  ASSERT_EQ(session.Replace(*moved, MoveCommandName(*handle)), "");
  EXPECT_FALSE(session.IsPreviewing());
  EXPECT_EQ(session.UndoName(), "Move Segment End");
  EXPECT_EQ(DataFileText(*session.Model()), DataFileOf(typed));
  session.Undo();
  EXPECT_EQ(DataFileText(*session.Model()), before);
}

TEST_F(SampleHandles, GoneThingsHaveNoHandles) {
  std::vector<CAction> actions = job;
  std::get<CSegmentAction>(actions[0]).enabled = false;
  actions.push_back(CDeletePointAction{2, 2});
  EXPECT_EQ(ListHandles(Shared(actions)).size(), 36u - 2 - 1);
  EXPECT_EQ(Named(ListHandles(Shared(actions)), "Point 2"), nullptr);
  EXPECT_NE(Named(ListHandles(Shared(actions)), "Point 3"), nullptr);
  EXPECT_EQ(Named(ListHandles(Shared(actions)), "Segment X 0, end 1"), nullptr);
  EXPECT_NE(Named(ListHandles(Shared(actions)), "Segment X 1, end 1"), nullptr);

  // A "Caculate " after GetParameter leaves the reference marks without a meaning.
  actions.push_back(CCalculateAction{});
  EXPECT_EQ(Named(ListHandles(Shared(actions)), "Origin"), nullptr);
  // Points of a data file have no typed position; the next point's id follows the file's.
  actions.push_back(CDataFileAction{"scene.txt", DataFileText(*session.Model())});
  CTypedPoint point;
  point.pixel = {100, 100};
  actions.push_back(CPointAction{point, {}});
  const std::vector<CHandle> after = ListHandles(Shared(actions));
  ASSERT_EQ(after.size(), 22u + 1);
  EXPECT_EQ(after.back().name, "Point 8");
}

}  // namespace
