// The joint uncertainty of measured points, and of distances, height differences and areas
// between them, against Monte Carlo runs of the whole chain: every typed position drawn with
// the log's position noise many times, every vanishing point, reference scale and point
// computed again, the spread of the results compared with the propagated σ.

#include "SyntheticReference.h"
#include "SyntheticScene.h"
#include "dialogs/GetPointDialog.h"
#include "metrology/MeasurementLog.h"
#include "metrology/Measurements.h"
#include "metrology/VanishingPoints.h"
#include "model/SingleImage.h"
#include "services/NumberText.h"
#include "texture/FaceTexture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr int kDraws = 3000;
// The propagated σ against the sampled standard deviation (1.3 % sampling error at 3000 draws;
// the rest is what first order leaves out).
constexpr double kAgreement = 0.10;
// A Gaussian error lies within 2σ 95.4 % of the time.
constexpr double kWithinTwoSigma = 0.93;

// How a user measures a point of the scene: a ground corner at a typed height 0; a first top by
// its height above the corner below, t clicked and used as the point itself; a corner at the
// height of an earlier point, taken over by GET REF.
struct CPointScript {
  enum EKind { kGround, kFirstTop, kAtCopiedHeight } kind;
  std::array<double, 3> world;
  int heightFrom = -1;  // for kAtCopiedHeight: the script index (and id) of the height's point
};

// The first box's eight corners and the third box's top corner nearest the camera's side.
std::vector<CPointScript> BoxScript(const CSyntheticScene& scene) {
  const CBox& box = scene.Boxes()[0];
  const CBox& far = scene.Boxes()[2];
  const double X = box.max[0], Y = box.max[1], H = box.max[2];
  return {
      {CPointScript::kGround, {0, 0, 0}},        {CPointScript::kGround, {X, 0, 0}},
      {CPointScript::kGround, {X, Y, 0}},        {CPointScript::kGround, {0, Y, 0}},
      {CPointScript::kFirstTop, {0, 0, H}},      {CPointScript::kAtCopiedHeight, {X, 0, H}, 4},
      {CPointScript::kAtCopiedHeight, {X, Y, H}, 4}, {CPointScript::kAtCopiedHeight, {0, Y, H}, 4},
      {CPointScript::kFirstTop, {far.max[0], far.min[1], far.max[2]}},
  };
}

// Faces by script indices, corners in order around them.
const std::array<int, 4> kFront = {0, 1, 5, 4};
const std::array<int, 4> kTop = {4, 5, 6, 7};

// What is measured, from the points' world coordinates; `value` computes it independently of
// the program's measurement functions.
struct CQuantity {
  std::string name;
  std::function<double(const std::vector<std::array<double, 3>>&)> value;
  std::function<CMeasuredValue(const CSingleImage&, const CMeasurementLog&)> measured;  // none for a coordinate
  int id = -1, coordinate = -1;
};

double Distance(const std::array<double, 3>& a, const std::array<double, 3>& b) {
  return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}
// Two triangles over the diagonal from the first corner.
double QuadArea(const std::vector<std::array<double, 3>>& p, const std::array<int, 4>& c) {
  const auto triangle = [&](int i, int j, int k) {
    const double u[3] = {p[j][0] - p[i][0], p[j][1] - p[i][1], p[j][2] - p[i][2]};
    const double v[3] = {p[k][0] - p[i][0], p[k][1] - p[i][1], p[k][2] - p[i][2]};
    return 0.5 * std::hypot(u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]);
  };
  return triangle(c[0], c[1], c[2]) + triangle(c[0], c[2], c[3]);
}

std::vector<CQuantity> Quantities(const std::vector<CPointScript>& script) {
  std::vector<CQuantity> quantities;
  const char* names[3] = {"X", "Y", "Z"};
  for (int id = 0; id < static_cast<int>(script.size()); ++id)
    for (int k = 0; k < 3; ++k) {
      if (script[id].kind == CPointScript::kGround && k == 2) continue;  // typed
      const char* kinds[3] = {"ground", "first top", "at copied height"};
      quantities.push_back({std::string(names[k]) + " of point " + std::to_string(id) + " (" + kinds[script[id].kind] + ")",
                            [id, k](const auto& p) { return p[id][k]; }, nullptr, id, k});
    }
  const auto distance = [&](int a, int b) {
    quantities.push_back({"distance " + std::to_string(a) + "-" + std::to_string(b),
                          [a, b](const auto& p) { return Distance(p[a], p[b]); },
                          [a, b](const CSingleImage& m, const CMeasurementLog& l) { return MeasureDistance(m, l, a, b); }});
  };
  distance(0, 1), distance(1, 2), distance(4, 5), distance(5, 6), distance(0, 6), distance(2, 8);
  const auto height = [&](int a, int b) {
    quantities.push_back({"height " + std::to_string(a) + "-" + std::to_string(b),
                          [a, b](const auto& p) { return p[a][2] - p[b][2]; },
                          [a, b](const CSingleImage& m, const CMeasurementLog& l) { return MeasureHeightDifference(m, l, a, b); }});
  };
  height(4, 0), height(8, 6);
  quantities.push_back({"front area", [](const auto& p) { return QuadArea(p, kFront); },
                        [](const CSingleImage& m, const CMeasurementLog& l) { return MeasureFaceArea(m, l, 0); }});
  quantities.push_back({"top area", [](const auto& p) { return QuadArea(p, kTop); },
                        [](const CSingleImage& m, const CMeasurementLog& l) { return MeasureFaceArea(m, l, 1); }});
  return quantities;
}

