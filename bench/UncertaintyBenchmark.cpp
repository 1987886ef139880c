// The uncertainty report of a job: σ of X, Y and Z for the eight corners of a box, measured as
// a user does (ground corners at a typed height 0, top corners by their height above the
// ground corner below), on a chain with 200, 800 or 25,000 segments per direction.

#include "SyntheticReference.h"
#include "SyntheticScene.h"
#include "metrology/MeasurementLog.h"
#include "metrology/VanishingPoints.h"
#include "model/SingleImage.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>

namespace {

// Segments of the given direction at random places around the boxes, each a unit long in the
// world, their end points off by 0.5 pixels as a user's would be.
std::vector<CPixelSegment> RandomSegments(const CSyntheticScene& scene, int axis, int count, std::mt19937& random) {
  std::uniform_real_distribution<double> unit(0, 1);
  std::normal_distribution<double> noise(0, 0.5);
  std::vector<CPixelSegment> segments;
  const double extent = scene.Extent();
  for (int i = 0; i < count; ++i) {
    double start[3] = {extent * unit(random), extent * unit(random), 0.5 * extent * unit(random)};
    double end[3] = {start[0], start[1], start[2]};
    end[axis] += 1;
    const auto a = scene.Pixel(start[0], start[1], start[2]), b = scene.Pixel(end[0], end[1], end[2]);
    segments.push_back({a[0] + noise(random), a[1] + noise(random), b[0] + noise(random), b[1] + noise(random)});
  }
  return segments;
}

// The job's road as the batch runs it: segments, "Caculate ", reference parameters, then the
// box's corners measured on that chain.
CMeasurementLog MeasuredBox(int segmentsPerDirection) {
  std::mt19937 random(5);
  const CSyntheticScene scene = CSyntheticScene::Random(random, 6000, 4000, false);
  CSingleImage model(scene.Width(), scene.Height());
  CSegmentList lists[3];
  for (int axis = 0; axis < 3; ++axis)
    for (const CPixelSegment& s : RandomSegments(scene, axis, segmentsPerDirection, random))
      lists[axis].Add(MakeSegment(model, s[0], s[1], s[2], s[3]));
  if (!CalculateVanishingPoints(model, lists[0], lists[1], lists[2]).empty()) std::abort();
  CMeasurementLog log;
  log.SetSegments(model, lists[0], lists[1], lists[2]);
  for (CSegmentList& list : lists) list.RemoveAll();
  CReferenceFields reference = SyntheticReference(scene);
  CalculateReferenceScales(model, reference);
  StoreReferenceParameters(model, reference.m_a, reference.m_b, reference.m_A, reference.m_WorldOriginU,
                           reference.m_WorldOriginV);
  log.SetReference(model, reference);
  if (!log.HasChain()) std::abort();

  CPointRecord record;
  record.chain = log.Chain();
  record.xyMeasured = true;
  const CBox& box = scene.Boxes()[0];
  int id = 0;
  for (double X : {box.min[0], box.max[0]})
    for (double Y : {box.min[1], box.max[1]})
      for (double Z : {0.0, box.max[2]}) {
        const auto at = scene.Pixel(X, Y, Z), foot = scene.Pixel(X, Y, 0);
        record.how = CPointProvenance();
        record.how.U = at[0], record.how.V = at[1];
        record.how.heightFromSegment = record.zMeasured = Z != 0;
        record.how.bU = foot[0], record.how.bV = foot[1], record.how.tU = at[0], record.how.tV = at[1];
        log.RecordPoint(id++, record);
      }
  return log;
}

void BM_UncertaintyReport(benchmark::State& state) {
  const CMeasurementLog measured = MeasuredBox(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    const CMeasurementLog log = measured;  // nothing computed yet
    state.ResumeTiming();
    for (int id = 0; id < 8; ++id) benchmark::DoNotOptimize(log.Sigma(id));
  }
}

BENCHMARK(BM_UncertaintyReport)->Arg(200)->Arg(800)->Arg(25000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
