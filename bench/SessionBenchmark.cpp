// How long a full replay of a session takes: the sample job with its points repeated until the
// job measures a few hundred, as after an undo or an edit of an early action. Then the σ of
// every point, as the table shows them after a replay; and the camera with the σ of its figures,
// as the camera panel shows it after every change. And one step of a drag: a segment end moved
// and the edited list replayed as the view's preview, the core of every frame while dragging.

#include "model/SingleImage.h"
#include "services/Services.h"
#include "session/CameraUncertainty.h"
#include "session/Project.h"
#include "session/Replay.h"
#include "session/Session.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>

namespace {

CActionList SampleWithPoints(int pointCount) {
  std::ifstream in(PELORIN_EXAMPLES_DIR "/sample-job.json");
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  CProject job;
  std::string error;
  if (!ReadProject(text, PELORIN_EXAMPLES_DIR, job, error)) std::abort();
  CActionList actions, points;
  for (const CAction& action : job.actions) {
    auto shared = std::make_shared<const CAction>(action);
    if (std::holds_alternative<CPointAction>(action)) points.push_back(shared);
    else if (!std::holds_alternative<CFaceAction>(action)) actions.push_back(shared);
  }
  for (int i = 0; i < pointCount; ++i) actions.push_back(points[i % points.size()]);
  return actions;
}

void BM_ReplayAfterAnEdit(benchmark::State& state) {
  const CActionList actions = SampleWithPoints(static_cast<int>(state.range(0)));
  CQuietServices quiet;
  CScopedServices installed(quiet);
  CSingleImage model(1024, 768);
  CReplayed replayed;
  for (auto _ : state) {
    if (Replay(actions, model, replayed)) std::abort();
    benchmark::DoNotOptimize(model.m_Points.GetCount());
  }
  state.counters["points"] = static_cast<double>(model.m_Points.GetCount());
}
BENCHMARK(BM_ReplayAfterAnEdit)->Arg(30)->Arg(300)->Unit(benchmark::kMillisecond);

void BM_ReplayAndEverySigma(benchmark::State& state) {
  const CActionList actions = SampleWithPoints(static_cast<int>(state.range(0)));
  CQuietServices quiet;
  CScopedServices installed(quiet);
  CSingleImage model(1024, 768);
  CReplayed replayed;
  for (auto _ : state) {
    if (Replay(actions, model, replayed)) std::abort();
    for (int i = 0; i < model.m_Points.GetCount(); ++i)
      benchmark::DoNotOptimize(replayed.log.Sigma(model.m_Points.ElementAt(i)->m_id));
  }
}
BENCHMARK(BM_ReplayAndEverySigma)->Arg(30)->Arg(300)->Unit(benchmark::kMillisecond);

void BM_CameraAndItsSigma(benchmark::State& state) {
  const CActionList actions = SampleWithPoints(static_cast<int>(state.range(0)));
  CQuietServices quiet;
  CScopedServices installed(quiet);
  for (auto _ : state) {
    const CCameraWithUncertainty camera = CalibrateWithUncertainty(actions, 1024, 768, kImagePositionSigma);
    if (!camera.uncertainty.IsValid()) std::abort();
    benchmark::DoNotOptimize(camera.uncertainty.sigma.focalPixels);
  }
}
BENCHMARK(BM_CameraAndItsSigma)->Arg(30)->Arg(300)->Unit(benchmark::kMillisecond);

void BM_DragStep(benchmark::State& state) {
  CQuietServices quiet;
  CScopedServices installed(quiet);
  CSession session;
  if (!session.Open(std::make_shared<CSingleImage>(1024, 768), {"/sample.bmp", 1024, 768, ""},
                    SampleWithPoints(static_cast<int>(state.range(0))))
           .empty())
    std::abort();
  const CHandle end = ListHandles(session.Actions())[3];  // X segment 2, end 2
  int step = 0;
  for (auto _ : state) {
    const std::optional<CActionList> moved =
        session.MovedHandle(end, {end.position[0] + (++step % 10), end.position[1]});
    if (!moved || !session.Preview(*moved).empty()) std::abort();
    benchmark::DoNotOptimize(session.Model()->m_Vx[0]);
  }
}
BENCHMARK(BM_DragStep)->Arg(8)->Arg(500)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
