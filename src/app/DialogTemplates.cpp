#include "app/DialogTemplates.h"

#include <map>

namespace {

using K = EDialogItem;

const std::map<int, CDialogTemplate>& Templates() {
  static const std::map<int, CDialogTemplate> templates = {
      {130,
       {130, "End Points of Line for Vanish Points", 256, 95,
        {{K::Label, 0, "Point1.X", 15, 16, 37, 8},
         {K::Edit, 1000, "", 64, 15, 62, 9},
         {K::Label, 0, "Point1.Y", 15, 31, 37, 8},
         {K::Edit, 1001, "", 64, 30, 62, 9},
         {K::Label, 0, "Point2.X", 15, 44, 37, 8},
         {K::Edit, 1002, "", 64, 43, 62, 9},
         {K::Label, 0, "Point2.Y", 16, 60, 37, 8},
         {K::Edit, 1003, "", 64, 59, 62, 9},
         {K::DefaultButton, 1, "OK", 199, 7, 50, 14},
         {K::Button, 2, "Cancel", 199, 24, 50, 14}}}},
      {131,
       {131, "SPECIFY ORIGIN AND ANOTHER ONE POINT FOR a & b & l & A", 319, 271,
        {{K::Label, 0, "FOR a ,b :", 15, 10, 60, 8},
         {K::Label, 0, "point x:", 15, 27, 40, 8},
         {K::Edit, 1001, "", 60, 25, 62, 12},
         {K::Label, 0, "a:", 140, 27, 12, 8},
         {K::Edit, 1010, "", 155, 25, 80, 12},
         {K::Label, 0, "point y:", 15, 45, 40, 8},
         {K::Edit, 1002, "", 60, 43, 62, 12},
         {K::Label, 0, "b:", 140, 45, 12, 8},
         {K::Edit, 1011, "", 155, 43, 80, 12},
         {K::Label, 0, "point u:", 15, 63, 40, 8},
         {K::Edit, 1003, "", 60, 61, 62, 12},
         {K::Label, 0, "point v:", 15, 81, 40, 8},
         {K::Edit, 1004, "", 60, 79, 62, 12},
         {K::Label, 0, "point b:", 15, 111, 40, 8},
         {K::Edit, 1005, "", 60, 109, 62, 12},
         {K::Edit, 1006, "", 130, 109, 62, 12},
         {K::Label, 0, "point t:", 15, 131, 40, 8},
         {K::Edit, 1007, "", 60, 129, 62, 12},
         {K::Edit, 1008, "", 130, 129, 62, 12},
         {K::Label, 0, "Z Value:", 15, 151, 40, 8},
         {K::Edit, 1009, "", 60, 149, 62, 12},
         {K::Label, 0, "A:", 15, 171, 40, 8},
         {K::Edit, 1012, "", 60, 169, 132, 12},
         {K::Label, 0, "WorldOriginU:", 15, 209, 55, 8},
         {K::Edit, 1015, "", 75, 207, 62, 12},
         {K::Label, 0, "WorldOriginV:", 15, 229, 55, 8},
         {K::Edit, 1016, "", 75, 227, 62, 12},
         {K::DefaultButton, 1, "OK", 255, 7, 50, 14},
         {K::Button, 2, "Cancel", 255, 24, 50, 14},
         {K::Button, 1014, "Caculate", 255, 41, 50, 14}}}},
      {132,
       {132, "Dialog", 269, 222,
        {{K::Label, 0, "WORLD & Reference ID:", 15, 12, 90, 8},
         {K::Button, 1027, "GET REF", 110, 9, 50, 14},
         {K::Label, 0, "X:", 15, 32, 12, 8},
         {K::Edit, 1016, "", 30, 30, 70, 12},
         {K::Edit, 1017, "", 105, 30, 30, 12},
         {K::Button, 1029, "CACULATE B.u and B.v", 142, 29, 90, 14},
         {K::Label, 0, "Y:", 15, 52, 12, 8},
         {K::Edit, 1018, "", 30, 50, 70, 12},
         {K::Edit, 1019, "", 105, 50, 30, 12},
         {K::Button, 1028, "CACULATE XandY", 142, 49, 90, 14},
         {K::Label, 0, "Z:", 15, 72, 12, 8},
         {K::Edit, 1020, "", 30, 70, 70, 12},
         {K::Edit, 1021, "", 105, 70, 30, 12},
         {K::Button, 1026, "CACULATE Z", 142, 69, 90, 14},
         {K::Label, 0, "IMAGE VALUE:", 15, 97, 60, 8},
         {K::Label, 0, "U:", 15, 114, 15, 8},
         {K::Edit, 1022, "", 35, 112, 65, 12},
         {K::Label, 0, "V:", 110, 114, 15, 8},
         {K::Edit, 1023, "", 130, 112, 65, 12},
         {K::Label, 0, "b.u:", 15, 137, 18, 8},
         {K::Edit, 1005, "", 35, 135, 65, 12},
         {K::Label, 0, "b.v:", 110, 137, 18, 8},
         {K::Edit, 1006, "", 130, 135, 65, 12},
         {K::Label, 0, "t.u:", 15, 157, 18, 8},
         {K::Edit, 1007, "", 35, 155, 65, 12},
         {K::Label, 0, "t.v:", 110, 157, 18, 8},
         {K::Edit, 1008, "", 130, 155, 65, 12},
         {K::Label, 0, "pointID:", 15, 188, 35, 8},
         {K::Edit, 1015, "", 55, 186, 45, 12},
         {K::DefaultButton, 1, "OK", 205, 180, 50, 14},
         {K::Button, 2, "Cancel", 205, 198, 50, 14}}}},
  };
  return templates;
}

}  // namespace

const CDialogTemplate* FindDialogTemplate(int id) {
  auto it = Templates().find(id);
  return it == Templates().end() ? nullptr : &it->second;
}
