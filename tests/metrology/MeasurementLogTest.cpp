// Where a point's coordinates came from, as the point dialog records it, and the uncertainty
// the log gives each coordinate from that record.

#include "SyntheticReference.h"
#include "SyntheticScene.h"
#include "dialogs/GetPointDialog.h"
#include "metrology/MeasurementLog.h"
#include "metrology/VanishingPoints.h"
#include "model/SingleImage.h"
#include "services/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Two first-order propagations of the same chain, differentiated in different orders.
constexpr double kSameSigma = 1e-6;

class MeasurementLog : public ::testing::Test {
 protected:
  void SetUp() override {
    std::mt19937 random(11);
    scene = std::make_unique<CSyntheticScene>(CSyntheticScene::Random(random, 1024, 768, true));
    model = std::make_unique<CSingleImage>(scene->Width(), scene->Height());
    CSegmentList lists[3];
    for (int axis = 0; axis < 3; ++axis)
      for (const auto& s : scene->EdgesAlong(axis)) lists[axis].Add(MakeSegment(*model, s[0], s[1], s[2], s[3]));
    ASSERT_EQ(CalculateVanishingPoints(*model, lists[0], lists[1], lists[2]), "");
    log.SetSegments(*model, lists[0], lists[1], lists[2]);
    for (CSegmentList& list : lists) list.RemoveAll();

    reference = SyntheticReference(*scene);
    ASSERT_EQ(CalculateReferenceScales(*model, reference), "");
    StoreReferenceParameters(*model, reference.m_a, reference.m_b, reference.m_A, reference.m_WorldOriginU,
                             reference.m_WorldOriginV);
    EXPECT_FALSE(log.HasChain());
    log.SetReference(*model, reference);
    ASSERT_TRUE(log.HasChain());
  }

  // The top of the first box's far corner, measured as a user would: its height above the
  // corner below it, then X and Y at that height; `typed` are texts typed over fields at the end.
  int MeasureTop(const std::map<int, std::string>& typed = {}) {
    const CBox& box = scene->Boxes()[0];
    const auto foot = scene->Pixel(box.max[0], box.max[1], 0), top = scene->Pixel(box.max[0], box.max[1], box.max[2]);
    CGetPointDialog dialog(*model);
    dialog.OnInitDialog();
    Type(dialog, 1005, foot[0]), Type(dialog, 1006, foot[1]), Type(dialog, 1007, top[0]), Type(dialog, 1008, top[1]);
    Type(dialog, 1022, top[0]), Type(dialog, 1023, top[1]);
    dialog.OnButton(IDC_CALCULATE_Z);
    dialog.OnButton(IDC_CALCULATE_XY);
    for (const auto& [id, text] : typed) dialog.SetControlText(id, text);
    return Keep(dialog);
  }
  int Keep(CGetPointDialog& dialog) {
    dialog.OnOK();
    AddViewPoint(*model, dialog);
    log.RecordPoint(model->m_nMaxId, dialog.MeasurementRecord(log.Chain()));
    return model->m_nMaxId;
  }
  static void Type(CGetPointDialog& dialog, int id, double value) { dialog.SetControlText(id, FormatDoubleField(value)); }

  std::unique_ptr<CSyntheticScene> scene;
  std::unique_ptr<CSingleImage> model;
  CReferenceFields reference;
  CMeasurementLog log;
};

