#include "lines/SegmentDetection.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <thread>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace {

// The progress shares of the steps; the grouping that usually follows has its own callback.
constexpr double kReducedShare = 0.1, kDetectedShare = 0.6;
constexpr int kRefineBatch = 256;  // segments refitted between two progress reports

struct CArea {
  int x0, y0, width, height;
};

// Runs work(begin, end) over [0, count) split into `threads` contiguous parts.
template <class Work>
void InParallel(int count, int threads, const Work& work) {
  threads = std::max(1, std::min(threads, count));
  std::vector<std::thread> helpers;
  for (int part = 1; part < threads; ++part)
    helpers.emplace_back(work, static_cast<int>(static_cast<long long>(count) * part / threads),
                         static_cast<int>(static_cast<long long>(count) * (part + 1) / threads));
  work(0, static_cast<int>(count / threads));
  for (std::thread& helper : helpers) helper.join();
}

// Grey average of each reduction × reduction block, top row first as the detector expects.
cv::Mat ReducedGrey(const CPixelView& photograph, const CArea& area, int reduction, int threads) {
  const int width = area.width / reduction, height = area.height / reduction;
  cv::Mat grey(height, width, CV_8UC1);
  // Integer weights of 0.299 R + 0.587 G + 0.114 B over 2^16.
  constexpr unsigned kRed = 19595, kGreen = 38470, kBlue = 7471;
  const unsigned blockPixels = static_cast<unsigned>(reduction * reduction);
  InParallel(height, threads, [&](int begin, int end) {
    std::vector<unsigned long long> sums(width);
    for (int row = begin; row < end; ++row) {
      std::fill(sums.begin(), sums.end(), 0);
      const int bottom = area.y0 + (height - 1 - row) * reduction;
      for (int y = bottom; y < bottom + reduction; ++y) {
        const unsigned char* p = photograph.pixels + (static_cast<size_t>(y) * photograph.width + area.x0) * 3;
        for (int column = 0; column < width; ++column)
          for (int i = 0; i < reduction; ++i, p += 3) sums[column] += kRed * p[0] + kGreen * p[1] + kBlue * p[2];
      }
      unsigned char* out = grey.ptr<unsigned char>(row);
      const unsigned long long divisor = static_cast<unsigned long long>(blockPixels) << 16;
      for (int column = 0; column < width; ++column) out[column] = static_cast<unsigned char>((sums[column] + divisor / 2) / divisor);
    }
  });
  return grey;
}

}  // namespace

double RefineRadiusPixels(int reduction) { return 1.5 + 0.75 * reduction; }

CSegmentDetection DetectSegments(const CPixelView& photograph, const std::optional<CPixelRegion>& region,
                                 const CDetectionOptions& options, const CProgressCallback& progress) {
  CSegmentDetection result;
  const auto carryOn = [&](double fraction) {
    if (progress && !progress(fraction)) result.cancelled = true;
    return !result.cancelled;
  };
  if (!photograph.pixels || photograph.width <= 0 || photograph.height <= 0) {
    result.message = "There is no photograph to search for segments.";
    return result;
  }
  CArea area{0, 0, photograph.width, photograph.height};
  if (region) {
    const int x0 = std::clamp(std::min(region->x0, region->x1), 0, photograph.width - 1);
    const int x1 = std::clamp(std::max(region->x0, region->x1), 0, photograph.width - 1);
    const int y0 = std::clamp(std::min(region->y0, region->y1), 0, photograph.height - 1);
    const int y1 = std::clamp(std::max(region->y0, region->y1), 0, photograph.height - 1);
    area = {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
  }
  constexpr int kSmallestSide = 8;
  if (area.width < kSmallestSide || area.height < kSmallestSide) {
    result.message = "The region is too small to search for segments.";
    return result;
  }
  if (!carryOn(0)) return result;

  const int longSide = std::max(area.width, area.height);
  const int reduction = std::max(1, (longSide + options.detectionLongSidePixels - 1) / options.detectionLongSidePixels);
  result.reduction = reduction;
  const cv::Mat grey = ReducedGrey(photograph, area, reduction, options.threads);
  if (!carryOn(kReducedShare)) return result;

  std::vector<cv::Vec4f> found;
  cv::createLineSegmentDetector(cv::LSD_REFINE_STD)->detect(grey, found);
  if (!carryOn(kDetectedShare)) return result;

  // The detector's coordinates have their origin at the centre of the top-left pixel; a block's
  // centre lies (reduction − 1) / 2 pixels from the centre of its bottom-left pixel.
  const double shortest = options.minimumLengthFraction * std::hypot(area.width, area.height);
  const double blockCentre = (reduction - 1) / 2.0;
  const int reducedTop = grey.rows - 1;
  for (const cv::Vec4f& line : found) {
    CDetectedSegment detected;
    detected.segment = {area.x0 + reduction * line[0] + blockCentre, area.y0 + reduction * (reducedTop - line[1]) + blockCentre,
                        area.x0 + reduction * line[2] + blockCentre, area.y0 + reduction * (reducedTop - line[3]) + blockCentre};
    if (detected.segment.Length() >= shortest) result.segments.push_back(detected);
  }

  if (options.refine) {
    CSnapOptions snap;
    snap.searchRadiusPixels = RefineRadiusPixels(reduction);
    const int count = static_cast<int>(result.segments.size());
    for (int start = 0; start < count; start += kRefineBatch) {
      const int batch = std::min(kRefineBatch, count - start);
      InParallel(batch, options.threads, [&](int begin, int end) {
        for (int k = start + begin; k < start + end; ++k) {
          CDetectedSegment& detected = result.segments[k];
          const CSnapResult fit = SnapToEdge(photograph, detected.segment, snap);
          if (!fit.snapped) continue;
          detected.segment = fit.segment;
          detected.refined = true;
          detected.rmsPixels = fit.rmsPixels;
        }
      });
      if (!carryOn(kDetectedShare + (1 - kDetectedShare) * (start + batch) / count)) return result;
    }
  }
  carryOn(1);
  return result;
}
