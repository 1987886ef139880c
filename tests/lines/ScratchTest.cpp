#include "LineScenes.h"
#include "lines/SceneDirections.h"
#include "lines/ResidualTrimming.h"
#include "image/Bmp.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <chrono>

TEST(Scratch, Run) { int W = atoi(getenv("W")), H = W * 3 / 4;
  for (int which = 0; which < 3; ++which) {
    CRenderedScene scene = which == 0 ? ThreeBoxes(W, H) : which == 1 ? LevelFacade(W, H) : LoneWall(W, H);
    auto t0 = std::chrono::steady_clock::now();
    CPixelImage image = scene.Render({1.0, atof(getenv("NOISE")), 90, (unsigned)atoi(getenv("SEED"))});
    auto t1 = std::chrono::steady_clock::now();
    char name[64]; std::snprintf(name, sizeof name, "/tmp/lines-scene%d.ppm", which);
    FILE* f = std::fopen(name, "wb"); std::fprintf(f, "P6 %d %d 255\n", image.width, image.height);
    for (int y = image.height - 1; y >= 0; --y) std::fwrite(image.pixels.get() + (size_t)y * image.width * 3, 1, image.width * 3, f);
    std::fclose(f);
    CSceneDirections found = FindSceneDirections({image.pixels.get(), image.width, image.height}, std::nullopt);
    auto t2 = std::chrono::steady_clock::now();
    int refined = 0; for (auto& s : found.detection.segments) refined += s.refined;
    std::printf("scene %d render %.2f s find %.3f s: %zu segments, %d refined\n", which,
      std::chrono::duration<double>(t1 - t0).count(), std::chrono::duration<double>(t2 - t1).count(), found.detection.segments.size(), refined);
    for (int d = 0; d < 3; ++d) {
      const auto& g = found.grouping.directions[d];
      std::printf("  dir %d found %d count %d rms %.3f msg %s\n", d, g.found, g.Count(), g.rmsResidualDegrees, g.message.c_str());
      if (g.found) {
        int axis = d == 2 ? 2 : (scene.RayAngleDegrees(g.vanishingPoint, scene.VanishingPoint(0)) < 10 ? 0 : 1);
        auto v = scene.VanishingPoint(axis);
        for (int k : g.segments) {
          auto seg = found.detection.segments[k];
          CImageSegment c{seg.segment.x1 - image.width / 2.0, seg.segment.y1 - image.height / 2.0, seg.segment.x2 - image.width / 2.0, seg.segment.y2 - image.height / 2.0};
          double r = ResidualAngleDegrees(c, v);
          double w = std::pow(seg.segment.Length(), 3) / std::pow(std::max(0.02, seg.refined ? seg.rmsPixels : 1.0), 2);
          // signed residual
          double ddx = c.x2 - c.x1, ddy = c.y2 - c.y1; double mx = (c.x1 + c.x2) / 2, my = (c.y1 + c.y2) / 2;
          double tx = v[0] - mx * v[2], ty = v[1] - my * v[2]; if (ddx * tx + ddy * ty < 0) { ddx = -ddx; ddy = -ddy; }
          double sr = std::atan2(ddx * ty - ddy * tx, ddx * tx + ddy * ty) * 57.2958;
          if (getenv("ALLSEG")) std::printf("      W seg %d L %.1f rms %.3f w %.3g signed %.3f\n", k, seg.segment.Length(), seg.rmsPixels, w, sr);
          if (seg.segment.Length() > 40 || r > 1) std::printf("      seg %d (%.1f,%.1f)-(%.1f,%.1f) L %.1f refined %d rms %.2f true residual %.3f\n", k, seg.segment.x1, seg.segment.y1, seg.segment.x2, seg.segment.y2, seg.segment.Length(), seg.refined, seg.rmsPixels, r);
        }
      }
      if (g.found) for (int axis = 0; axis < 3; ++axis) std::printf("    vs axis %d: %.4f deg\n", axis, scene.RayAngleDegrees(g.vanishingPoint, scene.VanishingPoint(axis)));
    }
  }
}
#include "lines/EdgeSnapping.h"
TEST(Scratch, Snap) {
  CRenderedScene scene = ThreeBoxes(640, 480);
  struct E { double a[3], b[3]; const char* name; };
  const E edges[] = {{{4, -1, 0.5}, {4, -1, 3.5}, "B front vertical"},
                     {{4, -1, 4}, {6, -1, 4}, "B top front X"},
                     {{4, -1, 4}, {4, 1.5, 4}, "B top left Y"},
                     {{0, 0, 2.5}, {3, 0, 2.5}, "A top front X"},
                     {{0, 0, 0.3}, {0, 0, 2.2}, "A front vertical"},
                     {{0.2, 0, 0}, {2.8, 0, 0}, "A bottom X"}};
  const CRenderSettings settings[] = {{0, 0, 0, 1}, {1.0, 0, 0, 1}, {1.0, 2, 0, 1}, {1.0, 2, 90, 1}, {1.5, 2, 85, 1}};
  for (const auto& st : settings) {
    CPixelImage image = scene.Render(st);
    for (const E& e : edges) {
      auto p = scene.Pixel(e.a[0], e.a[1], e.a[2]), q = scene.Pixel(e.b[0], e.b[1], e.b[2]);
      double dx = q[0] - p[0], dy = q[1] - p[1], L = std::hypot(dx, dy);
      double nx = -dy / L, ny = dx / L;
      // shorten to middle 80 %
      CImageSegment truth{p[0] + 0.1 * dx, p[1] + 0.1 * dy, q[0] - 0.1 * dx, q[1] - 0.1 * dy};
      for (double off : {-0.8, 0.0, 0.8}) {
        CImageSegment hand{truth.x1 + off * nx, truth.y1 + off * ny, truth.x2 + off * nx, truth.y2 + off * ny};
        CSnapResult r = SnapToEdge({image.pixels.get(), image.width, image.height}, hand);
        double d1 = (r.segment.x1 - truth.x1) * nx + (r.segment.y1 - truth.y1) * ny;
        double d2 = (r.segment.x2 - truth.x2) * nx + (r.segment.y2 - truth.y2) * ny;
        std::printf("blur %.1f noise %.0f q %d %-18s off %+.1f snapped %d rms %.3f sup %.2f d1 %+.3f d2 %+.3f %s\n", st.blurSigma, st.noiseSigma, st.jpegQuality, e.name, off, r.snapped, r.rmsPixels, r.support, d1, d2, r.message.c_str());
      }
    }
  }
}
TEST(Scratch, Where) {
  CRenderedScene scene = ThreeBoxes(640, 480);
  for (auto p : {scene.Pixel(4,-1,4), scene.Pixel(6,-1,4), scene.Pixel(6,1.5,4), scene.Pixel(6,-1,0), scene.Pixel(4,1.5,4)}) std::printf("%.1f %.1f\n", p[0], p[1]);
}
TEST(Scratch, Window) {
  CRenderedScene scene = LevelFacade(640, 480);
  const CRenderSettings settings[] = {{0, 0, 0, 1}, {1.0, 0, 0, 1}, {1.0, 2, 0, 1}, {1.0, 0, 90, 1}};
  for (const auto& st : settings) {
    CPixelImage image = scene.Render(st);
    for (int k : {1, 4, 6}) for (int r : {0, 2}) for (int side : {0, 1}) {
      double x = (k + (side ? 0.75 : 0.25)) * 1.5;
      auto p = scene.Pixel(x, 0, (r + 0.3) * 1.5), q = scene.Pixel(x, 0, (r + 0.7) * 1.5);
      double dx = q[0] - p[0], dy = q[1] - p[1], L = std::hypot(dx, dy);
      double nx = -dy / L, ny = dx / L;
      CImageSegment truth{p[0], p[1], q[0], q[1]};
      CSnapResult res = SnapToEdge({image.pixels.get(), image.width, image.height}, truth);
      double d1 = (res.segment.x1 - truth.x1) * nx + (res.segment.y1 - truth.y1) * ny;
      double d2 = (res.segment.x2 - truth.x2) * nx + (res.segment.y2 - truth.y2) * ny;
      std::printf("blur %.1f noise %.0f q %d k %d r %d side %d L %.1f x %.2f snapped %d rms %.3f d1 %+.3f d2 %+.3f angle %.3f\n", st.blurSigma, st.noiseSigma, st.jpegQuality, k, r, side, L, p[0], res.snapped, res.rmsPixels, d1, d2, (d2 - d1) / L * 57.3);
    }
  }
}
TEST(Scratch, Labels) {
  CRenderedScene scene = ThreeBoxes(640, 480);
  CPixelImage image = scene.Render({1.0, 2.0, 90, 7});
  CSceneDirections found = FindSceneDirections({image.pixels.get(), image.width, image.height}, std::nullopt);
  for (size_t k = 0; k < found.detection.segments.size(); ++k) {
    auto seg = found.detection.segments[k];
    if (seg.segment.Length() < 60) continue;
    CImageSegment c{seg.segment.x1 - image.width / 2.0, seg.segment.y1 - image.height / 2.0, seg.segment.x2 - image.width / 2.0, seg.segment.y2 - image.height / 2.0};
    std::printf("seg %zu (%.1f,%.1f)-(%.1f,%.1f) L %.1f label %d  res X %.3f Y %.3f Z %.3f  est %.3f\n", k, seg.segment.x1, seg.segment.y1, seg.segment.x2, seg.segment.y2, seg.segment.Length(), found.grouping.labels[k],
      ResidualAngleDegrees(c, scene.VanishingPoint(0)), ResidualAngleDegrees(c, scene.VanishingPoint(1)), ResidualAngleDegrees(c, scene.VanishingPoint(2)), ResidualAngleDegrees(c, found.grouping.directions[2].vanishingPoint));
  }
  auto v = scene.VanishingPoint(2); auto e = found.grouping.directions[2].vanishingPoint;
  std::printf("true Z %.1f %.1f   est %.1f %.1f\n", v[0]/v[2], v[1]/v[2], e[0]/e[2], e[1]/e[2]);
}
