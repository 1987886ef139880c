#include "metrology/ReferenceParameters.h"

#include "MetrologyExamples.h"
#include "ScriptedServices.h"

#include <gtest/gtest.h>

namespace {

constexpr double kRoundOff = 1e-12;

// The worked example: origin at (320, 240), the ground point (2, 3) at (420, 300), the vertical
// segment from (420, 300) to (470, 330) of height 10.
CReferenceFields ExampleFields(double originU = 320, double originV = 240) {
  CReferenceFields f;
  f.m_PointX = 2;
  f.m_PointY = 3;
  f.m_PointU = 420;
  f.m_PointV = 300;
  f.m_bU = 420;
  f.m_bV = 300;
  f.m_tU = 470;
  f.m_tV = 330;
  f.m_ZValue = 10;
  f.m_WorldOriginU = originU;
  f.m_WorldOriginV = originV;
  return f;
}

void ExpectMatrix(const double (&actual)[3][3], const double (&expected)[3][3], const char* name) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(actual[i][j], expected[i][j], kRoundOff) << name << " (" << i << ", " << j << ")";
}

TEST(ReferenceParameters, FirstExample) {
  CScriptedServices services;
  auto model = AxisAlignedScene();
  CReferenceFields f = ExampleFields();
  EXPECT_EQ(CalculateReferenceScales(*model, f), "");
  EXPECT_NEAR(f.m_a, 50, kRoundOff);
  EXPECT_NEAR(f.m_b, 20, kRoundOff);
  EXPECT_NEAR(f.m_A, -1.0 / 30, kRoundOff);

  StoreReferenceParameters(*model, f.m_a, f.m_b, f.m_A, f.m_WorldOriginU, f.m_WorldOriginV);
  EXPECT_EQ(model->m_a, f.m_a);
  EXPECT_EQ(model->m_A, f.m_A);
  const double scaled[3][3] = {{50, 0, 0}, {0, 20, 0}, {0, 0, 1}};
  ExpectMatrix(model->m_HMatrix, scaled, "HMatrix");
  ExpectMatrix(model->m_HStandardMatrix, scaled, "HStandardMatrix");
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(model->m_lScale[i], i == 2 ? 1 : 0, kRoundOff);
    EXPECT_NEAR(model->m_l[i], i == 2 ? 1 : 0, kRoundOff);
  }
  EXPECT_NEAR(model->m_StandardOrigin[0], 0, kRoundOff);
  EXPECT_NEAR(model->m_StandardOrigin[1], 0, kRoundOff);
  EXPECT_TRUE(services.messages.empty());
}

TEST(ReferenceParameters, SecondExampleMovesTheStandardOrigin) {
  CScriptedServices services;
  auto model = AxisAlignedScene();
  CReferenceFields f = ExampleFields(360, 260);
  EXPECT_EQ(CalculateReferenceScales(*model, f), "");
  EXPECT_NEAR(f.m_a, 30, kRoundOff);
  EXPECT_NEAR(f.m_b, 40.0 / 3, kRoundOff);
  EXPECT_NEAR(f.m_A, -1.0 / 30, kRoundOff);
  StoreReferenceParameters(*model, f.m_a, f.m_b, f.m_A, f.m_WorldOriginU, f.m_WorldOriginV);
  EXPECT_EQ(model->m_l[0], 40);
  EXPECT_EQ(model->m_l[1], 20);
  EXPECT_EQ(model->m_l[2], 1);
  ExpectMatrix(model->m_HMatrix, {{30, 0, 40}, {0, 40.0 / 3, 20}, {0, 0, 1}}, "HMatrix");
  EXPECT_NEAR(model->m_StandardOrigin[0], -4.0 / 3, kRoundOff);
  EXPECT_NEAR(model->m_StandardOrigin[1], -1.5, kRoundOff);
  ExpectMatrix(model->m_HStandardMatrix, {{30, 0, 0}, {0, 40.0 / 3, 0}, {0, 0, 1}}, "HStandardMatrix");
}

TEST(ReferenceParameters, SignRuleMakesTheThirdColumnTheVanishingLine) {
  CScriptedServices services;
  auto model = AxisAlignedScene(-1);
  CReferenceFields f = ExampleFields();
  CalculateReferenceScales(*model, f);
  EXPECT_NEAR(f.m_b, -20, kRoundOff);
  EXPECT_NEAR(f.m_A, 1.0 / 30, kRoundOff);
  StoreReferenceParameters(*model, f.m_a, f.m_b, f.m_A, f.m_WorldOriginU, f.m_WorldOriginV);
  EXPECT_NEAR(model->m_lScale[2], -1, kRoundOff);
  // −0 appears in several entries; compare numerically.
  ExpectMatrix(model->m_HStandardMatrix, {{-50, 0, 0}, {0, -20, 0}, {0, 0, -1}}, "HStandardMatrix");
}

TEST(ReferenceParameters, NegatingTheVerticalVanishingPointNegatesA) {
  auto model = AxisAlignedScene();
  model->m_Vz[2] = -1;
  CReferenceFields f = ExampleFields();
  CalculateReferenceScales(*model, f);
  EXPECT_NEAR(f.m_A, 1.0 / 30, kRoundOff);
}

TEST(ReferenceParameters, DegenerateInputsAreComputedAndNamed) {
  struct Case {
    const char* name;
    std::function<void(CReferenceFields&, CSingleImage&)> change;
    std::string message;
  };
  const Case cases[] = {
      {"point x 0", [](CReferenceFields& f, CSingleImage&) { f.m_PointX = 0; },
       "The second ground point must not lie on an axis: point x and point y must both be non-zero."},
      {"point y 0", [](CReferenceFields& f, CSingleImage&) { f.m_PointY = 0; },
       "The second ground point must not lie on an axis: point x and point y must both be non-zero."},
      {"Z Value 0", [](CReferenceFields& f, CSingleImage&) { f.m_ZValue = 0; },
       "Z Value must not be 0: the vertical segment needs a height."},
      {"t equal to b", [](CReferenceFields& f, CSingleImage&) { f.m_tU = f.m_bU, f.m_tV = f.m_bV; },
       "Point b and point t must differ: the vertical segment has no length."},
      {"b on the vanishing line",
       [](CReferenceFields& f, CSingleImage& m) {
         // Vx = (1, 0, 0) and Vy = (0, 1, 1) put the vanishing line at v' = 1.
         m.m_Vy[2] = 1;
         f.m_bV = 241;
       },
       "Point b must not lie on the vanishing line of the ground plane."},
      {"no vanishing points", [](CReferenceFields&, CSingleImage& m) { m.m_Vx[0] = 0, m.m_Vy[1] = 0; },
       "The X and Y vanishing points coincide or are not set: calculate the vanishing points first."},
  };
  for (const Case& c : cases) {
    CScriptedServices services;
    auto model = AxisAlignedScene();
    CReferenceFields f = ExampleFields();
    c.change(f, *model);
    EXPECT_EQ(CalculateReferenceScales(*model, f), c.message) << c.name;
  }
  CReferenceFields both = ExampleFields();
  both.m_PointX = 0;
  both.m_ZValue = 0;
  CScriptedServices services;
  EXPECT_EQ(CalculateReferenceScales(*AxisAlignedScene(), both),
            "The second ground point must not lie on an axis: point x and point y must both be non-zero.\n"
            "Z Value must not be 0: the vertical segment needs a height.");
}

}  // namespace
