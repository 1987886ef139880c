// The vertical scale fitted to several vertical references: exact with GetParameter's alone,
// exact on exact positions, bad references left out with a note, and the σ of heights measured
// on the fitted scale against Monte Carlo runs with every typed position noisy.

#include "SyntheticReference.h"
#include "SyntheticScene.h"
#include "dialogs/GetPointDialog.h"
#include "metrology/MeasurementLog.h"
#include "metrology/ReferenceFit.h"
#include "metrology/VanishingPoints.h"
#include "model/SingleImage.h"
#include "numerics/Matrix.h"
#include "services/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace {

constexpr int kDraws = 3000;
// The propagated σ against the sampled standard deviation (1.3 % sampling error at 3000 draws).
constexpr double kAgreement = 0.10;
// A Gaussian error lies within 2σ 95.4 % of the time.
constexpr double kWithinTwoSigma = 0.93;
// Exact positions give every reference the same A up to rounding through the chain.
constexpr double kExactRelative = 1e-9;

// Two further vertical edges: the first box's corner on the X axis and the third box's nearest
// corner, up to `fraction` of their height (marks on the edges, when below 1).
std::vector<CVerticalReference> FurtherReferences(const CSyntheticScene& scene, double fraction = 1) {
  const CBox& first = scene.Boxes()[0];
  const CBox& third = scene.Boxes()[2];
  const auto edge = [&](double X, double Y, double H) {
    const auto foot = scene.Pixel(X, Y, 0), top = scene.Pixel(X, Y, fraction * H);
    return CVerticalReference{{foot[0], foot[1]}, {top[0], top[1]}, fraction * H};
  };
  return {edge(first.max[0], 0, first.max[2]), edge(third.min[0], third.min[1], third.max[2])};
}

// GetParameter's reference segment up to `fraction` of its edge's height.
CReferenceFields ShortenedReference(const CSyntheticScene& scene, double fraction) {
  CReferenceFields f = SyntheticReference(scene);
  const CBox& second = scene.Boxes()[1];
  const auto top = scene.Pixel(second.min[0], second.max[1], fraction * second.max[2]);
  f.m_tU = top[0], f.m_tV = top[1];
  f.m_ZValue = fraction * second.max[2];
  return f;
}

CChainInputs SegmentsOf(const CSyntheticScene& scene, std::mt19937* random, double sigma) {
  std::normal_distribution<double> noise(0, sigma);
  CChainInputs chain;
  chain.width = scene.Width(), chain.height = scene.Height();
  for (int axis = 0; axis < 3; ++axis)
    for (auto s : scene.EdgesAlong(axis)) {
      if (random)
        for (double& end : s) end += noise(*random);
      chain.segments[axis].push_back(s);
    }
  return chain;
}

// The vanishing points of the chain's segments on a fresh model.
std::unique_ptr<CSingleImage> WithVanishingPoints(const CChainInputs& chain, CMeasurementLog* log = nullptr) {
  auto model = std::make_unique<CSingleImage>(chain.width, chain.height);
  CSegmentList lists[3];
  for (int axis = 0; axis < 3; ++axis)
    for (const auto& s : chain.segments[axis]) lists[axis].Add(MakeSegment(*model, s[0], s[1], s[2], s[3]));
  EXPECT_EQ(CalculateVanishingPoints(*model, lists[0], lists[1], lists[2]), "");
  if (log) log->SetSegments(*model, lists[0], lists[1], lists[2]);
  for (CSegmentList& list : lists) list.RemoveAll();
  return model;
}

struct CFitScene {
  std::unique_ptr<CSyntheticScene> scene;
  std::unique_ptr<CSingleImage> model;
  CReferenceFields fields;
  CVanishingPointSpread vertical;
};

CFitScene ExactScene(unsigned seed, bool level) {
  CFitScene s;
  std::mt19937 random(seed);
  s.scene = std::make_unique<CSyntheticScene>(CSyntheticScene::Random(random, 1024, 768, level));
  const CChainInputs chain = SegmentsOf(*s.scene, nullptr, 0);
  s.model = WithVanishingPoints(chain);
  s.fields = SyntheticReference(*s.scene);
  EXPECT_EQ(CalculateReferenceScales(*s.model, s.fields), "");
  s.vertical = SpreadOfVanishingPoint(chain, 2);
  return s;
}

