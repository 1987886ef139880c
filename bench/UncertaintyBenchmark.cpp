// The uncertainty report of a job: σ of X, Y and Z for the eight corners of a box, measured as
// a user does (ground corners at a typed height 0, top corners by their height above the
// ground corner below), on a chain with 200, 800 or 25,000 segments per direction. And the
// table of a large session: σ, and the covariance of every pair, of 100 to 300 points, against
// what each point's own propagation costs.

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

// The job's road as the batch runs it: segments, "Caculate ", reference parameters.
CMeasurementLog ChainedLog(int segmentsPerDirection, std::mt19937& random, const CSyntheticScene& scene) {
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
  return log;
}

// … then the box's corners measured on that chain.
CMeasurementLog MeasuredBox(int segmentsPerDirection) {
  std::mt19937 random(5);
  const CSyntheticScene scene = CSyntheticScene::Random(random, 6000, 4000, false);
  CMeasurementLog log = ChainedLog(segmentsPerDirection, random, scene);
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

// A session of `count` points on 200 segments a direction, in threes: a ground point at a typed
// height 0, a top by its height above its foot (clicked once, used as t and as the point), and
// a point at that top's height taken over by GET REF.
CMeasurementLog ManyPoints(int count) {
  std::mt19937 random(9);
  const CSyntheticScene scene = CSyntheticScene::Random(random, 6000, 4000, false);
  CMeasurementLog log = ChainedLog(200, random, scene);
  std::uniform_real_distribution<double> unit(0, 1);
  const double extent = scene.Extent();
  for (int id = 0; id < count; ++id) {
    const double X = extent * unit(random), Y = extent * unit(random), Z = 0.3 * extent * (0.2 + unit(random));
    CPointRecord record;
    record.chain = log.Chain();
    record.xyMeasured = true;
    const auto ground = scene.Pixel(X, Y, 0), top = scene.Pixel(X, Y, Z);
    switch (id % 3) {
      case 0:
        record.how.U = ground[0], record.how.V = ground[1], record.zExact = true;
        break;
      case 1:
        record.how.bU = ground[0], record.how.bV = ground[1], record.how.tU = top[0], record.how.tV = top[1];
        record.how.U = top[0], record.how.V = top[1];
        record.how.heightFromSegment = record.zMeasured = true;
        break;
      default:
        record.how.U = top[0], record.how.V = top[1], record.how.Z = Z;
        record.copiedFrom[2] = record.xyHeightFrom = id - 1;
        break;
    }
    log.RecordPoint(id, record);
  }
  return log;
}

constexpr int kSmallest = 100, kLargest = 300;

void BM_SigmaOfEveryPoint(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const CMeasurementLog measured = ManyPoints(count);
  for (auto _ : state) {
    state.PauseTiming();
    const CMeasurementLog log = measured;  // nothing computed yet
    state.ResumeTiming();
    for (int id = 0; id < count; ++id) benchmark::DoNotOptimize(log.Sigma(id));
  }
}
BENCHMARK(BM_SigmaOfEveryPoint)->Arg(kSmallest)->Arg(kLargest)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every coordinate's covariance with every other's: (3 · count)² entries.
void BM_CovarianceOfEveryPair(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const CMeasurementLog measured = ManyPoints(count);
  for (auto _ : state) {
    state.PauseTiming();
    const CMeasurementLog log = measured;
    state.ResumeTiming();
    for (int a = 0; a < count; ++a)
      for (int b = 0; b < count; ++b) benchmark::DoNotOptimize(log.Covariance(a, b));
  }
}
BENCHMARK(BM_CovarianceOfEveryPair)->Arg(kSmallest)->Arg(kLargest)->Unit(benchmark::kMillisecond)->UseRealTime();

// The reference: each point's own propagation (the log's former way), spreads shared.
void BM_OwnPropagationOfEveryPoint(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const CMeasurementLog measured = ManyPoints(count);
  const std::array<CVanishingPointSpread, 3> spreads = {SpreadOfVanishingPoint(measured.Chain(), 0),
                                                        SpreadOfVanishingPoint(measured.Chain(), 1),
                                                        SpreadOfVanishingPoint(measured.Chain(), 2)};
  for (auto _ : state)
    for (int id = 0; id < count; ++id)
      benchmark::DoNotOptimize(PropagatePointUncertainty(measured.Chain(), spreads, measured.FindRecord(id)->how));
}
BENCHMARK(BM_OwnPropagationOfEveryPoint)->Arg(kSmallest)->Arg(kLargest)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
