// LoadImageW with BMP files of the machine: every depth the package draws, both row orders,
// and damaged files whose sizes do not add up.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <win/files.h>
#include <win/gdi_images.h>
#include <win/gdi_objects.h>

#include "temp_machine.h"

namespace {

using testsupport::kErrorMarker;

void Put32(std::string& s, size_t at, DWORD v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
}
void Put16(std::string& s, size_t at, WORD v) {
  s[at] = static_cast<char>(v);
  s[at + 1] = static_cast<char>(v >> 8);
}

// A BMP file: file header, 40-byte info header, `colors` table entries, then the rows as given
// (already padded, in file order).
std::string Bmp(LONG width, LONG height, WORD bitCount, DWORD colors, const std::string& rows) {
  std::string file(14 + 40 + colors * 4, '\0');
  Put16(file, 0, 0x4D42);
  Put32(file, 2, static_cast<DWORD>(file.size() + rows.size()));
  Put32(file, 10, static_cast<DWORD>(file.size()));
  Put32(file, 14, 40);
  Put32(file, 18, static_cast<DWORD>(width));
  Put32(file, 22, static_cast<DWORD>(height));
  Put16(file, 26, 1);
  Put16(file, 28, bitCount);
  Put32(file, 46, colors);
  for (DWORD i = 0; i < colors; ++i) Put32(file, 54 + i * 4, 0x00010101 * (i * 255 / (colors > 1 ? colors - 1 : 1)));
  return file + rows;
}

class BmpFiles : public ::testing::Test {
 protected:
  void Write(const std::u16string& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    CloseHandle(file);
  }
  testsupport::TempMachine machine_;
};

TEST_F(BmpFiles, EveryDepthInBothRowOrders) {
  struct Case {
    WORD bitCount;
    DWORD colors;
    LONG width;
    std::string row;  // one padded row, repeated for each of the three rows
  };
  const Case cases[] = {
      {1, 2, 9, std::string("\xAA\x80\0\0", 4)},
      {4, 16, 3, std::string("\x12\x30\0\0", 4)},
      {8, 256, 5, std::string("\x01\x02\x03\x04\x05\0\0\0", 8)},
      {24, 0, 2, std::string("\x01\x02\x03\x04\x05\x06\0\0", 8)},
      {32, 0, 1, std::string("\x01\x02\x03\x00", 4)},
  };
  for (const Case& c : cases) {
    for (LONG sign : {1, -1}) {
      std::string rows = c.row + c.row + c.row;
      rows[0] = static_cast<char>(rows[0] ^ 0x01);  // the first row in the file differs
      Write(u"C:\\picture.bmp", Bmp(c.width, 3 * sign, c.bitCount, c.colors, rows));
      SetLastError(kErrorMarker);
      HANDLE image = LoadImageW(nullptr, u"C:\\picture.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
      ASSERT_NE(image, nullptr) << c.bitCount << " " << sign << " error " << GetLastError();
      EXPECT_EQ(GetObjectType(image), static_cast<DWORD>(OBJ_BITMAP));
      DIBSECTION ds{};
      ASSERT_EQ(GetObjectW(image, sizeof(ds), &ds), static_cast<int>(sizeof(ds)));
      EXPECT_EQ(ds.dsBm.bmWidth, c.width);
      EXPECT_EQ(ds.dsBm.bmHeight, 3);
      EXPECT_EQ(ds.dsBm.bmBitsPixel, c.bitCount);
      EXPECT_EQ(ds.dsBmih.biHeight, 3 * sign);
      ASSERT_NE(ds.dsBm.bmBits, nullptr);
      EXPECT_EQ(std::string(static_cast<const char*>(ds.dsBm.bmBits), rows.size()), rows)
          << c.bitCount << " " << sign;
      EXPECT_TRUE(DeleteObject(image));
    }
  }
}

TEST_F(BmpFiles, LoadedBitmapsMayBeSizedAndKeptAsDeviceBitmaps) {
  Write(u"C:\\two.bmp", Bmp(2, 1, 24, 0, std::string("\x01\x02\x03\x04\x05\x06\0\0", 8)));
  HANDLE image = LoadImageW(nullptr, u"C:\\two.bmp", IMAGE_BITMAP, 4, 2, LR_LOADFROMFILE);
  ASSERT_NE(image, nullptr);
  BITMAP bm{};
  ASSERT_EQ(GetObjectW(image, sizeof(DIBSECTION), &bm), static_cast<int>(sizeof(BITMAP)));  // not a section
  EXPECT_EQ(bm.bmWidth, 4);
  EXPECT_EQ(bm.bmHeight, 2);
  EXPECT_EQ(bm.bmBits, nullptr);
  DeleteObject(image);
}

TEST_F(BmpFiles, DamagedFilesAreRefused) {
  std::string good = Bmp(4, 2, 8, 4, std::string(8, '\x01'));
  struct Case {
    const char* name;
    std::string bytes;
  };
  std::vector<Case> cases;
  auto with = [&](const char* name, auto change) {
    std::string bytes = good;
    change(bytes);
    cases.push_back({name, bytes});
  };
  with("no signature", [](std::string& b) { b[0] = 'X'; });
  with("rows cut short", [](std::string& b) { b.pop_back(); });
  with("rows said to start inside the colour table", [](std::string& b) { Put32(b, 10, 60); });
  with("rows said to start past the end", [](std::string& b) { Put32(b, 10, 0x7FFFFFF0); });
  with("an info header longer than the file", [](std::string& b) { Put32(b, 14, 0xFFFFFF00); });
  with("a core header", [](std::string& b) { Put32(b, 14, 12); });
  with("no width", [](std::string& b) { Put32(b, 18, 0); });
  with("a width past the rows", [](std::string& b) { Put32(b, 18, 0x40000000); });
  with("a height past the rows", [](std::string& b) { Put32(b, 22, 0x7FFFFFFF); });
  with("two planes", [](std::string& b) { Put16(b, 26, 2); });
  with("a depth of 2 bits", [](std::string& b) { Put16(b, 28, 2); });
  with("run-length rows", [](std::string& b) { Put32(b, 30, BI_RLE8); });
  with("a colour count past the table", [](std::string& b) { Put32(b, 46, 200); });
  cases.push_back({"a file shorter than its headers", good.substr(0, 30)});
  cases.push_back({"an empty file", std::string()});
  for (const Case& c : cases) {
    Write(u"C:\\bad.bmp", c.bytes);
    SetLastError(kErrorMarker);
    EXPECT_EQ(LoadImageW(nullptr, u"C:\\bad.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr) << c.name;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA)) << c.name;
  }
  SetLastError(kErrorMarker);
  EXPECT_EQ(LoadImageW(nullptr, u"C:\\missing.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  Write(u"C:\\good.bmp", good);
  SetLastError(kErrorMarker);
  // A bitmap file is no icon file.
  EXPECT_EQ(LoadImageW(nullptr, u"C:\\good.bmp", IMAGE_ICON, 0, 0, LR_LOADFROMFILE), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
  HANDLE image = LoadImageW(nullptr, u"C:\\good.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
  EXPECT_NE(image, nullptr);
  DeleteObject(image);
}

}  // namespace
