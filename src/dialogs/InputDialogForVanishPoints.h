#pragma once
// "End Points of Line for Vanish Points": the two end points of one segment, in photograph
// pixels, exchanged in the order Point1.X, Point1.Y, Point2.X, Point2.Y.

#include "services/Dialog.h"

inline constexpr int IDD_INPUT_VANISH_POINTS = 130;

class CInputDialogForVanishPoints final : public CDialogModel {
 public:
  CInputDialogForVanishPoints() : CDialogModel(IDD_INPUT_VANISH_POINTS) {}

  double m_Point1X = 0;
  double m_Point1Y = 0;
  double m_Point2X = 0;
  double m_Point2Y = 0;

 protected:
  void DoDataExchange(CDataExchange& dx) override {
    dx.Double(1000, m_Point1X);
    dx.Double(1001, m_Point1Y);
    dx.Double(1002, m_Point2X);
    dx.Double(1003, m_Point2Y);
  }
};
