#include <algorithm>
#include <cmath>
#include <vector>
#include <clocale>
#include <cstring>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "programs/ParameterTable.h"

namespace pellory {
namespace {

std::string Display(const IParameter& p, double plain) {
  char text[32];
  p.GetDisplayText(plain, false, text, sizeof(text));
  return text;
}

TEST(Parameter, PrecisionFollowsTheStep) {
  IParameter a, b, c, d;
  a.InitDouble("a", 0.5, 0, 1, 0.01);
  b.InitInt("b", 0, 0, 63);
  c.InitDouble("c", 0, 0, 1, 0.001);
  d.InitDouble("d", 0, 0, 1, 0.0000001);
  EXPECT_EQ(a.GetPrecision(), 2);
  EXPECT_EQ(Display(a, 0.5), "0.50");
  EXPECT_EQ(b.GetPrecision(), 0);
  EXPECT_EQ(Display(b, 17.9), "17");
  EXPECT_EQ(c.GetPrecision(), 3);
  EXPECT_EQ(d.GetPrecision(), 6);
}

TEST(Parameter, NormalisedConversionRoundsIntegersToTheStep) {
  IParameter p, q, r;
  p.InitInt("p", 0, 0, 63);
  EXPECT_EQ(p.SetNormalized(0.5), 32.0);  // 31.5 rounds half up
  q.InitInt("q", 1, 1, 99);
  EXPECT_EQ(q.SetNormalized(1.0), 99.0);
  EXPECT_DOUBLE_EQ(q.GetNormalized(99), 1.0);
  EXPECT_DOUBLE_EQ(q.GetNormalized(500), 1.0);
  // An empty range is widened by one step.
  r.InitInt("r", 5, 5, 5);
  EXPECT_EQ(r.GetMax(), 6.0);
}

TEST(Parameter, HostValuesOutsideTheRangeCannotCorruptTheValue) {
  IParameter p;
  p.InitInt("p", 0, 1, 99);
  p.SetNormalized(-3.0);
  EXPECT_EQ(p.Value(), 1.0);
  p.SetNormalized(std::nan(""));
  EXPECT_EQ(p.Value(), 1.0);
  p.SetNormalized(7.0);
  EXPECT_EQ(p.Value(), 99.0);
}

TEST(Parameter, NumbersUseADecimalPointWhateverTheLocale) {
  IParameter p;
  p.InitDouble("p", 0.25, 0, 2, 0.01);
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = previous ? previous : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
    EXPECT_EQ(Display(p, 0.25), "0.25");
    double v = 0;
    EXPECT_TRUE(p.ParseDisplayText("1.5", v));
    EXPECT_DOUBLE_EQ(v, 1.5);
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(Display(p, 0.25), "0.25");
}

class ParameterTableTest : public ::testing::Test {
 protected:
  test::Instance instance;
  const IParameter& P(int id) { return *instance.plug->GetParameter(id); }
};

TEST_F(ParameterTableTest, DeclaresSeventySevenParametersWithTheirDefaults) {
  ASSERT_EQ(instance.plug->NumParameters(), 77);
  EXPECT_STREQ(P(0).GetName(), "LFO 1 Waveform");
  EXPECT_EQ(P(0).GetType(), IParameter::kTypeEnum);
  EXPECT_EQ(Display(P(0), P(0).GetDefault()), "Triangle");
  EXPECT_STREQ(P(36).GetName(), "DCO 2 Detune");
  EXPECT_EQ(P(16).GetDefault(), 63);  // the value is factory PRG 1's once the instance is open
  EXPECT_EQ(P(26).GetMax(), 30);
  EXPECT_STREQ(P(55).GetName(), "Lower Volume");
  EXPECT_STREQ(P(59).GetName(), "Lower Volume");
  EXPECT_EQ(P(55).GetType(), IParameter::kTypeInt);
  EXPECT_EQ(P(59).GetType(), IParameter::kTypeDouble);
  EXPECT_EQ(P(72).Value(), 17280);
  EXPECT_EQ(P(76).GetPrecision(), 3);
  EXPECT_DOUBLE_EQ(P(76).Value(), 0.005);
  EXPECT_EQ(Display(P(66), 4), "Unison");
  EXPECT_EQ(Display(P(29), 0), "32'");
}

TEST_F(ParameterTableTest, EnumerationsShowTextsAndParseOnlyExactTexts) {
  const IParameter& mode = P(kKeyboardMode);
  EXPECT_EQ(Display(mode, 1), "Split");
  EXPECT_STREQ(mode.GetHostLabel(), "");
  double v = -1;
  EXPECT_TRUE(mode.ParseDisplayText("Double", v));
  EXPECT_EQ(v, 2);
  EXPECT_FALSE(mode.ParseDisplayText("split", v));
}

TEST_F(ParameterTableTest, DisplayFunctions) {
  EXPECT_EQ(Display(P(59), 0.0), "-oo");
  EXPECT_EQ(Display(P(59), 1.0), "0.0");
  EXPECT_EQ(Display(P(60), 0.5), "-6.0");
  EXPECT_EQ(Display(P(61), 0.25), "75:25");
  EXPECT_EQ(Display(P(62), 0.0), "100:0");
  EXPECT_EQ(Display(P(57), -1.0), "-50");
  EXPECT_EQ(Display(P(57), 0.5), "25");
  EXPECT_EQ(Display(P(71), 0), "8.2");       // 8.176 Hz with one decimal below pitch 100
  EXPECT_EQ(Display(P(71), 99), "8.6");       // 8.176 + (8.662 - 8.176) * 99/128
  EXPECT_EQ(Display(P(71), 100), "9");       // no decimals from pitch 100 on
  EXPECT_EQ(Display(P(72), 17280), "19912");
  EXPECT_EQ(Display(P(72), 8832), "440");
  char text[16];
  FormatNoteName(12, text, sizeof(text));
  EXPECT_STREQ(text, "B1");
  FormatNoteName(13, text, sizeof(text));
  EXPECT_STREQ(text, "C2");
  FormatNoteName(25, text, sizeof(text));
  EXPECT_STREQ(text, "C3");
  FormatNoteName(61, text, sizeof(text));
  EXPECT_STREQ(text, "C6");
  FormatNoteName(0, text, sizeof(text));  // below the keyboard: still a note name
  EXPECT_STREQ(text, "B0");
}

TEST_F(ParameterTableTest, EveryShownTextTypedBackGivesItsValue) {
  int checked = 0, wrong = 0;
  for (int id = 0; id < instance.plug->NumParameters(); ++id) {
    const IParameter& p = P(id);
    const int count = static_cast<int>(std::lround((p.GetMax() - p.GetMin()) / p.GetStep())) + 1;
    const double scale = std::pow(10.0, p.GetPrecision());
    std::vector<std::string> shown;
    for (int k = 0; k < count; ++k) shown.push_back(Display(p, std::round((p.GetMin() + k * p.GetStep()) * scale) / scale));
    for (int k = 0; k < count; ++k) {
      const double v = std::round((p.GetMin() + k * p.GetStep()) * scale) / scale;
      double w = -12345.0;
      ++checked;
      if (!p.ParseDisplayText(shown[k].c_str(), w)) {
        ++wrong;
        ADD_FAILURE() << p.GetName() << ": \"" << shown[k] << "\" refused";
        continue;
      }
      // Where several values show one text, typing it gives one of them.
      const bool unique = (k == 0 || shown[k - 1] != shown[k]) && (k + 1 == count || shown[k + 1] != shown[k]);
      if (Display(p, w) != shown[k] || (unique && std::fabs(w - v) > 1e-9)) {
        ++wrong;
        if (wrong < 20) ADD_FAILURE() << p.GetName() << ": \"" << shown[k] << "\" gave " << w << " for " << v;
      }
    }
  }
  EXPECT_EQ(wrong, 0) << "of " << checked;
}

TEST_F(ParameterTableTest, NumbersAreReadInTheShownUnitsWhereTheyCannotBePlainValues) {
  double v = -1;
  // Decibels: the shown form and a rounder number; a plain 0..1 value still works.
  EXPECT_TRUE(P(59).ParseDisplayText("-6.0", v));
  EXPECT_DOUBLE_EQ(v, 0.5);
  EXPECT_TRUE(P(59).ParseDisplayText(" -6 ", v));
  EXPECT_DOUBLE_EQ(v, 0.5);
  EXPECT_TRUE(P(59).ParseDisplayText("0.25", v));
  EXPECT_DOUBLE_EQ(v, 0.25);
  EXPECT_TRUE(P(59).ParseDisplayText("-oo", v));
  EXPECT_DOUBLE_EQ(v, 0.0);
  // Cents: "25" is shown for 0.5; "-0.5" cannot be a shown text, so it is plain.
  EXPECT_TRUE(P(57).ParseDisplayText("25", v));
  EXPECT_DOUBLE_EQ(v, 0.5);
  EXPECT_TRUE(P(57).ParseDisplayText("-0.5", v));
  EXPECT_DOUBLE_EQ(v, -0.5);
  // Hertz: shown texts and numbers between them; a pitch value that is also a shown frequency
  // is read as the frequency.
  EXPECT_TRUE(P(72).ParseDisplayText("440", v));
  EXPECT_EQ(Display(P(72), v), "440");
  EXPECT_NEAR(v, 8832, 3);
  EXPECT_TRUE(P(71).ParseDisplayText("19000", v));  // shown steps are 9 Hz apart up there
  EXPECT_NEAR(std::stod(Display(P(71), v)), 19000, 5);
  // Left:right.
  EXPECT_TRUE(P(61).ParseDisplayText("30:70", v));
  EXPECT_DOUBLE_EQ(v, 0.7);
  // Plain numbers of parameters shown as plain numbers are unchanged.
  EXPECT_TRUE(P(16).ParseDisplayText("12", v));
  EXPECT_EQ(v, 12);
}

TEST(PanelNumbers, FollowTheTableAndTheEnumerationValues) {
  EXPECT_EQ(PanelNumberOf(0, 0), 1);
  EXPECT_EQ(PanelNumberOf(0, 1), 1);
  EXPECT_EQ(PanelNumberOf(0, 2), 2);
  EXPECT_EQ(PanelNumberOf(0, 3), 3);
  EXPECT_EQ(PanelNumberOf(29, 0), 35);
  EXPECT_EQ(PanelNumberOf(29, 3), 38);
  EXPECT_EQ(PanelNumberOf(44, 3), 55);
  EXPECT_EQ(PanelNumberOf(56, 0), 67);
  EXPECT_EQ(PanelNumberOf(57, 0), 0);
  // Every panel number leads back to the id that shows it.
  for (int id = 0; id <= 56; ++id)
    for (int v = 0; v < 4; ++v) EXPECT_EQ(ParameterOfPanelNumber(PanelNumberOf(id, v)), id);
  EXPECT_EQ(ParameterOfPanelNumber(0), -1);
  EXPECT_EQ(ParameterOfPanelNumber(68), -1);
}

}  // namespace
}  // namespace pellory
