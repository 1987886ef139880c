#include "dialogs/InputDialogForVanishPoints.h"

#include "services/NumberText.h"
#include "services/Services.h"

#include <cmath>

std::string ShortSegmentMessage(double point1X, double point1Y, double point2X, double point2Y) {
  // Written so that a non-finite end point is refused too.
  if (std::hypot(point2X - point1X, point2Y - point1Y) >= kShortestSegmentPixels) return {};
  const auto point = [](double x, double y) { return "(" + FormatDoubleField(x) + ", " + FormatDoubleField(y) + ")"; };
  return "The segment from " + point(point1X, point1Y) + " to " + point(point2X, point2Y) +
         " is shorter than one pixel: it has no direction. Give end points at least one pixel apart.";
}

void CInputDialogForVanishPoints::DoDataExchange(CDataExchange& dx) {
  dx.Double(IDC_POINT1_X, m_Point1X, "Point1.X");
  dx.Double(IDC_POINT1_Y, m_Point1Y, "Point1.Y");
  dx.Double(IDC_POINT2_X, m_Point2X, "Point2.X");
  dx.Double(IDC_POINT2_Y, m_Point2Y, "Point2.Y");
}

void CInputDialogForVanishPoints::OnOK() {
  if (!UpdateData(true)) return;
  if (const std::string refusal = ShortSegmentMessage(m_Point1X, m_Point1Y, m_Point2X, m_Point2Y); !refusal.empty()) {
    RequestFocus(1002);
    Services().MessageBox(refusal);
    return;
  }
  EndDialog(kDialogOk);
}