// The scene measured once, exactly, as a user does it through the point dialog.
struct CMeasuredScene {
  std::unique_ptr<CSingleImage> model;
  CMeasurementLog log;
};

void Type(CGetPointDialog& dialog, int id, double value) { dialog.SetControlText(id, FormatDoubleField(value)); }

CMeasuredScene MeasureThroughTheDialog(const CSyntheticScene& scene, const std::vector<CPointScript>& script) {
  CMeasuredScene measured;
  measured.model = std::make_unique<CSingleImage>(scene.Width(), scene.Height());
  CSingleImage& model = *measured.model;
  CSegmentList lists[3];
  for (int axis = 0; axis < 3; ++axis)
    for (const auto& s : scene.EdgesAlong(axis)) lists[axis].Add(MakeSegment(model, s[0], s[1], s[2], s[3]));
  EXPECT_EQ(CalculateVanishingPoints(model, lists[0], lists[1], lists[2]), "");
  measured.log.SetSegments(model, lists[0], lists[1], lists[2]);
  for (CSegmentList& list : lists) list.RemoveAll();
  CReferenceFields reference = SyntheticReference(scene);
  EXPECT_EQ(CalculateReferenceScales(model, reference), "");
  StoreReferenceParameters(model, reference.m_a, reference.m_b, reference.m_A, reference.m_WorldOriginU,
                           reference.m_WorldOriginV);
  measured.log.SetReference(model, reference);
  EXPECT_TRUE(measured.log.HasChain());

  for (const CPointScript& p : script) {
    const auto [X, Y, Z] = p.world;
    const auto at = scene.Pixel(X, Y, Z), foot = scene.Pixel(X, Y, 0);
    CGetPointDialog dialog(model);
    dialog.OnInitDialog();
    Type(dialog, 1022, at[0]), Type(dialog, 1023, at[1]);
    if (p.kind == CPointScript::kGround) Type(dialog, 1020, 0);
    if (p.kind == CPointScript::kFirstTop) {
      Type(dialog, 1005, foot[0]), Type(dialog, 1006, foot[1]), Type(dialog, 1007, at[0]), Type(dialog, 1008, at[1]);
      dialog.OnButton(IDC_CALCULATE_Z);
    }
    if (p.kind == CPointScript::kAtCopiedHeight) {
      dialog.SetControlText(1021, std::to_string(p.heightFrom));
      dialog.OnButton(IDC_GET_REF);
    }
    dialog.OnButton(IDC_CALCULATE_XY);
    dialog.OnOK();
    EXPECT_EQ(dialog.Result(), IDOK);
    AddViewPoint(model, dialog);
    measured.log.RecordPoint(model.m_nMaxId, dialog.MeasurementRecord(measured.log.Chain()));
  }
  for (const auto& face : {kFront, kTop}) AddFace(model, "", face.data());
  return measured;
}