TEST_F(MeasurementLog, AMeasuredPointHasThePropagatedUncertainty) {
  // A ground corner, its positions all distinct: the point's own propagation.
  const CBox& box = scene->Boxes()[0];
  const auto corner = scene->Pixel(box.max[0], 0, 0);
  CGetPointDialog dialog(*model);
  dialog.OnInitDialog();
  Type(dialog, 1022, corner[0]), Type(dialog, 1023, corner[1]), Type(dialog, 1020, 0);
  dialog.OnButton(IDC_CALCULATE_XY);
  const int ground = Keep(dialog);
  const CPointRecord* record = log.FindRecord(ground);
  ASSERT_NE(record, nullptr);
  EXPECT_TRUE(record->xyMeasured && record->zExact && !record->zMeasured);
  // The segments come back as the pixel positions they were made from.
  EXPECT_DOUBLE_EQ(log.Chain().segments[0][0][0], scene->EdgesAlong(0)[0][0]);
  const auto expected = PropagatePointUncertainty(log.Chain(), record->how);
  ASSERT_TRUE(expected);
  const auto sigma = log.Sigma(ground);
  for (int k = 0; k < 2; ++k) {
    ASSERT_TRUE(sigma[k]) << k;
    EXPECT_NEAR(*sigma[k], (*expected)[k], kSameSigma * (*expected)[k]) << k;
  }
  EXPECT_FALSE(sigma[2]);  // typed: no σ shown, but exact between points
  EXPECT_EQ(log.Covariance(ground, 2, ground, 2), 0.0);

  // A top clicked once and used as t too: its height is the propagated one; its X and Y count
  // the click once, which the point's own propagation (t and the point apart) does not.
  const int top = MeasureTop();
  record = log.FindRecord(top);
  ASSERT_NE(record, nullptr);
  EXPECT_TRUE(record->xyMeasured && record->zMeasured && record->how.heightFromSegment);
  const auto apart = PropagatePointUncertainty(log.Chain(), record->how);
  ASSERT_TRUE(apart);
  ASSERT_TRUE(log.Sigma(top)[2]);
  EXPECT_NEAR(*log.Sigma(top)[2], (*apart)[2], kSameSigma * (*apart)[2]);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(*log.Covariance(top, k, top, k), std::pow(*log.Sigma(top)[k], 2), 1e-15) << k;
}

TEST_F(MeasurementLog, TypedValuesAndUnknownChainsHaveNoUncertainty) {
  const int typedX = MeasureTop({{1016, "1.25"}});
  EXPECT_FALSE(log.Sigma(typedX)[0]);
  EXPECT_FALSE(log.Sigma(typedX)[1]);  // X and Y are computed together: one typed, both doubtful
  EXPECT_TRUE(log.Sigma(typedX)[2]);
  EXPECT_FALSE(log.Sigma(12345)[0]);   // no such record: a point from a data file

  // Scales typed over the computed ones: the chain is not the one the program ran.
  CReferenceFields typed = reference;
  typed.m_A *= 1.01;
  log.SetReference(*model, typed);
  EXPECT_FALSE(log.HasChain());
  log.SetReference(*model, reference);
  EXPECT_TRUE(log.HasChain());
  CSegmentList none[3];
  log.SetSegments(*model, none[0], none[1], none[2]);
  EXPECT_FALSE(log.HasChain());  // new vanishing points need the reference again
}

TEST_F(MeasurementLog, TakenOverCoordinatesCarryTheirSourcesUncertainty) {
  const int top = MeasureTop();
  // A second point at the same height, its Z taken over by GET REF, X and Y computed at it.
  CGetPointDialog dialog(*model);
  dialog.OnInitDialog();
  dialog.SetControlText(1021, std::to_string(top));
  dialog.OnButton(IDC_GET_REF);
  const auto at = scene->Pixel(0, 0, scene->Boxes()[0].max[2]);
  Type(dialog, 1022, at[0]), Type(dialog, 1023, at[1]);
  dialog.OnButton(IDC_CALCULATE_XY);
  const int copy = Keep(dialog);

  const CPointRecord& record = *log.FindRecord(copy);
  EXPECT_EQ(record.copiedFrom[2], top);
  EXPECT_FALSE(record.how.heightFromSegment);
  EXPECT_EQ(record.xyHeightFrom, top);
  EXPECT_EQ(log.Sigma(copy)[2], log.Sigma(top)[2]);
  EXPECT_EQ(log.Covariance(copy, 2, top, 2), log.Covariance(top, 2, top, 2));
  // X and Y carry the height's own inputs (the Monte Carlo tests check how much).
  EXPECT_TRUE(log.Sigma(copy)[0] && log.Sigma(copy)[1]);
  // A height taken over from a point whose height has no known σ: X and Y rest on it.
  log.RecordPoint(top, CPointRecord());
  EXPECT_FALSE(log.Sigma(copy)[0]);
  EXPECT_FALSE(log.Sigma(copy)[2]);
}

}  // namespace
