// The segments table's rows from a job's actions: which segments the vanishing points in force
// rest on, and that a disabled segment is a deleted one for everything computed.

#include "session/SegmentRows.h"

#include "ComputedValues.h"
#include "session/Project.h"
#include "session/Session.h"

#include "model/SingleImage.h"
#include "services/Services.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

namespace {

CActionList SampleActions() {
  std::ifstream in(PELORIN_EXAMPLES_DIR "/sample-scene.pelorin", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  CProject project;
  std::string error;
  EXPECT_TRUE(ReadProject(text, PELORIN_EXAMPLES_DIR, project, error)) << error;
  CActionList list;
  for (CAction& action : project.actions) list.push_back(std::make_shared<const CAction>(std::move(action)));
  return list;
}

CComputedValues Computed(const CSession& session) {
  return ComputedValues(*session.Model(), session.Replayed().log);
}

class SegmentRows : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(session.Open(std::make_shared<CSingleImage>(1024, 768), {"sample-scene.bmp", 1024, 768, ""},
                           SampleActions()),
              "");
  }
  CQuietServices quiet;
  CScopedServices installed{quiet};
  CSession session;
};

TEST_F(SegmentRows, DisablingASegmentEqualsDeletingItForEveryComputedValue) {
  const CSegmentTable table = SegmentTable(session.Actions(), *session.Model(), session.Replayed());
  ASSERT_EQ(table.rows.size(), 12u);
  const CComputedValues before = Computed(session);
  for (const CSegmentRow& row : table.rows) {
    const std::string name = SegmentName(row.axis, row.number);
    CSession deleted;
    ASSERT_EQ(deleted.Open(std::make_shared<CSingleImage>(1024, 768), session.Photograph(),
                           WithoutActions(session.Actions(), {row.action})),
              "")
        << name;
    ASSERT_EQ(session.Replace(WithSegmentEnabled(session.Actions(), row.action, false), "Disable Segment " + name), "");
    const CComputedValues disabled = Computed(session);
    EXPECT_EQ(disabled, Computed(deleted)) << name;
    EXPECT_NE(disabled, before) << name << " counts at the calculation after it";
    session.Undo();
    EXPECT_EQ(Computed(session), before) << name;
  }
}

TEST_F(SegmentRows, RowsNumberEachDirectionAndSayWhichSegmentsTheVanishingPointsRestOn) {
  // A segment disabled before "Caculate ", and one added after it.
  CActionList actions = WithSegmentEnabled(session.Actions(), 1, false);
  ASSERT_EQ(session.Replace(actions, "Disable Segment X 1"), "");
  ASSERT_EQ(session.Append({CSegmentAction{0, {100, 100, 300, 120}, true}}, "Add Segment X"), "");
  const CSegmentTable table = SegmentTable(session.Actions(), *session.Model(), session.Replayed());
  ASSERT_EQ(table.rows.size(), 13u);
  struct Expected {
    int axis, number, line;
    bool enabled, counted;
  };
  // The directions in turn: the X segment added last stands after the other X segments.
  const Expected expected[] = {{0, 0, 0, true, true},   {0, 1, -1, false, false}, {0, 2, 1, true, true},
                               {0, 3, 2, true, true},   {0, 4, 3, true, false},   {1, 0, 0, true, true},
                               {1, 1, 1, true, true},   {1, 2, 2, true, true},    {1, 3, 3, true, true},
                               {2, 0, 0, true, true},   {2, 1, 1, true, true},    {2, 2, 2, true, true},
                               {2, 3, 3, true, true}};
  for (size_t i = 0; i < table.rows.size(); ++i) {
    const CSegmentRow& row = table.rows[i];
    EXPECT_EQ(row.axis, expected[i].axis) << i;
    EXPECT_EQ(row.number, expected[i].number) << i;
    EXPECT_EQ(row.line, expected[i].line) << i;
    EXPECT_EQ(row.enabled, expected[i].enabled) << i;
    EXPECT_EQ(row.counted, expected[i].counted) << i;
    EXPECT_TRUE(row.residual) << i;
  }
  // The line index is the place among the enabled segments as replayed.
  const CLineEndPoints& last = *session.Replayed().lines[0].ElementAt(table.rows[4].line);
  EXPECT_EQ(last.m_Point1[0], 100 - 512.0);
  EXPECT_EQ(table.rows[4].lengthPixels, std::hypot(200.0, 20.0));
  EXPECT_EQ(table.rows[4].action, session.Actions().size() - 1);
  EXPECT_EQ(table.rows[1].action, 1u);
  // Enabled segments per direction, with their vanishing point's σ from the last calculation.
  EXPECT_EQ(table.quality[0].segments, 4);
  for (const CDirectionQuality& quality : table.quality) {
    ASSERT_TRUE(quality.directionSigmaDegrees);
    EXPECT_GT(*quality.directionSigmaDegrees, 0);
    EXPECT_FALSE(quality.tooFew || quality.nearlyParallel);
  }
  EXPECT_EQ(SegmentName(2, 3), "Z 3");
}

}  // namespace
