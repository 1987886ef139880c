// Point ids run out: a data file may name the largest id that still saves, and then the point
// dialog refuses a new point instead of handing out an id that no file can hold.

#include "dialogs/GetPointDialog.h"

#include "ScriptedServices.h"
#include "metrology/PointMeasurement.h"
#include "model/DataFile.h"
#include "model/SingleImage.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

// The data file of a fresh scene with the given largest id.
std::string DataFileWithMaxId(int maxId) {
  CSingleImage fresh(100, 100);
  fresh.m_nMaxId = maxId;
  return DataFileText(fresh);
}

// Runs the point dialog as the view does on a double-click, and adds the point on OK.
bool MeasureAPoint(CSingleImage& model, CScriptedServices& services) {
  CGetPointDialog dialog(model);
  dialog.m_U = 10, dialog.m_V = 20;
  dialog.m_nPointID = model.m_nMaxId + 1;
  services.ScriptDialog([](CDialogDriver& driver) { driver.PressOk(); });
  if (services.RunModalDialog(dialog) != kDialogOk) return false;
  AddViewPoint(model, dialog);
  return true;
}

TEST(PointIds, TheLastIdIsHandedOutAndThenANewPointIsRefused) {
  CScriptedServices services;
  CSingleImage model(100, 100);
  CDataFileContent content;
  std::string error;
  ASSERT_TRUE(ParseDataFile(DataFileWithMaxId(INT_MAX - 2), content, error)) << error;
  ApplyDataFile(model, std::move(content));

  ASSERT_TRUE(MeasureAPoint(model, services));
  EXPECT_EQ(model.m_Points.ElementAt(0)->m_id, INT_MAX - 1);
  EXPECT_TRUE(services.messages.empty());
  // What is saved now reads back.
  CDataFileContent saved;
  ASSERT_TRUE(ParseDataFile(DataFileText(model), saved, error)) << error;

  EXPECT_FALSE(MeasureAPoint(model, services));
  EXPECT_EQ(services.messages, std::vector<std::string>{"No id is left for a new point: the ids up to 2147483646 "
                                                        "are taken, and no data file can hold a larger one."});
  EXPECT_EQ(model.m_Points.GetCount(), 1);
  EXPECT_EQ(model.m_nMaxId, INT_MAX - 1);
  EXPECT_TRUE(services.dialogsLeftOpen.empty());
}

}  // namespace