// One draw: every typed position off by the noise, the chain run through.
std::vector<std::array<double, 3>> MeasureWithNoise(const CSyntheticScene& scene, const std::vector<CPointScript>& script,
                                                    std::mt19937& random, double sigma) {
  std::normal_distribution<double> noise(0, sigma);
  const auto noisy = [&](std::array<double, 2> pixel) { return std::array<double, 2>{pixel[0] + noise(random), pixel[1] + noise(random)}; };
  CSingleImage model(scene.Width(), scene.Height());
  CSegmentList lists[3];
  for (int axis = 0; axis < 3; ++axis)
    for (const auto& s : scene.EdgesAlong(axis)) {
      const auto a = noisy({s[0], s[1]}), b = noisy({s[2], s[3]});
      lists[axis].Add(MakeSegment(model, a[0], a[1], b[0], b[1]));
    }
  CalculateVanishingPoints(model, lists[0], lists[1], lists[2]);
  for (CSegmentList& list : lists) list.RemoveAll();
  CReferenceFields f = SyntheticReference(scene);
  const auto origin = noisy({f.m_WorldOriginU, f.m_WorldOriginV}), ground = noisy({f.m_PointU, f.m_PointV});
  const auto foot = noisy({f.m_bU, f.m_bV}), top = noisy({f.m_tU, f.m_tV});
  f.m_WorldOriginU = origin[0], f.m_WorldOriginV = origin[1], f.m_PointU = ground[0], f.m_PointV = ground[1];
  f.m_bU = foot[0], f.m_bV = foot[1], f.m_tU = top[0], f.m_tV = top[1];
  CalculateReferenceScales(model, f);
  StoreReferenceParameters(model, f.m_a, f.m_b, f.m_A, f.m_WorldOriginU, f.m_WorldOriginV);

  std::vector<std::array<double, 3>> points;
  for (const CPointScript& p : script) {
    const auto [X, Y, Z] = p.world;
    const auto at = noisy(scene.Pixel(X, Y, Z));  // a top clicked once, used as t and as the point
    CPointFields fields;
    fields.m_U = at[0], fields.m_V = at[1];
    if (p.kind == CPointScript::kFirstTop) {
      const auto pointFoot = noisy(scene.Pixel(X, Y, 0));
      fields.m_bU = pointFoot[0], fields.m_bV = pointFoot[1], fields.m_tU = at[0], fields.m_tV = at[1];
      CalculateZ(model, fields);
    }
    if (p.kind == CPointScript::kAtCopiedHeight) fields.m_Z = points[p.heightFrom][2];
    CalculateXY(model, fields);
    points.push_back({fields.m_X, fields.m_Y, fields.m_Z});
  }
  return points;
}

struct CSceneCase {
  const char* name;
  int width, height;
  bool level;
  unsigned seed;
};

void PrintTo(const CSceneCase& c, std::ostream* out) { *out << c.name; }

class JointUncertainty : public ::testing::TestWithParam<CSceneCase> {};

TEST_P(JointUncertainty, PropagatedSigmaMatchesTheSpreadOfNoisyMeasurements) {
  const CSceneCase c = GetParam();
  std::mt19937 random(c.seed);
  const CSyntheticScene scene = CSyntheticScene::Random(random, c.width, c.height, c.level);
  const std::vector<CPointScript> script = BoxScript(scene);
  const CMeasuredScene measured = MeasureThroughTheDialog(scene, script);
  const std::vector<CQuantity> quantities = Quantities(script);

  std::vector<std::array<double, 3>> truth;
  for (const CPointScript& p : script) truth.push_back(p.world);
  std::vector<double> propagated;
  for (const CQuantity& q : quantities) {
    std::optional<double> sigma;
    if (q.measured) {
      const CMeasuredValue value = q.measured(*measured.model, measured.log);
      ASSERT_TRUE(value.HasValue()) << q.name << ": " << value.message;
      EXPECT_NEAR(value.value, q.value(truth), 1e-5 * std::fabs(q.value(truth))) << q.name;
      sigma = value.sigma;
    } else {
      sigma = measured.log.Sigma(q.id)[q.coordinate];
    }
    ASSERT_TRUE(sigma && *sigma > 0) << q.name;
    propagated.push_back(*sigma);
  }

  std::vector<double> sum(quantities.size()), squares(quantities.size());
  std::vector<int> within(quantities.size());
  for (int draw = 0; draw < kDraws; ++draw) {
    const auto points = MeasureWithNoise(scene, script, random, measured.log.PositionSigma());
    for (size_t i = 0; i < quantities.size(); ++i) {
      const double error = quantities[i].value(points) - quantities[i].value(truth);
      sum[i] += error, squares[i] += error * error;
      within[i] += std::fabs(error) <= 2 * propagated[i];
    }
  }
  for (size_t i = 0; i < quantities.size(); ++i) {
    const double mean = sum[i] / kDraws;
    const double sampled = std::sqrt((squares[i] - kDraws * mean * mean) / (kDraws - 1));
    const double coverage = static_cast<double>(within[i]) / kDraws;
    EXPECT_NEAR(propagated[i] / sampled, 1.0, kAgreement)
        << c.name << " " << quantities[i].name << ": propagated " << propagated[i] << ", sampled " << sampled;
    EXPECT_GE(coverage, kWithinTwoSigma) << c.name << " " << quantities[i].name << ": propagated " << propagated[i]
                                         << ", sampled " << sampled << ", mean error " << mean;
    std::printf("%-36s sigma %.5f sampled %.5f ratio %.3f within 2 sigma %.1f %%\n", quantities[i].name.c_str(),
                propagated[i], sampled, propagated[i] / sampled, 100 * coverage);
  }
}

INSTANTIATE_TEST_SUITE_P(Scenes, JointUncertainty,
                         ::testing::Values(CSceneCase{"Level1024x768", 1024, 768, true, 2026},
                                           CSceneCase{"Tilted1024x768", 1024, 768, false, 77},
                                           CSceneCase{"Level1600x1200", 1600, 1200, true, 5}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
