#include "app/DialogTemplates.h"

#include "dialogs/DialogforParameter.h"
#include "dialogs/GenTextureDialog.h"
#include "dialogs/GetPointDialog.h"
#include "dialogs/InputDialogForVanishPoints.h"
#include "dialogs/OutlierThresholdDialog.h"
#include "dialogs/QueryTexture.h"
#include "services/Dialog.h"

#include <map>

namespace {

using K = EDialogItem;

// Number fields hold a 15-digit number ("-0.000123456789012345") and id fields any int whole.
constexpr int kNumberWidth = 110;
constexpr int kIdWidth = 62;

const std::map<int, CDialogTemplate>& Templates() {
  static const std::map<int, CDialogTemplate> templates = {
      {IDD_INPUT_VANISH_POINTS,
       {IDD_INPUT_VANISH_POINTS, "End Points of Line for Vanish Points", 256, 95,
        {{K::Label, 0, "Point1.X", 15, 16, 37, 8},
         {K::Edit, IDC_POINT1_X, "", 64, 15, kNumberWidth, 9},
         {K::Label, 0, "Point1.Y", 15, 31, 37, 8},
         {K::Edit, IDC_POINT1_Y, "", 64, 30, kNumberWidth, 9},
         {K::Label, 0, "Point2.X", 15, 44, 37, 8},
         {K::Edit, IDC_POINT2_X, "", 64, 43, kNumberWidth, 9},
         {K::Label, 0, "Point2.Y", 16, 60, 37, 8},
         {K::Edit, IDC_POINT2_Y, "", 64, 59, kNumberWidth, 9},
         {K::DefaultButton, IDOK, "OK", 199, 7, 50, 14},
         {K::Button, IDCANCEL, "Cancel", 199, 24, 50, 14}}}},
      {IDD_PARAMETER,
       {IDD_PARAMETER, "SPECIFY ORIGIN AND ANOTHER ONE POINT FOR a & b & l & A", 375, 271,
        {{K::Label, 0, "FOR a ,b :", 15, 10, 60, 8},
         {K::Label, 0, "point x:", 15, 27, 40, 8},
         {K::Edit, IDC_GROUND_X, "", 60, 25, kNumberWidth, 12},
         {K::Label, 0, "a:", 180, 27, 12, 8},
         {K::Edit, IDC_SCALE_A_X, "", 195, 25, kNumberWidth, 12},
         {K::Label, 0, "point y:", 15, 45, 40, 8},
         {K::Edit, IDC_GROUND_Y, "", 60, 43, kNumberWidth, 12},
         {K::Label, 0, "b:", 180, 45, 12, 8},
         {K::Edit, IDC_SCALE_B_Y, "", 195, 43, kNumberWidth, 12},
         {K::Label, 0, "point u:", 15, 63, 40, 8},
         {K::Edit, IDC_GROUND_U, "", 60, 61, kNumberWidth, 12},
         {K::Label, 0, "point v:", 15, 81, 40, 8},
         {K::Edit, IDC_GROUND_V, "", 60, 79, kNumberWidth, 12},
         {K::Label, 0, "point b:", 15, 111, 40, 8},
         {K::Edit, IDC_REFERENCE_BU, "", 60, 109, kNumberWidth, 12},
         {K::Edit, IDC_REFERENCE_BV, "", 180, 109, kNumberWidth, 12},
         {K::Label, 0, "point t:", 15, 131, 40, 8},
         {K::Edit, IDC_REFERENCE_TU, "", 60, 129, kNumberWidth, 12},
         {K::Edit, IDC_REFERENCE_TV, "", 180, 129, kNumberWidth, 12},
         {K::Label, 0, "Z Value:", 15, 151, 40, 8},
         {K::Edit, IDC_REFERENCE_HEIGHT, "", 60, 149, kNumberWidth, 12},
         {K::Label, 0, "A:", 15, 171, 40, 8},
         {K::Edit, IDC_SCALE_A_Z, "", 60, 169, kNumberWidth + 10 + kNumberWidth, 12},
         {K::Label, 0, "WorldOriginU:", 15, 209, 60, 8},
         {K::Edit, IDC_ORIGIN_U, "", 80, 207, kNumberWidth, 12},
         {K::Label, 0, "WorldOriginV:", 15, 229, 60, 8},
         {K::Edit, IDC_ORIGIN_V, "", 80, 227, kNumberWidth, 12},
         {K::DefaultButton, IDOK, "OK", 315, 7, 50, 14},
         {K::Button, IDCANCEL, "Cancel", 315, 24, 50, 14},
         {K::Button, IDC_CALCULATE_PARAMETERS, "Caculate", 315, 41, 50, 14}}}},
      {IDD_GET_POINT,
       {IDD_GET_POINT, "Dialog", 325, 222,
        {{K::Label, 0, "WORLD & Reference ID:", 15, 12, 100, 8},
         {K::Button, IDC_GET_REF, "GET REF", 120, 9, 50, 14},
         {K::Label, 0, "X:", 15, 32, 12, 8},
         {K::Edit, IDC_POINT_X, "", 30, 30, kNumberWidth, 12},
         {K::Edit, IDC_POINT_REF_X, "", 145, 30, kIdWidth, 12},
         {K::Button, IDC_CALCULATE_IMAGE_POSITION, "CACULATE B.u and B.v", 212, 29, 100, 14},
         {K::Label, 0, "Y:", 15, 52, 12, 8},
         {K::Edit, IDC_POINT_Y, "", 30, 50, kNumberWidth, 12},
         {K::Edit, IDC_POINT_REF_Y, "", 145, 50, kIdWidth, 12},
         {K::Button, IDC_CALCULATE_XY, "CACULATE XandY", 212, 49, 100, 14},
         {K::Label, 0, "Z:", 15, 72, 12, 8},
         {K::Edit, IDC_POINT_Z, "", 30, 70, kNumberWidth, 12},
         {K::Edit, IDC_POINT_REF_Z, "", 145, 70, kIdWidth, 12},
         {K::Button, IDC_CALCULATE_Z, "CACULATE Z", 212, 69, 100, 14},
         {K::Label, 0, "IMAGE VALUE:", 15, 97, 60, 8},
         {K::Label, 0, "U:", 15, 114, 15, 8},
         {K::Edit, IDC_POINT_U, "", 35, 112, kNumberWidth, 12},
         {K::Label, 0, "V:", 155, 114, 15, 8},
         {K::Edit, IDC_POINT_V, "", 175, 112, kNumberWidth, 12},
         {K::Label, 0, "b.u:", 15, 137, 18, 8},
         {K::Edit, IDC_POINT_BU, "", 35, 135, kNumberWidth, 12},
         {K::Label, 0, "b.v:", 155, 137, 18, 8},
         {K::Edit, IDC_POINT_BV, "", 175, 135, kNumberWidth, 12},
         {K::Label, 0, "t.u:", 15, 157, 18, 8},
         {K::Edit, IDC_POINT_TU, "", 35, 155, kNumberWidth, 12},
         {K::Label, 0, "t.v:", 155, 157, 18, 8},
         {K::Edit, IDC_POINT_TV, "", 175, 155, kNumberWidth, 12},
         {K::Label, 0, "pointID:", 15, 188, 35, 8},
         {K::Edit, IDC_POINT_ID, "", 55, 186, kIdWidth, 12},
         {K::DefaultButton, IDOK, "OK", 262, 180, 50, 14},
         {K::Button, IDCANCEL, "Cancel", 262, 198, 50, 14}}}},
      {IDD_GEN_TEXTURE,
       {IDD_GEN_TEXTURE, "SPECIFY FACE POINTS:", 202, 111,
        {{K::DefaultButton, IDOK, "OK", 145, 7, 50, 14},
         {K::Button, IDCANCEL, "Cancel", 145, 24, 50, 14},
         {K::Label, 0, "Point 1 ID:", 12, 14, 45, 8},
         {K::Edit, IDC_POINT_IDS[0], "", 62, 12, 60, 12},
         {K::Label, 0, "Point 2 ID:", 12, 34, 45, 8},
         {K::Edit, IDC_POINT_IDS[1], "", 62, 32, 60, 12},
         {K::Label, 0, "Point 3 ID:", 12, 54, 45, 8},
         {K::Edit, IDC_POINT_IDS[2], "", 62, 52, 60, 12},
         {K::Label, 0, "Point 4 ID:", 12, 74, 45, 8},
         {K::Edit, IDC_POINT_IDS[3], "", 62, 72, 60, 12},
         {K::Button, IDC_GEN_TEX, "Gen TEX", 145, 72, 50, 14}}}},
      {IDD_QUERY_TEXTURE,
       {IDD_QUERY_TEXTURE, "SELECT TEXTURE", 236, 156,
        {{K::DefaultButton, IDOK, "OK", 179, 7, 50, 14},
         {K::Button, IDCANCEL, "Cancel", 179, 24, 50, 14},
         {K::Label, 0, "Point 1 ID:", 12, 14, 45, 8},
         {K::Edit, IDC_POINT_IDS[0], "", 62, 12, 60, 12},
         {K::Label, 0, "Point 2 ID:", 12, 34, 45, 8},
         {K::Edit, IDC_POINT_IDS[1], "", 62, 32, 60, 12},
         {K::Label, 0, "Point 3 ID:", 12, 54, 45, 8},
         {K::Edit, IDC_POINT_IDS[2], "", 62, 52, 60, 12},
         {K::Label, 0, "Point 4 ID:", 12, 74, 45, 8},
         {K::Edit, IDC_POINT_IDS[3], "", 62, 72, 60, 12},
         {K::Button, IDC_QUERY, "QUERY", 179, 52, 50, 14},
         {K::Label, 0, "TEXUTURE  NUMBER:", 12, 112, 90, 8},
         {K::Edit, IDC_TEXTURE_NUMBER, "", 107, 110, kIdWidth, 12},
         {K::Button, IDC_GEN_TEX, "Gen TEX", 179, 110, 50, 14}}}},
      {IDD_OUTLIER_THRESHOLD,
       {IDD_OUTLIER_THRESHOLD, "Disable Outliers", 256, 50,
        {{K::Label, 0, "Residual threshold (degrees):", 10, 12, 120, 8},
         {K::Edit, IDC_OUTLIER_THRESHOLD, "", 10, 30, kNumberWidth, 12},
         {K::DefaultButton, IDOK, "OK", 199, 7, 50, 14},
         {K::Button, IDCANCEL, "Cancel", 199, 24, 50, 14}}}},
  };
  return templates;
}

}  // namespace

const CDialogTemplate* FindDialogTemplate(int id) {
  auto it = Templates().find(id);
  return it == Templates().end() ? nullptr : &it->second;
}