TEST(ReferenceFit, GetParametersReferenceAloneKeepsItsAExactly) {
  const CFitScene s = ExactScene(2026, true);
  CReferenceFields typed = s.fields;
  typed.m_A = 0.123;  // a scale typed over the computed one stays too
  for (const CReferenceFields& fields : {s.fields, typed}) {
    const CVerticalScaleFit fit = FitVerticalScale(*s.model, fields, {}, &s.vertical, kImagePositionSigma);
    EXPECT_FALSE(fit.fittedA);
    EXPECT_EQ(fit.A, fields.m_A);
    ASSERT_EQ(fit.references.size(), 1u);
    EXPECT_EQ(*fit.references[0].ownA, s.fields.m_A);
  }
}

TEST(ReferenceFit, ExactReferencesAgreeWithEachOther) {
  const CFitScene s = ExactScene(77, false);
  const std::vector<CVerticalReference> further = FurtherReferences(*s.scene);
  const CVerticalScaleFit fit = FitVerticalScale(*s.model, s.fields, further, &s.vertical, kImagePositionSigma);
  ASSERT_TRUE(fit.fittedA);
  EXPECT_NEAR(*fit.fittedA, s.fields.m_A, kExactRelative * std::fabs(s.fields.m_A));
  ASSERT_EQ(fit.references.size(), 3u);
  for (const CFittedReference& r : fit.references) {
    EXPECT_GT(r.weight, 0);
    EXPECT_NEAR(*r.residual, 0, kExactRelative * std::fabs(s.fields.m_A));
    EXPECT_NEAR(*r.impliedHeight, r.reference.height, kExactRelative * r.reference.height);
  }
  // The weights are the references' inverse variances, so a weighted mean with them is the fit.
  std::vector<double> weights;
  for (const CFittedReference& r : fit.references) weights.push_back(1 / (*r.sigmaA * *r.sigmaA));
  EXPECT_NEAR(WeightedVerticalScale(*s.model, s.fields, further, weights), *fit.fittedA,
              kExactRelative * std::fabs(s.fields.m_A));
}

TEST(ReferenceFit, ReferencesThatCannotFixALeftOutWithANote) {
  const CFitScene s = ExactScene(77, false);
  const CVerticalReference good = FurtherReferences(*s.scene)[0];
  // A point of the ground's vanishing line, from the line itself.
  const CMatrix matrix;
  double line[3];
  matrix.CrossProduct(s.model->m_Vx, s.model->m_Vy, line);
  const std::array<double, 2> onHorizon = {s.model->GetWidth() / 2.0, s.model->GetHeight() / 2.0 - line[2] / line[1]};
  struct Case {
    const char* name;
    CVerticalReference reference;
    const char* note;
  } cases[] = {
      {"height 0", {good.foot, good.top, 0}, "Z Value must not be 0"},
      {"foot and top coincide", {good.foot, good.foot, 2}, "Point b and point t must differ"},
      {"foot on the vanishing line", {onHorizon, {onHorizon[0], onHorizon[1] + 50}, 2},
       "Point b must not lie on the vanishing line"},
  };
  for (const Case& c : cases) {
    const CVerticalScaleFit fit =
        FitVerticalScale(*s.model, s.fields, {c.reference}, &s.vertical, kImagePositionSigma);
    ASSERT_EQ(fit.references.size(), 2u) << c.name;
    EXPECT_EQ(fit.references[1].weight, 0) << c.name;
    EXPECT_NE(fit.references[1].note.find(c.note), std::string::npos) << c.name << ": " << fit.references[1].note;
    EXPECT_FALSE(fit.fittedA) << c.name;
    EXPECT_EQ(fit.A, s.fields.m_A) << c.name;
  }
}

// The points measured: two first tops (heights from foot and top) and a corner at the first's
// height, taken over.
struct CHeightScript {
  std::array<double, 3> world;
  int heightFrom = -1;
};

