#include "lines/EdgeSnapping.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <random>
#include <utility>
#include <vector>

namespace {

// Rows or columns: `along` is the scanned coordinate (y for steep segments), `across` the other.
struct CScanFrame {
  const CPixelView& photograph;
  bool steep;

  int AlongCount() const { return steep ? photograph.height : photograph.width; }
  int AcrossCount() const { return steep ? photograph.width : photograph.height; }
  double Grey(int along, int across) const {
    const int x = steep ? across : along, y = steep ? along : across;
    const unsigned char* p = photograph.pixels + (static_cast<size_t>(y) * photograph.width + x) * 3;
    return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
  }
};

struct CEdgePoint {
  double along, across, strength;
  double sign;  // of the brightness derivative
  int scan;
};

// Offset of the top of a peak from its middle sample, by a Gaussian through the three samples
// (a parabola through their logarithms), which is exact for the blurred edges of photographs.
double PeakOffset(double left, double middle, double right) {
  if (left > 0 && middle > 0 && right > 0) {
    const double l = std::log(left), m = std::log(middle), r = std::log(right);
    const double curvature = l - 2 * m + r;
    if (curvature < 0) return std::clamp(0.5 * (l - r) / curvature, -0.5, 0.5);
  }
  const double curvature = left - 2 * middle + right;
  return curvature < 0 ? std::clamp(0.5 * (left - right) / curvature, -0.5, 0.5) : 0.0;
}

struct CLineFit {
  double along = 0, across = 0;          // a point of the line
  double directionAlong = 1, directionAcross = 0;  // unit direction
  double Distance(const CEdgePoint& p) const {
    return (p.across - across) * directionAlong - (p.along - along) * directionAcross;
  }
};

CLineFit FitLine(const std::vector<CEdgePoint>& points) {
  CLineFit fit;
  for (const CEdgePoint& p : points) {
    fit.along += p.along;
    fit.across += p.across;
  }
  fit.along /= points.size();
  fit.across /= points.size();
  double saa = 0, sac = 0, scc = 0;
  for (const CEdgePoint& p : points) {
    const double a = p.along - fit.along, c = p.across - fit.across;
    saa += a * a;
    sac += a * c;
    scc += c * c;
  }
  const double angle = 0.5 * std::atan2(2 * sac, saa - scc);
  fit.directionAlong = std::cos(angle);
  fit.directionAcross = std::sin(angle);
  return fit;
}

constexpr double kRobustDeviations = 3;    // points further than this many robust deviations are dropped
constexpr double kSmallestCutPixels = 0.25;  // ... but never points this close to the line
constexpr double kBandPixels = 0.5;          // a peak this close to a candidate line supports it
constexpr int kHypotheses = 64;              // candidate lines tried
constexpr unsigned kHypothesisSeed = 20261;  // the same segment always snaps the same way

}  // namespace

