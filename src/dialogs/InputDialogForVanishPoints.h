#pragma once
// "End Points of Line for Vanish Points": the two end points of one segment, in photograph
// pixels, exchanged in the order Point1.X, Point1.Y, Point2.X, Point2.Y. OK refuses a segment
// too short to have a direction.

#include "services/Dialog.h"

#include <string>

inline constexpr int IDD_INPUT_VANISH_POINTS = 130;
// The edit controls of the two end points.
inline constexpr int IDC_POINT1_X = 1000;
inline constexpr int IDC_POINT1_Y = 1001;
inline constexpr int IDC_POINT2_X = 1002;
inline constexpr int IDC_POINT2_Y = 1003;

// End points closer than this give no usable direction (a pixel is the precision they are read to).
inline constexpr double kShortestSegmentPixels = 1.0;

// "" when the end points (photograph pixels) are at least kShortestSegmentPixels apart;
// otherwise the message that refuses the segment and names it.
std::string ShortSegmentMessage(double point1X, double point1Y, double point2X, double point2Y);

class CInputDialogForVanishPoints final : public CDialogModel {
 public:
  CInputDialogForVanishPoints() : CDialogModel(IDD_INPUT_VANISH_POINTS) {}

  void OnOK() override;

  double m_Point1X = 0;
  double m_Point1Y = 0;
  double m_Point2X = 0;
  double m_Point2Y = 0;

 protected:
  void DoDataExchange(CDataExchange& dx) override;
};
