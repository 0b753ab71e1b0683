// Rectangle, path and trace-text helpers of the renderer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gdi/util.h"

namespace {

TEST(UtilRect, IntersectsWellOrderedRectangles) {
  struct Case {
    RECTL a;
    RECT16 b;
    BOOL result;
    RECTL out;
  } const cases[] = {
      {{0, 0, 100, 100}, {50, 50, 150, 150}, TRUE, {50, 50, 100, 100}},
      {{0, 0, 100, 100}, {100, 0, 200, 100}, FALSE, {0, 0, 0, 0}},     // touching: empty
      {{0, 0, 100, 100}, {200, 200, 300, 300}, FALSE, {0, 0, 0, 0}},   // apart
      {{100, 0, 0, 100}, {0, 0, 50, 50}, FALSE, {0, 0, 0, 0}},         // a inverted
      {{0, 0, 100, 100}, {0, 60, 50, 50}, FALSE, {0, 0, 0, 0}},        // b inverted
      {{-70000, -70000, 70000, 70000}, {-5, -6, 7, 8}, TRUE, {-5, -6, 7, 8}},
  };
  for (const Case& c : cases) {
    RECTL out{1, 2, 3, 4};
    EXPECT_EQ(Util_IntersectRect(&out, &c.a, &c.b), c.result);
    EXPECT_EQ(out.left, c.out.left);
    EXPECT_EQ(out.top, c.out.top);
    EXPECT_EQ(out.right, c.out.right);
    EXPECT_EQ(out.bottom, c.out.bottom);
    EXPECT_EQ(Util_IntersectRect(nullptr, &c.a, &c.b), c.result);
  }
  const RECT16 a{0, 0, 10, 10}, b{5, 5, 20, 20};
  RECT16 out{};
  EXPECT_TRUE(Util_IntersectRect16(&out, &a, &b));
  EXPECT_EQ(out.left, 5);
  EXPECT_EQ(out.bottom, 10);
}

TEST(UtilPath, StripsTheLastComponent) {
  struct Case {
    const char16_t* path;
    BOOL drop;
    const char16_t* result;
  } const cases[] = {
      {u"C:\\dir\\file.txt", FALSE, u"C:\\dir\\"},
      {u"C:\\dir\\file.txt", TRUE, u"C:\\dir"},
      {u"a/b/c", FALSE, u"a/b/"},
      {u"nofolder", TRUE, u"nofolder"},
      {u"", FALSE, u""},
  };
  for (const Case& c : cases) {
    std::u16string path = c.path;
    Util_StripLastComponent(path.data(), c.drop);
    EXPECT_EQ(std::u16string(path.c_str()), std::u16string(c.result));
  }
  Util_StripLastComponent(nullptr, TRUE);
}

TEST(UtilPath, BaseNameFollowsTheLastSeparator) {
  EXPECT_EQ(std::u16string(Util_BaseName(u"c:\\dir\\file.txt")), u"file.txt");
  EXPECT_EQ(std::u16string(Util_BaseName(u"a/b:c")), u"c");
  EXPECT_EQ(std::u16string(Util_BaseName(u"plain")), u"plain");
  EXPECT_STREQ(Util_BaseName("gdi/nt/enable.cpp"), "enable.cpp");
  EXPECT_STREQ(Util_BaseName("dir\\"), "");
}

const UTIL_NAME kNames[] = {{0x1, "ONE"}, {0x2, "TWO"}, {0x10, "SIXTEEN"}, {0, nullptr}};

TEST(UtilTrace, LooksUpNamesAndCutsToTheCapacity) {
  char out[64];
  EXPECT_TRUE(Util_LookupName(0x10, kNames, out, sizeof(out)));
  EXPECT_STREQ(out, "SIXTEEN_10");
  EXPECT_FALSE(Util_LookupName(0xFFFFFFFF, kNames, out, sizeof(out)));
  EXPECT_STREQ(out, "0xFFFFFFFF(-1):?????");
  EXPECT_FALSE(Util_LookupName(77, kNames, out, sizeof(out)));
  EXPECT_STREQ(out, "0x4D(77):?????");

  char small[6];
  std::memset(small, 'z', sizeof(small));
  EXPECT_TRUE(Util_LookupName(0x10, kNames, small, sizeof(small)));
  EXPECT_STREQ(small, "SIXTE");
  EXPECT_TRUE(Util_LookupName(0x10, kNames, nullptr, 0));
}

TEST(UtilTrace, NamesFlagsAndMarksTheRest) {
  struct Case {
    DWORD value;
    const char* text;
  } const cases[] = {
      {0x13, "0x13_ONE | TWO | SIXTEEN"},
      {0x3, "0x3_ONE | TWO"},
      {0x0, "0x0_"},
      {0x104, "0x104_ ..."},
      {0x11 | 0x80, "0x91_ONE | SIXTEEN ..."},
  };
  for (const Case& c : cases) {
    char out[64];
    Util_FlagsToText(c.value, kNames, out, sizeof(out));
    EXPECT_STREQ(out, c.text);
  }
  char small[10];
  Util_FlagsToText(0x13, kNames, small, sizeof(small));
  EXPECT_STREQ(small, "0x13_ONE ");
}

TEST(UtilTrace, FormatsFileAndLine) {
  char out[64];
  Util_FormatFileLine(out, sizeof(out), "devmod2", 945);
  EXPECT_STREQ(out, "File:devmod2\nLine:945\n");
  char small[8];
  Util_FormatFileLine(small, sizeof(small), "devmod2", 945);
  EXPECT_STREQ(small, "File:de");
}

std::string g_traced;
void Capture(const char* text) { g_traced += text; }

TEST(UtilTrace, DebugPrintReachesOnlyAnInstalledHook) {
  Util_DebugPrint("nobody hears %d\n", 1);
  g_traced.clear();
  Util_SetTraceHook(Capture);
  Util_DebugPrint("value %d\n", 42);
  Util_SetTraceHook(nullptr);
  Util_DebugPrint("after %d\n", 2);
  EXPECT_EQ(g_traced, "value 42\n");
}

}  // namespace
