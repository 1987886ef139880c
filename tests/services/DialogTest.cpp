#include "services/Dialog.h"

#include "ScriptedServices.h"
#include "services/NumberText.h"
#include "services/OneActionMessages.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

namespace {

constexpr int kTemplate = 900;
constexpr int kCountControl = 1000;
constexpr int kLengthControl = 1001;
constexpr int kWidthControl = 1002;
constexpr int kDoubleButton = 1003;

// Two doubles and an int, in this exchange order; one button that doubles the length.
class CSampleDialog : public CDialogModel {
 public:
  CSampleDialog() : CDialogModel(kTemplate) {}
  int m_nCount = 3;
  double m_length = 0.1;
  double m_width = -2.5;

  void OnButton(int controlId) override {
    if (controlId != kDoubleButton) return;
    UpdateData(true);
    m_length *= 2;
    UpdateData(false);
  }

 protected:
  void DoDataExchange(CDataExchange& dx) override {
    dx.Int(kCountControl, m_nCount, "Count");
    dx.Double(kLengthControl, m_length, "Length");
    dx.Double(kWidthControl, m_width, "Width");
  }
};

TEST(NumberText, DoublesShowFifteenDigitsWithAPointWhateverTheLocale) {
  // A locale with a decimal comma must not change anything.
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  ASSERT_NE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr) << "the de_DE.UTF-8 locale is not installed";
  struct Case {
    double value;
    const char* text;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {{0.1, "0.1"},         {-2.5, "-2.5"},         {1.0 / 3.0, "0.333333333333333"},
                        {-1.0 / 30, "-0.0333333333333333"}, {123456789.125, "123456789.125"},
                        {1e-300, "1e-300"},   {1e20, "1e+20"},        {50, "50"},
                        {inf, "inf"},         {-inf, "-inf"},         {std::nan(""), "nan"},
                        {-std::nan(""), "nan"}};
  for (const Case& c : cases) EXPECT_EQ(FormatDoubleField(c.value), c.text);
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(NumberText, PositionsShowAtMostSixDecimalsWithoutTrailingZeros) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {{428.179001, "428.179001"}, {595.70222134567891, "595.702221"}, {12.5, "12.5"},
                        {100, "100"},                {100.30000000000001, "100.3"},    {-3.25, "-3.25"},
                        {-0.0000001, "0"},           {0.9999999, "1"},                 {1e6 + 0.5, "1000000.5"},
                        {std::numeric_limits<double>::infinity(), "inf"}};
  for (const Case& c : cases) EXPECT_EQ(FormatPosition(c.value), c.text) << c.value;
}

TEST(NumberText, ShownValuesReadBackAsTheSameNumber) {
  for (double typed : {0.1, 420.0, 333.333, -1e-7, 6.02214076e23}) {
    const double shown = *ParseDoubleField(FormatDoubleField(typed));
    EXPECT_EQ(shown, typed);
  }
  EXPECT_EQ(ParseDoubleField("inf"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(ParseDoubleField("-inf"), -std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isnan(*ParseDoubleField("nan")));
  EXPECT_TRUE(std::isnan(*ParseDoubleField("-nan")));
}

TEST(NumberText, ParsingAcceptsBlanksAndPlusButNothingElse) {
  struct Case {
    const char* text;
    std::optional<double> value;
  };
  const Case cases[] = {{" 12.5 ", 12.5}, {"+3", 3.0}, {"-0.25", -0.25}, {"1e3", 1000.0},
                        {"", std::nullopt}, {"12,5", std::nullopt}, {"1.5x", std::nullopt},
                        {"+-1", std::nullopt}, {"abc", std::nullopt}};
  for (const Case& c : cases) EXPECT_EQ(ParseDoubleField(c.text), c.value) << '"' << c.text << '"';
  EXPECT_EQ(ParseIntField(" 42 "), 42);
  EXPECT_EQ(ParseIntField("-7"), -7);
  EXPECT_EQ(ParseIntField("4.5"), std::nullopt);
  EXPECT_EQ(ParseIntField("99999999999"), std::nullopt);
}

TEST(Dialog, OpensWithItsFieldsInTheControls) {
  CScriptedServices services;
  CSampleDialog dialog;
  services.ScriptDialog([](CDialogDriver& d) {
    EXPECT_EQ(d.Text(kCountControl), "3");
    EXPECT_EQ(d.Text(kLengthControl), "0.1");
    EXPECT_EQ(d.Text(kWidthControl), "-2.5");
    d.PressCancel();
  });
  EXPECT_EQ(services.RunModalDialog(dialog), kDialogCancel);
  EXPECT_EQ(services.dialogsRun, std::vector<int>{kTemplate});
}

TEST(Dialog, ButtonReadsTheControlsComputesAndWritesThemBack) {
  CScriptedServices services;
  CSampleDialog dialog;
  services.ScriptDialog([](CDialogDriver& d) {
    d.Type(kLengthControl, "1.25");
    d.Press(kDoubleButton);
    EXPECT_EQ(d.Text(kLengthControl), "2.5");
    EXPECT_TRUE(d.IsOpen());
    d.PressOk();
  });
  EXPECT_EQ(services.RunModalDialog(dialog), kDialogOk);
  EXPECT_EQ(dialog.m_length, 2.5);
  EXPECT_TRUE(services.messages.empty());
}

TEST(Dialog, OkStaysOpenUntilEveryFieldConverts) {
  CScriptedServices services;
  CSampleDialog dialog;
  services.ScriptDialog([](CDialogDriver& d) {
    d.Type(kCountControl, "7");
    d.Type(kLengthControl, "two");
    d.Type(kWidthControl, "9");
    d.PressOk();
    EXPECT_TRUE(d.IsOpen());
    d.Type(kLengthControl, "2");
    d.PressOk();
  });
  EXPECT_EQ(services.RunModalDialog(dialog), kDialogOk);
  EXPECT_EQ(services.messages, std::vector<std::string>{"Length: please enter a number."});
  EXPECT_EQ(dialog.m_nCount, 7);
  EXPECT_EQ(dialog.m_length, 2.0);
  EXPECT_EQ(dialog.m_width, 9.0);
}

TEST(Dialog, FailedExchangeStopsAtTheFirstBadFieldAndKeepsTheRest) {
  CScriptedServices services;
  CSampleDialog dialog;
  dialog.SetControlText(kCountControl, "x");
  dialog.SetControlText(kLengthControl, "5");
  dialog.SetControlText(kWidthControl, "6");
  EXPECT_FALSE(dialog.UpdateData(true));
  EXPECT_EQ(services.messages, std::vector<std::string>{"Count: please enter an integer."});
  EXPECT_EQ(dialog.TakeFocusRequest(), kCountControl);
  EXPECT_EQ(dialog.TakeFocusRequest(), 0);
  EXPECT_EQ(dialog.m_nCount, 3);
  EXPECT_EQ(dialog.m_length, 0.1);
  EXPECT_EQ(dialog.m_width, -2.5);
}

TEST(Dialog, CancelExchangesNothing) {
  CScriptedServices services;
  CSampleDialog dialog;
  services.ScriptDialog([](CDialogDriver& d) {
    d.Type(kCountControl, "11");
    d.PressCancel();
  });
  EXPECT_EQ(services.RunModalDialog(dialog), kDialogCancel);
  EXPECT_EQ(dialog.m_nCount, 3);
}

TEST(OneActionMessages, ShowEachTextOnceWhileTheActionLasts) {
  CScriptedServices services;
  {
    const COneActionMessages action;
    for (const char* text : {"Error", "Error", "What to do.", "Error"}) Services().MessageBox(text);
    services.menuAnswers.push_back(2);
    EXPECT_EQ(Services().ChooseFromMenu({"a", "b", "c"}), 2);  // everything else passes through
  }
  EXPECT_EQ(services.messages, (std::vector<std::string>{"Error", "What to do."}));
  Services().MessageBox("Error");  // a new action may say it again
  EXPECT_EQ(services.messages.size(), 3u);
}

TEST(ScriptedServices, RecordsTracesExactlyAndAnswersFileDialogsInOrder) {
  CScriptedServices services;
  Trace("can't open imagefile %s!", "/no/such.bmp");
  Trace("%d%%", 5);
  EXPECT_EQ(services.traces, (std::vector<std::string>{"can't open imagefile /no/such.bmp!", "5%"}));

  services.AnswerFileDialog("/tmp/scene/house.txt");
  services.CancelFileDialog();
  CFileDialogRequest save{EFileDialogKind::Save, "wrl"};
  auto first = Services().RunFileDialog(save);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->fullPath, "/tmp/scene/house.txt");
  EXPECT_EQ(first->fileName, "house.txt");
  EXPECT_FALSE(Services().RunFileDialog(save).has_value());
  EXPECT_FALSE(Services().RunFileDialog(save).has_value());  // nothing queued: cancelled
  ASSERT_EQ(services.fileRequests.size(), 3u);
  EXPECT_EQ(services.fileRequests[0].defaultExtension, "wrl");
}

}  // namespace
