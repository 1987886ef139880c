#include "lines/DirectionGrouping.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>

#include <opencv2/core.hpp>

namespace {

constexpr double kDegree = std::numbers::pi / 180;
constexpr int kMostGroups = 5;        // groups searched for: three directions and two spares
constexpr int kSmallestGroup = 3;     // any two segments agree on their crossing: a group needs a third
constexpr int kMostAttempts = 200;    // hypotheses tried as groups
constexpr int kRefineRounds = 4;       // inlier selection and least squares, alternated
constexpr double kSmallestLever = 1e-9;  // a hypothesis this close to a midpoint explains nothing

// One segment in units of `scale` about the image centre.
struct CPreparedSegment {
  double line[3];        // through the midpoint along the unit direction: (−dy, dx, dy·mx − dx·my)
  double mx, my;         // midpoint
  double length;         // pixels
  double sinTolerance;   // sin τ
  double weight;         // in the least squares: length³ / σ²
  double x1, y1, x2, y2; // end points
  double sigma;          // pixels
};

struct CFrame {
  double centreX, centreY, scale;
};

CFrame FrameOf(int width, int height) {
  return {width / 2.0, height / 2.0, std::max(std::hypot(width, height) / 2, 1.0)};
}

std::vector<CPreparedSegment> Prepare(const std::vector<CImageSegment>& segments, const CFrame& frame,
                                      const CGroupingOptions& options, const std::vector<double>& edgeSigmaPixels) {
  constexpr double kSmallestSigma = 0.05;  // pixels; a smaller RMS of a short fit is luck
  std::vector<CPreparedSegment> prepared;
  prepared.reserve(segments.size());
  for (size_t k = 0; k < segments.size(); ++k) {
    CImageSegment s = segments[k];
    CPreparedSegment p{};
    // A segment with a position that is not a number takes part as a point without length.
    if (!std::isfinite(s.x1) || !std::isfinite(s.y1) || !std::isfinite(s.x2) || !std::isfinite(s.y2))
      s = {frame.centreX, frame.centreY, frame.centreX, frame.centreY};
    p.length = s.Length();
    const double dx = p.length > 0 ? (s.x2 - s.x1) / p.length : 1, dy = p.length > 0 ? (s.y2 - s.y1) / p.length : 0;
    p.mx = (0.5 * (s.x1 + s.x2) - frame.centreX) / frame.scale;
    p.my = (0.5 * (s.y1 + s.y2) - frame.centreY) / frame.scale;
    p.x1 = (s.x1 - frame.centreX) / frame.scale;
    p.y1 = (s.y1 - frame.centreY) / frame.scale;
    p.x2 = (s.x2 - frame.centreX) / frame.scale;
    p.y2 = (s.y2 - frame.centreY) / frame.scale;
    p.line[0] = -dy;
    p.line[1] = dx;
    p.line[2] = dy * p.mx - dx * p.my;
    const double tolerance =
        options.inlierDegrees * kDegree + std::atan(2 * options.endPointPixels / std::max(p.length, 1e-9));
    // A segment without length has no direction and agrees with nothing.
    p.sinTolerance = p.length > 0 ? std::sin(std::min(tolerance, std::numbers::pi / 2)) : 0;
    const double sigma = std::max(k < edgeSigmaPixels.size() ? edgeSigmaPixels[k] : 1.0, kSmallestSigma);
    p.weight = p.length * p.length * p.length / (sigma * sigma);
    p.sigma = sigma;
    prepared.push_back(p);
  }
  return prepared;
}

// sin θ of a segment about a (unit) hypothesis.
double SinResidual(const CPreparedSegment& s, const std::array<double, 3>& v) {
  const double tx = v[0] - s.mx * v[2], ty = v[1] - s.my * v[2];
  const double lever = std::hypot(tx, ty);
  if (lever < kSmallestLever) return 1;
  return std::min(1.0, std::fabs(s.line[0] * v[0] + s.line[1] * v[1] + s.line[2] * v[2]) / lever);
}

double Contribution(const CPreparedSegment& s, const std::array<double, 3>& v) {
  if (s.sinTolerance <= 0) return 0;
  const double ratio = SinResidual(s, v) / s.sinTolerance;
  return ratio < 1 ? s.length * (1 - ratio * ratio) : 0;
}

std::array<double, 3> Normalised(const std::array<double, 3>& v) {
  const double norm = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  return {v[0] / norm, v[1] / norm, v[2] / norm};
}

// Minimises Σ weight·sin²θ by reweighted least squares of the algebraic residuals l·v.
std::array<double, 3> LeastSquaresPoint(const std::vector<CPreparedSegment>& all, const std::vector<int>& members,
                                        std::array<double, 3> v) {
  constexpr int kReweightings = 5;
  for (int round = 0; round < kReweightings; ++round) {
    cv::Matx33d scatter = cv::Matx33d::zeros();
    for (int k : members) {
      const CPreparedSegment& s = all[k];
      const double tx = v[0] - s.mx * v[2], ty = v[1] - s.my * v[2];
      const double weight = s.weight / std::max(tx * tx + ty * ty, kSmallestLever);
      for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) scatter(i, j) += weight * s.line[i] * s.line[j];
    }
    cv::Vec3d values;
    cv::Matx33d vectors;
    cv::eigen(scatter, values, vectors);
    v = Normalised({vectors(2, 0), vectors(2, 1), vectors(2, 2)});
  }
  return v;
}

