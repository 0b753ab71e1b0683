// The check and the cleaning of names the user types.
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "ui/sheets/name_checks.h"

namespace {

const std::u16string kForbidden = u"<>(),;?:|\\/'.\"*";

std::u16string Cleaned(std::u16string text) {
  vm4k2ui::CleanName(text.data());
  return std::u16string(text.c_str());
}

std::u16string Filtered(const std::u16string& text) {
  std::u16string out;
  for (char16_t c : text)
    if (kForbidden.find(c) == std::u16string::npos) out.push_back(c);
  return out;
}

TEST(NameChecks, TheFifteenCharactersInTheirOrder) {
  EXPECT_EQ(std::u16string(vm4k2ui::kForbiddenNameCharacters), kForbidden);
  EXPECT_EQ(kForbidden.size(), 15u);
  EXPECT_EQ(kForbidden[13], u'"') << "the double quote is the fourteenth";
}

TEST(NameChecks, EachForbiddenCharacterMakesANameInvalid) {
  for (char16_t c : kForbidden) {
    for (const std::u16string& name : {std::u16string(1, c), u"Name" + std::u16string(1, c),
                                       std::u16string(1, c) + u"Name", u"My" + std::u16string(1, c) + u"Paper"}) {
      EXPECT_FALSE(vm4k2ui::IsValidName(name.c_str())) << static_cast<int>(c);
    }
  }
}

TEST(NameChecks, CleanNamesAreValid) {
  for (const char16_t* name : {u"", u"Office", u"My paper 2", u"A-B_C", u"Entwurf \u00e4\u00f6", u"\u8349\u7a3f",
                               u"100% [draft] {x} & y!", u"tab\there"}) {
    EXPECT_TRUE(vm4k2ui::IsValidName(name));
  }
  EXPECT_TRUE(vm4k2ui::IsValidName(nullptr));
}

TEST(NameChecks, CleaningExamples) {
  struct Case {
    const char16_t* name;
    const char16_t* cleaned;
  } cases[] = {
      {u"Word:Word", u"WordWord"}, {u"**Name", u"Name"},         {u"Name...", u"Name"},
      {u"<>()", u""},              {u"a.b.c", u"abc"},           {u"\"quoted\"", u"quoted"},
      {u"x/y\\z", u"xyz"},         {u"plain", u"plain"},         {u"", u""},
      {u"..a..b..", u"ab"},        {u"(1) 2, 3; 4? 5|", u"1 2 3 4 5"},
  };
  for (const auto& c : cases) EXPECT_EQ(Cleaned(c.name), c.cleaned);
  EXPECT_EQ(vm4k2ui::CleanName(nullptr), nullptr);
  std::u16string colon = u"Two:Words";
  EXPECT_FALSE(vm4k2ui::IsValidName(colon.c_str()));
  EXPECT_EQ(vm4k2ui::CleanName(colon.data()), colon.data()) << "cleaned in place";
  EXPECT_TRUE(vm4k2ui::IsValidName(colon.c_str()));
}

TEST(NameChecks, CleaningEqualsAPlainFilterOnRandomNames) {
  // Mostly forbidden characters and a few letters, so runs, tails and all-forbidden names
  // are common.
  const std::u16string alphabet = kForbidden + u"ab \u00e9";
  std::mt19937 random(20261211);
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<size_t> length(0, 24);
  for (int i = 0; i < 5000; ++i) {
    std::u16string name;
    for (size_t n = length(random); n > 0; --n) name.push_back(alphabet[pick(random)]);
    ASSERT_EQ(Cleaned(name), Filtered(name)) << i;
  }
}

}  // namespace