CSnapResult SnapToEdge(const CPixelView& photograph, const CImageSegment& segment, const CSnapOptions& options) {
  CSnapResult result;
  result.segment = segment;
  if (!std::isfinite(segment.x1) || !std::isfinite(segment.y1) || !std::isfinite(segment.x2) ||
      !std::isfinite(segment.y2) || !photograph.pixels || photograph.width < 5 || photograph.height < 5) {
    result.message = "The segment cannot be snapped to an edge.";
    return result;
  }
  const double length = segment.Length();
  const bool steep = std::fabs(segment.y2 - segment.y1) >= std::fabs(segment.x2 - segment.x1);
  const CScanFrame frame{photograph, steep};
  double along1 = steep ? segment.y1 : segment.x1, across1 = steep ? segment.x1 : segment.y1;
  double along2 = steep ? segment.y2 : segment.x2, across2 = steep ? segment.x2 : segment.y2;
  if (along2 < along1) {
    std::swap(along1, along2);
    std::swap(across1, across2);
  }
  const double alongSpan = along2 - along1;
  const double trim = std::max(options.endTrimPixels, options.endTrimFraction * length);
  const double trimAlong = length > 0 ? trim * alongSpan / length : 0;
  // Clamped as doubles first, so that no position far outside the photograph overflows an int.
  const auto clampedInt = [](double value, int low, int high) {
    return static_cast<int>(std::clamp(value, static_cast<double>(low), static_cast<double>(high)));
  };
  const int first = clampedInt(std::ceil(along1 + trimAlong), 0, frame.AlongCount());
  const int last = clampedInt(std::floor(along2 - trimAlong), -1, frame.AlongCount() - 1);
  if (last - first < 2) {
    result.message = "The segment is too short to snap to an edge.";
    return result;
  }
  const int maximumScans = std::max(3, options.maximumScans);
  const int step = std::max(1, (last - first + maximumScans) / maximumScans);
  const double slope = (across2 - across1) / alongSpan;
  const double radius = options.searchRadiusPixels;

  // Every peak of the derivative on every scan, rising (+1) or falling (−1) brightness.
  std::vector<CEdgePoint> candidates;
  std::vector<double> derivative;
  int scans = 0;
  for (int along = first; along <= last; along += step, ++scans) {
    const double predicted = across1 + slope * (along - along1);
    const int low = clampedInt(std::ceil(predicted - radius), 2, frame.AcrossCount());
    const int high = clampedInt(std::floor(predicted + radius), 0, frame.AcrossCount() - 3);
    if (low > high) continue;
    // derivative[k] belongs to across = low − 1 + k.
    derivative.assign(high - low + 3, 0);
    for (int k = 0; k < static_cast<int>(derivative.size()); ++k) {
      const int across = low - 1 + k;
      derivative[k] = 0.5 * (frame.Grey(along, across + 1) - frame.Grey(along, across - 1));
    }
    for (int k = 1; k + 1 < static_cast<int>(derivative.size()); ++k) {
      const double sign = derivative[k] >= 0 ? 1 : -1;
      const double left = sign * derivative[k - 1], middle = sign * derivative[k], right = sign * derivative[k + 1];
      if (middle < options.minimumContrast || middle < left || middle < right) continue;
      candidates.push_back({static_cast<double>(along), low - 1 + k + PeakOffset(left, middle, right), middle, sign, scans});
    }
  }
  result.scans = scans;
  if (candidates.size() < 3) {
    result.message = "No edge lies along the segment.";
    return result;
  }

  // The straight edge with peaks on the most scans: lines through pairs of peaks of the same
  // sign, one from each half of the segment, counted by the scans with a peak of that sign
  // within kBandPixels; the first of equal counts by their strength.
  const auto supportOf = [&](const CLineFit& line, double sign, double band, std::vector<CEdgePoint>* members) {
    int count = 0, lastScan = -1;
    double strength = 0, nearest = band;
    const CEdgePoint* chosen = nullptr;
    const auto close = [&] {
      if (!chosen) return;
      ++count;
      strength += chosen->strength;
      if (members) members->push_back(*chosen);
      chosen = nullptr;
      nearest = band;
    };
    for (const CEdgePoint& p : candidates) {  // in scan order
      if (p.scan != lastScan) {
        close();
        lastScan = p.scan;
      }
      if (p.sign != sign) continue;
      const double distance = std::fabs(line.Distance(p));
      if (distance <= nearest) {
        nearest = distance;
        chosen = &p;
      }
    }
    close();
    return std::pair<int, double>(count, strength);
  };
  const int middleScan = scans / 2;
  std::vector<size_t> firstHalf, secondHalf;
  for (size_t k = 0; k < candidates.size(); ++k) (candidates[k].scan < middleScan ? firstHalf : secondHalf).push_back(k);
  if (firstHalf.empty() || secondHalf.empty()) {
    result.message = "No edge lies along the segment.";
    return result;
  }
  std::minstd_rand random(kHypothesisSeed);
  CLineFit best;
  double bestSign = 1;
  std::pair<int, double> bestSupport = {-1, 0};
  for (int h = 0; h < kHypotheses; ++h) {
    const CEdgePoint& a = candidates[firstHalf[random() % firstHalf.size()]];
    const CEdgePoint& b = candidates[secondHalf[random() % secondHalf.size()]];
    if (a.sign != b.sign) continue;
    const std::vector<CEdgePoint> pair = {a, b};
    const CLineFit line = FitLine(pair);
    const std::pair<int, double> support = supportOf(line, a.sign, kBandPixels, nullptr);
    if (support > bestSupport) {
      bestSupport = support;
      best = line;
      bestSign = a.sign;
    }
  }
  if (bestSupport.first < 3) {
    result.message = "No straight edge lies along the segment.";
    return result;
  }

  CLineFit fit = best;
  std::vector<CEdgePoint> kept;
  supportOf(fit, bestSign, kBandPixels, &kept);
  fit = FitLine(kept);
  for (int round = 0; round < 2; ++round) {
    std::vector<double> distances;
    for (const CEdgePoint& p : kept) distances.push_back(std::fabs(fit.Distance(p)));
    std::nth_element(distances.begin(), distances.begin() + distances.size() / 2, distances.end());
    const double deviation = 1.4826 * distances[distances.size() / 2];
    const double cut = std::max(kRobustDeviations * deviation, kSmallestCutPixels);
    std::vector<CEdgePoint> inside;
    supportOf(fit, bestSign, cut, &inside);
    if (inside.size() < 3) break;
    kept = std::move(inside);
    fit = FitLine(kept);
  }

  double squares = 0, strength = 0;
  for (const CEdgePoint& p : kept) {
    const double distance = fit.Distance(p);
    squares += distance * distance;
    strength += p.strength;
  }
  result.rmsPixels = std::sqrt(squares / kept.size());
  result.support = static_cast<double>(kept.size()) / result.scans;
  strength /= kept.size();

  char text[160];
  if (strength < options.minimumContrast) {
    result.message = "The edge along the segment is too faint to snap to.";
  } else if (result.support < options.minimumSupport) {
    std::snprintf(text, sizeof text, "Only %.0f %% of the segment follows a straight edge.", 100 * result.support);
    result.message = text;
  } else if (result.rmsPixels > options.maximumRmsPixels) {
    std::snprintf(text, sizeof text, "The edge is not straight enough to snap to (RMS %.2f pixels).", result.rmsPixels);
    result.message = text;
  } else {
    result.snapped = true;
    const auto project = [&](double x, double y, double& outX, double& outY) {
      const double along = steep ? y : x, across = steep ? x : y;
      const double t = (along - fit.along) * fit.directionAlong + (across - fit.across) * fit.directionAcross;
      const double onAlong = fit.along + t * fit.directionAlong, onAcross = fit.across + t * fit.directionAcross;
      outX = steep ? onAcross : onAlong;
      outY = steep ? onAlong : onAcross;
    };
    project(segment.x1, segment.y1, result.segment.x1, result.segment.y1);
    project(segment.x2, segment.y2, result.segment.x2, result.segment.y2);
  }
  return result;
}