struct CGroup {
  std::array<double, 3> point;
  std::vector<int> members;
  double support = 0;
};

// The free segments that agree with v: θ below τ.
std::vector<int> Consistent(const std::vector<CPreparedSegment>& all, const std::vector<bool>& free,
                            const std::array<double, 3>& v) {
  std::vector<int> members;
  for (size_t k = 0; k < all.size(); ++k)
    if (free[k] && SinResidual(all[k], v) < all[k].sinTolerance) members.push_back(static_cast<int>(k));
  return members;
}

double Support(const std::vector<CPreparedSegment>& all, const std::vector<int>& members, const std::array<double, 3>& v) {
  double support = 0;
  for (int k : members) support += Contribution(all[k], v);
  return support;
}

// Pieces of one straight line (the sides of windows stacked in a column, a corner broken by a
// band) measured together: their end points fitted with one line, whose angle the long span
// between the pieces fixes far better than any piece alone. Each such line enters the least
// squares once, weighted as a line of Σ length edge points spread over its span.
struct CMergedLines {
  std::vector<CPreparedSegment> lines;
  // Per line of two or more pieces: the pieces, and the line's span from end to end (frame units).
  std::vector<std::vector<int>> pieces;
  std::vector<std::array<double, 4>> spans;
};

CMergedLines MergeCollinear(const std::vector<CPreparedSegment>& all, std::vector<int> members, double scale) {
  constexpr double kAcrossPixels = 0.75;      // a piece this close to the line belongs to it
  constexpr double kAcrossPerPixel = 0.001;   // ... and this much more per pixel along it
  constexpr double kLongestGap = 2;           // pieces of the line, relative to the piece's length
  constexpr double kJoinedPixels = 0.25;      // every end point this close to the joint line
  constexpr double kLongestOverlapPixels = 2;  // pieces overlap at most this much along the line
  std::sort(members.begin(), members.end(), [&](int a, int b) { return all[a].length > all[b].length; });
  std::vector<bool> taken(all.size(), false);
  CMergedLines result;
  std::vector<CPreparedSegment>& merged = result.lines;
  for (int seed : members) {
    if (taken[seed]) continue;
    const CPreparedSegment& first = all[seed];
    double cx = 0.5 * (first.x1 + first.x2), cy = 0.5 * (first.y1 + first.y2);
    double dx = first.line[1], dy = -first.line[0];
    std::vector<int> pieces;
    for (int round = 0; round < 2; ++round) {
      // Grown from the seed by neighbours along the line: a piece joins when both its ends lie
      // close to the line and the gap to the pieces taken is at most twice its own length.
      pieces = {seed};
      const auto alongOf = [&](double x, double y) { return ((x - cx) * dx + (y - cy) * dy) * scale; };
      double low = std::min(alongOf(first.x1, first.y1), alongOf(first.x2, first.y2));
      double high = std::max(alongOf(first.x1, first.y1), alongOf(first.x2, first.y2));
      std::vector<bool> inCluster(all.size(), false);
      inCluster[seed] = true;
      for (bool grown = true; grown;) {
        grown = false;
        for (int k : members) {
          if (inCluster[k] || taken[k]) continue;
          const CPreparedSegment& s = all[k];
          const double a1 = alongOf(s.x1, s.y1), a2 = alongOf(s.x2, s.y2);
          // Pieces of one line follow each other; segments side by side are two lines.
          const double gap = std::max(low - std::max(a1, a2), std::min(a1, a2) - high);
          if (gap > kLongestGap * s.length || gap < -kLongestOverlapPixels) continue;
          bool close = true;
          for (const auto& [x, y] : {std::pair{s.x1, s.y1}, std::pair{s.x2, s.y2}}) {
            const double across = std::fabs((y - cy) * dx - (x - cx) * dy) * scale;
            close = close && across <= kAcrossPixels + kAcrossPerPixel * std::fabs(alongOf(x, y));
          }
          if (!close) continue;
          pieces.push_back(k);
          inCluster[k] = true;
          low = std::min({low, a1, a2});
          high = std::max({high, a1, a2});
          grown = true;
        }
      }
      // The line through every end point, each weighted by its piece's length.
      double total = 0, sx = 0, sy = 0;
      for (int k : pieces) {
        const CPreparedSegment& s = all[k];
        total += 2 * s.length;
        sx += s.length * (s.x1 + s.x2);
        sy += s.length * (s.y1 + s.y2);
      }
      cx = sx / total;
      cy = sy / total;
      double sxx = 0, sxy = 0, syy = 0;
      for (int k : pieces) {
        const CPreparedSegment& s = all[k];
        for (const auto& [x, y] : {std::pair{s.x1, s.y1}, std::pair{s.x2, s.y2}}) {
          sxx += s.length * (x - cx) * (x - cx);
          sxy += s.length * (x - cx) * (y - cy);
          syy += s.length * (y - cy) * (y - cy);
        }
      }
      const double angle = 0.5 * std::atan2(2 * sxy, sxx - syy);
      dx = std::cos(angle);
      dy = std::sin(angle);
    }
    double low = 0, high = 0, points = 0, sigmaSquares = 0;
    for (int k : pieces) {
      taken[k] = true;
      const CPreparedSegment& s = all[k];
      for (const auto& [x, y] : {std::pair{s.x1, s.y1}, std::pair{s.x2, s.y2}}) {
        const double along = ((x - cx) * dx + (y - cy) * dy) * scale;
        low = std::min(low, along);
        high = std::max(high, along);
      }
      points += s.length;
      sigmaSquares += s.length * s.sigma * s.sigma;
    }
    // Pieces that do not lie on the joint line within kJoinedPixels are separate lines after all.
    bool joined = true;
    for (int k : pieces) {
      const CPreparedSegment& s = all[k];
      for (const auto& [x, y] : {std::pair{s.x1, s.y1}, std::pair{s.x2, s.y2}})
        joined = joined && std::fabs((y - cy) * dx - (x - cx) * dy) * scale <= kJoinedPixels;
    }
    if (!joined) {
      for (int k : pieces) {
        taken[k] = true;
        merged.push_back(all[k]);
      }
      continue;
    }
    CPreparedSegment line = first;
    if (pieces.size() > 1) {
      line.mx = cx;
      line.my = cy;
      line.line[0] = -dy;
      line.line[1] = dx;
      line.line[2] = dy * cx - dx * cy;
      line.length = high - low;
      line.weight = points * line.length * line.length / (sigmaSquares / points);
      std::sort(pieces.begin(), pieces.end());
      result.pieces.push_back(pieces);
      result.spans.push_back({cx + low / scale * dx, cy + low / scale * dy, cx + high / scale * dx, cy + high / scale * dy});
    }
    merged.push_back(line);
  }
  return result;
}

