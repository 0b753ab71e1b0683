// The number-text checks every numeric edit reads its text through.
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include <temp_machine.h>

#include "comma_mode.h"
#include "ui/sheets/number_text.h"

namespace {

std::u16string Trimmed(const char16_t* text) {
  std::u16string copy(text);
  return vm4k2ui::TrimBlanks(copy.data());
}

TEST(NumberText, TrimBlanksRemovesSpacesAndIdeographicSpacesAtBothEnds) {
  struct Case {
    const char16_t* text;
    const char16_t* trimmed;
  } cases[] = {
      {u"12", u"12"},         {u"  12 ", u"12"},           {u"\u300012\u3000", u"12"},
      {u" \u3000 1 2\u3000 ", u"1 2"},  // blanks inside stay
      {u"   ", u""},          {u"\u3000\u3000", u""},       {u"", u""},
      {u"\t12", u"\t12"},  // only the two blanks count
  };
  for (const auto& c : cases) EXPECT_EQ(Trimmed(c.text), c.trimmed);
  EXPECT_EQ(vm4k2ui::TrimBlanks(nullptr), nullptr);
}

TEST(NumberText, IntegerAndDecimalForms) {
  struct Case {
    const char16_t* text;
    bool isSigned;
    bool isUnsigned;
    bool isDecimal;
  } cases[] = {
      {u"", true, true, true},          {u"0", true, true, true},        {u"123", true, true, true},
      {u"-", false, false, false},      {u"-5", true, false, false},     {u"--5", false, false, false},
      {u"5-", false, false, false},     {u"1.5", false, false, true},    {u"1.", false, false, true},
      {u".5", false, false, false},     {u"1.2.3", false, false, false}, {u"1,5", false, false, false},
      {u" 1", false, false, false},     {u"1 2", false, false, false},   {u"-1.5", false, false, false},
      {u"\uff11", false, false, false},  // a full-width digit is not a digit here
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text, c.text + std::u16string(c.text).size()));
    EXPECT_EQ(vm4k2ui::IsSignedIntegerText(c.text), c.isSigned);
    EXPECT_EQ(vm4k2ui::IsUnsignedIntegerText(c.text), c.isUnsigned);
    EXPECT_EQ(vm4k2ui::IsDecimalText(c.text), c.isDecimal);
  }
  EXPECT_FALSE(vm4k2ui::IsSignedIntegerText(nullptr));
  EXPECT_FALSE(vm4k2ui::IsDecimalText(nullptr));
}

TEST(NumberText, DecimalsAreCountedAfterThePoint) {
  struct Case {
    const char16_t* text;
    int decimals;
  } cases[] = {{u"12.5", 1}, {u"12.50", 2}, {u"12", 0}, {u".5", 0}, {u"12.", 0}, {u"", 0}, {u"1,25", 0}};
  for (const auto& c : cases) EXPECT_EQ(vm4k2ui::CountDecimals(c.text), c.decimals);
  EXPECT_EQ(vm4k2ui::CountDecimals(nullptr), 0);
}

TEST(NumberText, DotsAndCommasSwapBothWays) {
  std::u16string text = u"1.5.2";
  EXPECT_EQ(std::u16string(vm4k2ui::DotsToCommas(text.data())), u"1,5,2");
  EXPECT_EQ(std::u16string(vm4k2ui::CommasToDots(text.data())), u"1.5.2");
  EXPECT_EQ(vm4k2ui::DotsToCommas(nullptr), nullptr);
}

TEST(NumberText, UnderTheDecimalCommaDecimalsAreCountedAfterTheComma) {
  testsupport::TempMachine machine;
  IN_DECIMAL_COMMA_MODE({
    EXPECT_EQ(vm4k2ui::CountDecimals(u"1,25"), 2);
    EXPECT_EQ(vm4k2ui::CountDecimals(u"1.25"), 0);
    EXPECT_EQ(vm4k2ui::CountDecimals(u",5"), 0);
  });
}

}  // namespace
