#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <win/strings.h>

#include "temp_machine.h"

namespace {

using testsupport::kErrorMarker;

std::u16string FormatW(const WCHAR* format, ...) {
  WCHAR out[1100];
  for (WCHAR& c : out) c = u'#';
  va_list args;
  va_start(args, format);
  int n = wvsprintfW(out, format, args);
  va_end(args);
  EXPECT_EQ(out[n], 0);
  return std::u16string(out, static_cast<size_t>(n));
}

std::string FormatA(const char* format, ...) {
  char out[1100];
  va_list args;
  va_start(args, format);
  int n = wvsprintfA(out, format, args);
  va_end(args);
  EXPECT_EQ(out[n], 0);
  return std::string(out, static_cast<size_t>(n));
}

TEST(Wsprintf, FormatsTheSystemsSubset) {
  struct Case {
    std::u16string got, expected;
  };
  int minusFive = -5;
  Case cases[] = {
      {FormatW(u"%d|%i|%u", -42, 7, 4000000000u), u"-42|7|4000000000"},
      {FormatW(u"%5d|%-5d|%05d|%.3d", 42, 42, -42, 7), u"   42|42   |-0042|007"},
      {FormatW(u"%x|%X|%#x|%#X|%08x", 255, 255, 255, 255, 0xBEEF), u"ff|FF|0xff|0XFF|0000beef"},
      {FormatW(u"%#x", 0), u"0"},
      {FormatW(u"%ld|%lu|%lx", static_cast<LONG>(-1), static_cast<ULONG>(0xFFFFFFFF), static_cast<ULONG>(0xABC)),
       u"-1|4294967295|abc"},
      {FormatW(u"%hd|%hu", 70000, 70000), u"4464|4464"},
      {FormatW(u"%I64d|%I64u|%I64x", -5000000000ll, 18446744073709551615ull, 0x123456789ull),
       u"-5000000000|18446744073709551615|123456789"},
      {FormatW(u"%s|%ls|%S|%hs", u"wide", u"wide", "narrow", "narrow"), u"wide|wide|narrow|narrow"},
      {FormatW(u"[%6s][%-6s][%.2s]", u"abc", u"abc", u"abc"), u"[   abc][abc   ][ab]"},
      {FormatW(u"%c%C%lc%hc", u'W', 'n', u'\u00E9', '\xE9'), u"Wn\u00E9\u00E9"},
      {FormatW(u"%s", static_cast<const WCHAR*>(nullptr)), u"(null)"},
      {FormatW(u"100%% %q %"), u"100% q "},
      {FormatW(u"%d", minusFive), u"-5"},
      {FormatW(u"%p", reinterpret_cast<void*>(0x1234)), u"0000000000001234"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.expected);
}

TEST(Wsprintf, NarrowFormSwapsStringWidths) {
  EXPECT_EQ(FormatA("%s|%S|%hs|%ls|%c|%C", "narrow", u"wide", "h", u"l", 'c', u'C'), "narrow|wide|h|l|c|C");
  // Wide text outside the ANSI page becomes '?'; 1252 characters keep their byte.
  EXPECT_EQ(FormatA("%S", u"\u20AC\u0416"), "\x80?");
  EXPECT_EQ(FormatA("%d-%05u", -3, 12u), "-3-00012");
}

TEST(Wsprintf, StopsAt1023Characters) {
  std::u16string big(2000, u'x');
  WCHAR out[1100];
  EXPECT_EQ(wsprintfW(out, u"%s!", big.c_str()), 1023);
  EXPECT_EQ(out[1023], 0);
  char narrow[1100];
  EXPECT_EQ(wsprintfA(narrow, "%1500d", 1), 1023);
  EXPECT_EQ(narrow[1023], 0);
}

TEST(LstrFamily, CopiesAndComparesByTheRules) {
  WCHAR buffer[8];
  EXPECT_EQ(lstrcpynW(buffer, u"printer", 4), buffer);
  EXPECT_EQ(std::u16string(buffer), u"pri");  // n - 1 characters and the terminator
  lstrcpyW(buffer, u"ab");
  lstrcatW(buffer, u"cd");
  EXPECT_EQ(std::u16string(buffer), u"abcd");
  EXPECT_EQ(lstrlenW(buffer), 4);
  EXPECT_EQ(lstrlenW(nullptr), 0);

  struct Case {
    const WCHAR* a;
    const WCHAR* b;
    int exact, folded;
  };
  const Case cases[] = {
      {u"abc", u"abc", 0, 0},      {u"abc", u"ABC", 1, 0},          {u"ab", u"abc", -1, -1},
      {u"\u00E9", u"\u00C9", 1, 0}, {u"Z", u"a", -1, 1},              {nullptr, u"a", -1, -1},
      {u"a", nullptr, 1, 1},       {nullptr, nullptr, 0, 0},        {u"\u0416", u"\u0436", -1, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(lstrcmpW(c.a, c.b), c.exact);
    EXPECT_EQ(lstrcmpiW(c.a, c.b), c.folded);
  }
  EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, u"Letter", -1, u"LETTER", 6), CSTR_EQUAL);
  EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, 0, u"A4", 2, u"A5", 2), CSTR_LESS_THAN);
  SetLastError(kErrorMarker);
  EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, 0x1000, u"a", 1, u"a", 1), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));
}