std::array<double, 3> PixelPoint(const std::array<double, 3>& v, const CFrame& frame) {
  return Normalised({v[0] * frame.scale, v[1] * frame.scale, v[2]});
}

}  // namespace

std::array<double, 3> FitVanishingPoint(const std::vector<CImageSegment>& segments, int width, int height,
                                        const std::array<double, 3>& guess, const std::vector<double>& edgeSigmaPixels) {
  const CFrame frame = FrameOf(width, height);
  const std::vector<CPreparedSegment> prepared = Prepare(segments, frame, CGroupingOptions{}, edgeSigmaPixels);
  std::vector<int> members(prepared.size());
  for (size_t k = 0; k < members.size(); ++k) members[k] = static_cast<int>(k);
  const bool noGuess = guess[0] == 0 && guess[1] == 0 && guess[2] == 0;
  const std::array<double, 3> start =
      noGuess ? std::array<double, 3>{0, 1, 0} : Normalised({guess[0] / frame.scale, guess[1] / frame.scale, guess[2]});
  return PixelPoint(LeastSquaresPoint(prepared, members, start), frame);
}

CSegmentGrouping GroupSegments(const std::vector<CImageSegment>& segments, int width, int height,
                               const CGroupingOptions& options, const CProgressCallback& progress,
                               const std::vector<double>& edgeSigmaPixels) {
  CSegmentGrouping result;
  result.labels.assign(segments.size(), kOutlier);
  const auto carryOn = [&](double fraction) {
    if (progress && !progress(fraction)) result.cancelled = true;
    return !result.cancelled;
  };
  const CFrame frame = FrameOf(width, height);
  const std::vector<CPreparedSegment> all = Prepare(segments, frame, options, edgeSigmaPixels);
  const int count = static_cast<int>(all.size());

  // Hypotheses from pairs drawn with probability proportional to length.
  std::vector<std::array<double, 3>> hypotheses;
  std::vector<double> lengths;
  int withLength = 0;
  for (const CPreparedSegment& s : all) {
    lengths.push_back(s.length);
    if (s.length > 0) ++withLength;
  }
  if (withLength >= 2) {
    std::mt19937 random(options.seed);
    std::discrete_distribution<int> draw(lengths.begin(), lengths.end());
    for (int attempt = 0; attempt < 3 * options.hypotheses && static_cast<int>(hypotheses.size()) < options.hypotheses;
         ++attempt) {
      const int a = draw(random), b = draw(random);
      if (a == b) continue;
      const double* la = all[a].line;
      const double* lb = all[b].line;
      const std::array<double, 3> v = {la[1] * lb[2] - la[2] * lb[1], la[2] * lb[0] - la[0] * lb[2],
                                       la[0] * lb[1] - la[1] * lb[0]};
      // Nearly the same line: the crossing is anywhere along it.
      constexpr double kSmallestCrossing = 1e-6;
      if (std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]) < kSmallestCrossing) continue;
      hypotheses.push_back(Normalised(v));
    }
  }
  const int hypothesisCount = static_cast<int>(hypotheses.size());

  // Scores of every hypothesis over the free segments, kept up to date as segments are taken.
  std::vector<double> scores(hypothesisCount, 0);
  constexpr int kScoreBatch = 100;
  for (int start = 0; start < hypothesisCount; start += kScoreBatch) {
    const int end = std::min(hypothesisCount, start + kScoreBatch);
    for (int h = start; h < end; ++h)
      for (const CPreparedSegment& s : all) scores[h] += Contribution(s, hypotheses[h]);
    if (!carryOn(0.8 * end / hypothesisCount)) return result;
  }

  std::vector<bool> free(count, true);
  std::vector<CGroup> groups;
  for (int attempt = 0; attempt < kMostAttempts && static_cast<int>(groups.size()) < kMostGroups && hypothesisCount > 0;
       ++attempt) {
    const int best = static_cast<int>(std::max_element(scores.begin(), scores.end()) - scores.begin());
    if (scores[best] <= 0) break;
    CGroup group{hypotheses[best], {}, 0};
    for (int round = 0; round < kRefineRounds; ++round) {
      group.members = Consistent(all, free, group.point);
      if (group.members.size() < 2) break;
      group.point = LeastSquaresPoint(all, group.members, group.point);
    }
    group.members = Consistent(all, free, group.point);
    group.support = Support(all, group.members, group.point);
    if (static_cast<int>(group.members.size()) < kSmallestGroup) {
      scores[best] = 0;  // the hypothesis of a pair that nothing else agrees with; try the next
      continue;
    }
    for (int k : group.members) {
      free[k] = false;
      for (int h = 0; h < hypothesisCount; ++h) scores[h] -= Contribution(all[k], hypotheses[h]);
    }
    groups.push_back(std::move(group));
    if (!carryOn(0.8 + 0.2 * groups.size() / kMostGroups)) return result;
  }

  // A segment near the line through two vanishing points (the horizon, for the ground
  // directions) agrees with both; it belongs to the one it agrees with best, whichever group
  // took it first.
  for (int round = 0; round < 2 && groups.size() > 1; ++round) {
    for (CGroup& group : groups) group.members.clear();
    for (int k = 0; k < count; ++k) {
      if (all[k].sinTolerance <= 0) continue;
      int best = -1;
      double bestRatio = 1;
      for (size_t g = 0; g < groups.size(); ++g) {
        const double ratio = SinResidual(all[k], groups[g].point) / all[k].sinTolerance;
        if (ratio < bestRatio) {
          bestRatio = ratio;
          best = static_cast<int>(g);
        }
      }
      if (best >= 0) groups[best].members.push_back(k);
    }
    for (CGroup& group : groups) {
      if (group.members.size() >= 2) group.point = LeastSquaresPoint(all, group.members, group.point);
      group.support = Support(all, group.members, group.point);
    }
  }

  // The vertical: the vanishing point seen closest to the image's up or down from the centre,
  // among the groups large enough to be a direction, else among the others (to say how few).
  int vertical = -1;
  for (const bool largeEnough : {true, false}) {
    double leastLean = options.verticalToleranceDegrees * kDegree;
    for (size_t g = 0; g < groups.size(); ++g) {
      if ((static_cast<int>(groups[g].members.size()) >= options.minimumSegments) != largeEnough) continue;
      const double lean = std::atan2(std::fabs(groups[g].point[0]), std::fabs(groups[g].point[1]));
      if (lean <= leastLean) {
        leastLean = lean;
        vertical = static_cast<int>(g);
      }
    }
    if (vertical >= 0) break;
  }
  std::vector<int> ground;
  for (size_t g = 0; g < groups.size(); ++g)
    if (static_cast<int>(g) != vertical) ground.push_back(static_cast<int>(g));
  std::sort(ground.begin(), ground.end(), [&](int a, int b) { return groups[a].support > groups[b].support; });

  const auto report = [&](int slot, int g, const char* missing) {
    CDirectionGroup& direction = result.directions[slot];
    if (g < 0 || static_cast<int>(groups[g].members.size()) < options.minimumSegments) {
      char text[240];
      std::snprintf(text, sizeof text, "Too few segments run along %s: %d found, at least %d needed; mark its segments by hand.",
                    missing, g < 0 ? 0 : static_cast<int>(groups[g].members.size()), options.minimumSegments);
      direction.message = text;
      return;
    }
    direction.found = true;
    const CMergedLines merged = MergeCollinear(all, groups[g].members, frame.scale);
    const std::vector<CPreparedSegment>& lines = merged.lines;
    for (size_t j = 0; j < merged.pieces.size(); ++j) {
      const auto& span = merged.spans[j];
      direction.joinedLines.push_back({merged.pieces[j],
                                       {frame.centreX + span[0] * frame.scale, frame.centreY + span[1] * frame.scale,
                                        frame.centreX + span[2] * frame.scale, frame.centreY + span[3] * frame.scale}});
    }
    std::vector<int> everyLine(lines.size());
    for (size_t k = 0; k < lines.size(); ++k) everyLine[k] = static_cast<int>(k);
    groups[g].point = LeastSquaresPoint(lines, everyLine, groups[g].point);
    direction.segments = groups[g].members;
    std::sort(direction.segments.begin(), direction.segments.end());
    direction.vanishingPoint = PixelPoint(groups[g].point, frame);
    double squares = 0;
    for (int k : direction.segments) {
      const double angle = std::asin(SinResidual(all[k], groups[g].point)) / kDegree;
      squares += angle * angle;
      result.labels[k] = slot;
    }
    direction.rmsResidualDegrees = std::sqrt(squares / direction.segments.size());
  };
  report(kFirstGround, ground.size() > 0 ? ground[0] : -1, "a ground direction");
  report(kSecondGround, ground.size() > 1 ? ground[1] : -1, "a second ground direction");
  if (vertical < 0) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "No segments run towards a vertical vanishing point within %.0f° of the image's up; mark the "
                  "vertical segments by hand.",
                  options.verticalToleranceDegrees);
    result.directions[kVertical].message = text;
  } else {
    report(kVertical, vertical, "the vertical");
  }
  carryOn(1);
  return result;
}