std::vector<CHeightScript> HeightScript(const CSyntheticScene& scene) {
  const CBox& first = scene.Boxes()[0];
  const CBox& third = scene.Boxes()[2];
  return {{{first.max[0], first.max[1], first.max[2]}},
          {{third.max[0], third.min[1], third.max[2]}},
          {{0, first.max[1], first.max[2]}, 0}};
}

void Type(CGetPointDialog& dialog, int id, double value) { dialog.SetControlText(id, FormatDoubleField(value)); }

// `referenceFraction` below 1 makes every reference a short mark on its edge, so that the scale's
// error, and with it the fit's own propagation, dominates the heights' σ.
struct CSceneCase {
  const char* name;
  bool level;
  unsigned seed;
  double referenceFraction = 1;
};

void PrintTo(const CSceneCase& c, std::ostream* out) { *out << c.name; }

class FittedScaleUncertainty : public ::testing::TestWithParam<CSceneCase> {};

TEST_P(FittedScaleUncertainty, PropagatedSigmaMatchesTheSpreadOfNoisyMeasurements) {
  const CSceneCase c = GetParam();
  std::mt19937 random(c.seed);
  const CSyntheticScene scene = CSyntheticScene::Random(random, 1024, 768, c.level);
  const std::vector<CHeightScript> script = HeightScript(scene);
  const std::vector<CVerticalReference> further = FurtherReferences(scene, c.referenceFraction);

  // Measured once, exactly, as the session does it.
  CMeasurementLog log;
  const CChainInputs exact = SegmentsOf(scene, nullptr, 0);
  const auto model = WithVanishingPoints(exact, &log);
  CReferenceFields fields = ShortenedReference(scene, c.referenceFraction);
  ASSERT_EQ(CalculateReferenceScales(*model, fields), "");
  log.SetReference(*model, fields);
  log.SetFurtherReferences(further);
  const CVanishingPointSpread vertical = SpreadOfVanishingPoint(exact, 2);
  const CVerticalScaleFit fit = FitVerticalScale(*model, fields, further, &vertical, log.PositionSigma());
  ASSERT_TRUE(fit.fittedA);
  StoreReferenceParameters(*model, fields.m_a, fields.m_b, fit.A, fields.m_WorldOriginU, fields.m_WorldOriginV);
  std::vector<std::array<double, 3>> sigmas;
  for (const CHeightScript& p : script) {
    const auto at = scene.Pixel(p.world[0], p.world[1], p.world[2]), foot = scene.Pixel(p.world[0], p.world[1], 0);
    CGetPointDialog dialog(*model);
    dialog.OnInitDialog();
    Type(dialog, 1022, at[0]), Type(dialog, 1023, at[1]);
    if (p.heightFrom < 0) {
      Type(dialog, 1005, foot[0]), Type(dialog, 1006, foot[1]), Type(dialog, 1007, at[0]), Type(dialog, 1008, at[1]);
      dialog.OnButton(IDC_CALCULATE_Z);
    } else {
      dialog.SetControlText(1021, std::to_string(p.heightFrom));
      dialog.OnButton(IDC_GET_REF);
    }
    dialog.OnButton(IDC_CALCULATE_XY);
    dialog.OnOK();
    AddViewPoint(*model, dialog);
    log.RecordPoint(model->m_nMaxId, dialog.MeasurementRecord(log.Chain()));
    const CViewPoint& point = *model->m_Points.ElementAt(model->m_nMaxId);
    EXPECT_NEAR(point.m_z, p.world[2], 1e-6 * p.world[2]) << "point " << model->m_nMaxId;
    const auto sigma = log.Sigma(model->m_nMaxId);
    ASSERT_TRUE(sigma[0] && sigma[1] && sigma[2]) << "point " << model->m_nMaxId;
    sigmas.push_back({*sigma[0], *sigma[1], *sigma[2]});
  }

  std::normal_distribution<double> noise(0, log.PositionSigma());
  const auto noisy = [&](std::array<double, 2> pixel) {
    return std::array<double, 2>{pixel[0] + noise(random), pixel[1] + noise(random)};
  };
  const size_t n = script.size();
  std::vector<std::array<double, 3>> sum(n), squares(n);
  std::vector<std::array<int, 3>> within(n);
  for (int draw = 0; draw < kDraws; ++draw) {
    const CChainInputs chain = SegmentsOf(scene, &random, log.PositionSigma());
    CSingleImage drawn(chain.width, chain.height);
    {
      const auto computed = WithVanishingPoints(chain);
      for (int i = 0; i < 3; ++i)
        drawn.m_Vx[i] = computed->m_Vx[i], drawn.m_Vy[i] = computed->m_Vy[i], drawn.m_Vz[i] = computed->m_Vz[i];
    }
    CReferenceFields f = ShortenedReference(scene, c.referenceFraction);
    const auto origin = noisy({f.m_WorldOriginU, f.m_WorldOriginV}), ground = noisy({f.m_PointU, f.m_PointV});
    const auto foot = noisy({f.m_bU, f.m_bV}), top = noisy({f.m_tU, f.m_tV});
    f.m_WorldOriginU = origin[0], f.m_WorldOriginV = origin[1], f.m_PointU = ground[0], f.m_PointV = ground[1];
    f.m_bU = foot[0], f.m_bV = foot[1], f.m_tU = top[0], f.m_tV = top[1];
    CalculateReferenceScales(drawn, f);
    std::vector<CVerticalReference> moved = further;
    for (CVerticalReference& r : moved) r.foot = noisy(r.foot), r.top = noisy(r.top);
    const CVanishingPointSpread spread = SpreadOfVanishingPoint(chain, 2);
    const CVerticalScaleFit drawnFit = FitVerticalScale(drawn, f, moved, &spread, log.PositionSigma());
    StoreReferenceParameters(drawn, f.m_a, f.m_b, drawnFit.A, f.m_WorldOriginU, f.m_WorldOriginV);

    std::vector<std::array<double, 3>> points;
    for (const CHeightScript& p : script) {
      const auto at = noisy(scene.Pixel(p.world[0], p.world[1], p.world[2]));
      CPointFields point;
      point.m_U = at[0], point.m_V = at[1];
      if (p.heightFrom < 0) {
        const auto pointFoot = noisy(scene.Pixel(p.world[0], p.world[1], 0));
        point.m_bU = pointFoot[0], point.m_bV = pointFoot[1], point.m_tU = at[0], point.m_tV = at[1];
        CalculateZ(drawn, point);
      } else {
        point.m_Z = points[p.heightFrom][2];
      }
      CalculateXY(drawn, point);
      points.push_back({point.m_X, point.m_Y, point.m_Z});
    }
    for (size_t i = 0; i < n; ++i)
      for (int k = 0; k < 3; ++k) {
        const double error = points[i][k] - script[i].world[k];
        sum[i][k] += error, squares[i][k] += error * error;
        within[i][k] += std::fabs(error) <= 2 * sigmas[i][k];
      }
  }
  const char* names[3] = {"X", "Y", "Z"};
  for (size_t i = 0; i < n; ++i)
    for (int k = 0; k < 3; ++k) {
      const double mean = sum[i][k] / kDraws;
      const double sampled = std::sqrt((squares[i][k] - kDraws * mean * mean) / (kDraws - 1));
      const double coverage = static_cast<double>(within[i][k]) / kDraws;
      EXPECT_NEAR(sigmas[i][k] / sampled, 1.0, kAgreement)
          << c.name << " " << names[k] << " of point " << i << ": propagated " << sigmas[i][k] << ", sampled " << sampled;
      EXPECT_GE(coverage, kWithinTwoSigma) << c.name << " " << names[k] << " of point " << i;
      std::printf("%s %s of point %zu: sigma %.5f sampled %.5f within 2 sigma %.1f %%\n", c.name, names[k], i,
                  sigmas[i][k], sampled, 100 * coverage);
    }
}

INSTANTIATE_TEST_SUITE_P(Scenes, FittedScaleUncertainty,
                         ::testing::Values(CSceneCase{"Level", true, 2026}, CSceneCase{"Tilted", false, 77},
                                           CSceneCase{"ShortReferences", false, 77, 0.2}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