TEST(CaseMapping, CoversLatinAndKeepsTheRest) {
  WCHAR text[] = u"stra\u00DFe \u00E9t\u00E9 \u00FF \u0101 \u0436 1!";
  CharUpperW(text);
  EXPECT_EQ(std::u16string(text), u"STRA\u00DFE \u00C9T\u00C9 \u0178 \u0100 \u0416 1!");
  EXPECT_EQ(CharLowerBuffW(text, 4), 4u);
  EXPECT_EQ(std::u16string(text).substr(0, 5), u"stra\u00DF");
  // A pointer with a zero high word is one character.
  EXPECT_EQ(reinterpret_cast<uintptr_t>(CharUpperW(reinterpret_cast<LPWSTR>(static_cast<uintptr_t>(u'q')))),
            static_cast<uintptr_t>(u'Q'));
}

TEST(CodePages, MachinePagesAre1252And437) {
  EXPECT_EQ(GetACP(), 1252u);
  EXPECT_EQ(GetOEMCP(), 437u);
  struct Case {
    UINT page;
    unsigned char byte;
    WCHAR wide;
  };
  const Case cases[] = {{CP_ACP, 0x80, 0x20AC}, {CP_ACP, 0x9F, 0x0178}, {CP_ACP, 0x81, 0x0081}, {CP_ACP, 0xE9, 0x00E9},
                        {CP_OEMCP, 0x82, 0x00E9}, {CP_OEMCP, 0xC4, 0x2500}, {CP_OEMCP, 0xFF, 0x00A0}, {1252, 'A', u'A'}};
  for (const Case& c : cases) {
    char in = static_cast<char>(c.byte);
    WCHAR out = 0;
    EXPECT_EQ(MultiByteToWideChar(c.page, 0, &in, 1, &out, 1), 1);
    EXPECT_EQ(out, c.wide) << c.page << " " << int(c.byte);
    char back = 0;
    BOOL usedDefault = TRUE;
    EXPECT_EQ(WideCharToMultiByte(c.page, 0, &out, 1, &back, 1, nullptr, &usedDefault), 1);
    EXPECT_EQ(static_cast<unsigned char>(back), c.byte);
    EXPECT_FALSE(usedDefault);
  }
}

TEST(CodePages, SizeFirstThenData) {
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "K8000", -1, nullptr, 0), 6);  // with the terminator
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "K8000", 5, nullptr, 0), 5);
  WCHAR small[3];
  SetLastError(kErrorMarker);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "K8000", -1, small, 3), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  char narrow[2];
  SetLastError(kErrorMarker);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"abc", -1, narrow, 2, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u00E9\U0001F600", -1, nullptr, 0, nullptr, nullptr), 7);

  struct Refusal {
    int result;
    DWORD error;
  };
  auto refuse = [](int result) { return Refusal{result, GetLastError()}; };
  WCHAR w[8];
  char a[8];
  SetLastError(kErrorMarker);
  Refusal cases[] = {
      refuse(MultiByteToWideChar(CP_UTF8, 0, "x", 0, w, 8)),
      refuse(MultiByteToWideChar(CP_UTF8, 0, nullptr, 1, w, 8)),
      refuse(MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "x", 1, w, 8)),
      refuse(MultiByteToWideChar(12345, 0, "x", 1, w, 8)),
      refuse(WideCharToMultiByte(CP_UTF8, 0, u"x", 1, a, 8, "?", nullptr)),
      refuse(WideCharToMultiByte(CP_ACP, WC_ERR_INVALID_CHARS, u"x", 1, a, 8, nullptr, nullptr)),
  };
  const DWORD expected[] = {ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER, ERROR_INVALID_FLAGS,
                            ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER, ERROR_INVALID_FLAGS};
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(cases[i].result, 0) << i;
    EXPECT_EQ(cases[i].error, expected[i]) << i;
  }
}

TEST(CodePages, InvalidUtf8) {
  struct Case {
    std::string bytes;
    std::u16string lenient;
  };
  const Case cases[] = {
      {"a\x80z", u"a\uFFFDz"},              // stray continuation byte
      {"\xC0\xAF", u"\uFFFD\uFFFD"},        // overlong '/'
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\xE2\x82", u"\uFFFD"},              // cut short
      {"\xE2\x82x", u"\uFFFDx"},
  };
  for (const Case& c : cases) {
    WCHAR out[16];
    int n = MultiByteToWideChar(CP_UTF8, 0, c.bytes.data(), static_cast<int>(c.bytes.size()), out, 16);
    EXPECT_EQ(std::u16string(out, static_cast<size_t>(n)), c.lenient);
    SetLastError(kErrorMarker);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, c.bytes.data(), static_cast<int>(c.bytes.size()),
                                  out, 16),
              0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
  }
  WCHAR ok[4];
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xF0\x9F\x98\x80", 4, ok, 4), 2);
  EXPECT_EQ(ok[0], 0xD83D);
  EXPECT_EQ(ok[1], 0xDE00);
}

TEST(CodePages, UnmappableCharactersAndLoneSurrogates) {
  char out[8];
  BOOL usedDefault = FALSE;
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"a\u0416\U0001F600", 4, out, 8, "*", &usedDefault), 3);
  EXPECT_EQ(std::string(out, 3), "a**");
  EXPECT_TRUE(usedDefault);
  EXPECT_EQ(WideCharToMultiByte(CP_OEMCP, 0, u"\u2500", 1, out, 8, nullptr, &usedDefault), 1);
  EXPECT_EQ(static_cast<unsigned char>(out[0]), 0xC4);
  EXPECT_FALSE(usedDefault);

  const WCHAR lone[] = {u'a', 0xDC00};
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, lone, 2, out, 8, nullptr, nullptr), 4);
  EXPECT_EQ(std::string(out, 4), "a\xEF\xBF\xBD");
  SetLastError(kErrorMarker);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone, 2, out, 8, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
}

}  // namespace
