// The renderer's escapes as an application reaches them: ExtEscape on a printer DC of a machine
// that setup-machine installed, with sentinel-filled buffers, before and after StartDoc. Each
// row says the code and the sizes, and pins the answer, the thread's last error and the bytes
// the caller gets back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <vm4k2/escapes.h>
#include <vm4k2/ui_devmode.h>
#include <win/gdi.h>
#include <win/spooler.h>

#include "pclxl_decoder.h"
#include "platform_testing.h"
#include "temp_machine.h"

namespace {

using namespace vm4k2;
using testsupport::kErrorMarker;
using Bytes = std::vector<BYTE>;

constexpr char16_t kPrinter[] = u"Velmor K8000 Series PCL6";
constexpr BYTE kSentinel = 0xCC;

// One call of the table. `out` is the expected output buffer (the sentinel where nothing was
// written); an empty `out` with cjOut > 0 means "left as it was".
struct Row {
  const char* label;
  ULONG code;
  Bytes in;
  int cjOut;
  int result;
  DWORD error;   // the last error after the call: kErrorMarker when none is set
  Bytes out;     // the output's first bytes; the rest must still hold the sentinel
  size_t written = 0;  // bytes of the output that differ from the sentinel (0: checked by `out` alone)
};

Bytes Long(LONG v) {
  Bytes b(4);
  std::memcpy(b.data(), &v, 4);
  return b;
}
Bytes Word(WORD v) { return Bytes{static_cast<BYTE>(v & 0xFF), static_cast<BYTE>(v >> 8)}; }

class EscapeDC : public ::testing::Test {
 protected:
  void SetUp() override {
    // A4 already where setup-machine runs: adding the printer stores its default settings.
    PlatformTest_SetCountryCode(44, TRUE);
    std::string command = std::string(VELMOR_OUT_DIR) + "/setup-machine " + machine_.root() + " > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    PlatformTest_UseMachine(machine_.root().c_str());
    PlatformTest_SetCountryCode(44, FALSE);  // A4
  }

  // The printer's own DEVMODE with the private "MultipleUp" changed and validated.
  Bytes DevmodeWithMultipleUp(int16_t pages) {
    HANDLE printer = nullptr;
    std::u16string name(kPrinter);
    EXPECT_TRUE(OpenPrinterW(name.data(), &printer, nullptr));
    LONG size = DocumentPropertiesW(nullptr, printer, name.data(), nullptr, nullptr, 0);
    Bytes bytes(static_cast<size_t>(size > 0 ? size : 0));
    auto* dm = reinterpret_cast<DEVMODEW*>(bytes.data());
    EXPECT_EQ(DocumentPropertiesW(nullptr, printer, name.data(), dm, nullptr, DM_OUT_BUFFER), 1);
    reinterpret_cast<UiDevmode*>(bytes.data())->dmPrivate.multipleUp = pages;
    EXPECT_EQ(DocumentPropertiesW(nullptr, printer, name.data(), dm, dm, DM_IN_BUFFER | DM_OUT_BUFFER), 1);
    ClosePrinter(printer);
    return bytes;
  }

  static void Check(HDC hdc, const Row& row) {
    Bytes in = row.in;
    const Bytes inBefore = in;
    Bytes out(static_cast<size_t>(row.cjOut), kSentinel);
    SetLastError(kErrorMarker);
    int result = ExtEscape(hdc, static_cast<int>(row.code), static_cast<int>(in.size()),
                           in.empty() ? nullptr : reinterpret_cast<LPCSTR>(in.data()), row.cjOut,
                           row.cjOut ? reinterpret_cast<LPSTR>(out.data()) : nullptr);
    SCOPED_TRACE(row.label);
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(GetLastError(), row.error);
    EXPECT_EQ(in, inBefore) << "the caller's input is never written";
    Bytes expected(static_cast<size_t>(row.cjOut), kSentinel);
    std::copy(row.out.begin(), row.out.end(), expected.begin());
    if (row.written == 0) {
      EXPECT_EQ(out, expected);
    } else {
      EXPECT_TRUE(std::equal(row.out.begin(), row.out.end(), out.begin()));
      size_t changed = 0;
      for (BYTE b : out) changed += b != kSentinel;
      EXPECT_EQ(changed, row.written);
    }
  }

  static std::vector<std::string> JobListing(DWORD jobId) {
    char path[1024];
    if (!PlatformTest_SpoolerJobFile(jobId, path, sizeof path)) return {};
    Bytes bytes;
    if (FILE* f = std::fopen(path, "rb")) {
      int c;
      while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<BYTE>(c));
      std::fclose(f);
    }
    return pclxl::DecodeJob(std::vector<uint8_t>(bytes.begin(), bytes.end())).listing;
  }

  testsupport::TempMachine machine_;
};

TEST_F(EscapeDC, TableBeforeAndAfterStartDoc) {
  HDC hdc = CreateDCW(u"WINSPOOL", kPrinter, nullptr, nullptr);
  ASSERT_NE(hdc, nullptr) << GetLastError();
  const Row before[] = {
      {"QUERYESCSUPPORT(17)", QUERYESCSUPPORT, Word(17), 0, 999, kErrorMarker, {}},
      {"QUERYESCSUPPORT(0x500F)", QUERYESCSUPPORT, Word(0x500F), 0, 0, kErrorMarker, {}},
      {"QUERYESCSUPPORT(0x5012)", QUERYESCSUPPORT, Word(0x5012), 0, 0, kErrorMarker, {}},
      {"QUERYESCSUPPORT(21)", QUERYESCSUPPORT, Word(21), 0, 0, kErrorMarker, {}},
      {"QUERYESCSUPPORT(6001)", QUERYESCSUPPORT, Word(6001), 0, 1, kErrorMarker, {}},
      {"QUERYESCSUPPORT(6002)", QUERYESCSUPPORT, Word(6002), 0, 1, kErrorMarker, {}},
      {"QUERYESCSUPPORT(0x5011)", QUERYESCSUPPORT, Word(0x5011), 0, 1, kErrorMarker, {}},
      {"QUERYESCSUPPORT, 1 byte", QUERYESCSUPPORT, Bytes{17}, 0, 0, kErrorMarker, {}},
      {"0x500F", 0x500F, {}, 4, 0, kErrorMarker, {}},
      {"0x5012", 0x5012, {}, 4, 0, kErrorMarker, {}},
      {"21", 21, {}, 4, 0, kErrorMarker, {}},
      {"technology, 4 bytes", GETTECHNOLOGY, {}, 5, 1, kErrorMarker, {'P', 'C', 'L', 0}},
      {"technology, 3 bytes", GETTECHNOLOGY, {}, 3, 0, ERROR_INVALID_PARAMETER, {}},
      {"GETRESERVED", ESC_DRV_GETRESERVED, {}, 4, 1, kErrorMarker, {0, 0, 0, 0}},
      {"GETDOCSTYLE", ESC_DM_GETDOCSTYLE, {}, 4, 1, kErrorMarker, {0, 0, 0, 0}},
      {"GETRESERVED, 5 bytes", ESC_DRV_GETRESERVED, {}, 5, 0, kErrorMarker, {}},
      {"GETINFO before the document", ESC_WM_GETINFO, {}, 3236, 0, kErrorMarker, {}},
      {"GETSTATE before the document", ESC_WM_GETSTATE, {}, 4, 0, kErrorMarker, {}},
      {"SETCOPYCOUNT before the document", SETCOPYCOUNT, Long(5), 4, 0, kErrorMarker, {}},
      {"FORM_BEGINPART before the document", ESC_FORM_BEGINPART, {}, 0, 0, kErrorMarker, {}},
      {"GETHANDLE before the document", ESC_PRN_GETHANDLE, Bytes(8, 1), 0, 0, kErrorMarker, {}},
  };
  for (const Row& row : before) Check(hdc, row);

  DOCINFOW doc{sizeof(DOCINFOW), u"Escapes", nullptr, nullptr, 0};
  ASSERT_GT(StartDocW(hdc, &doc), 0);
  ASSERT_GT(StartPage(hdc), 0);
  Bytes extra(1330, 0);
  extra[0] = 1;  // the first word of the block as the settings merge leaves it
  Bytes name = {'E', 's', 'c', 'a', 'p', 'e', 's', 0};
  const Row after[] = {
      {"GETINFO, 3235 bytes", ESC_WM_GETINFO, {}, 3235, 0, kErrorMarker, {}},
      {"GETINFO, 3236 bytes", ESC_WM_GETINFO, {}, 3236, 1, kErrorMarker, {0, 0}, 3236},
      {"GETINFO, 3237 bytes", ESC_WM_GETINFO, {}, 3237, 0, kErrorMarker, {}},
      {"0x500F", 0x500F, {}, 4, 0, kErrorMarker, {}},
      {"0x5012", 0x5012, {}, 4, 0, kErrorMarker, {}},
      {"21", 21, {}, 4, 0, kErrorMarker, {}},
      {"SETCOPYCOUNT 0", SETCOPYCOUNT, Long(0), 4, 1, kErrorMarker, Long(1)},
      {"SETCOPYCOUNT 5000", SETCOPYCOUNT, Long(5000), 4, 1, kErrorMarker, Long(999)},
      {"SETCOPYCOUNT 0xFFFFFFFF", SETCOPYCOUNT, Long(-1), 4, 1, kErrorMarker, Long(999)},
      {"SETCOPYCOUNT without input", SETCOPYCOUNT, {}, 4, -1, kErrorMarker, {}},
      {"SETCOPYCOUNT, 2-byte output", SETCOPYCOUNT, Long(2), 2, 1, kErrorMarker, {}},
      {"GETSTATE", ESC_WM_GETSTATE, {}, 4, 1, kErrorMarker, Long(1)},
      {"GETNUP", ESC_JOB_GETNUP, {}, 4, 1, kErrorMarker, Long(1)},
      {"GETSHEETCOUNT", ESC_JOB_GETSHEETCOUNT, {}, 4, 1, kErrorMarker, Long(1)},
      {"GETPAGESIZE", ESC_JOB_GETPAGESIZE, {}, 12, 1, kErrorMarker, {0x60, 0x13, 0x60, 0x1B, 96, 0, 96, 0, 96, 0, 96, 0}},
      {"GETEXTRA", ESC_DM_GETEXTRA, {}, 1330, 1, kErrorMarker, extra},
      {"GETDOCNAME", ESC_JOB_GETDOCNAME, {}, 256, 1, kErrorMarker, name, 256},
      {"GETDOCNAME, 255 bytes", ESC_JOB_GETDOCNAME, {}, 255, 0, kErrorMarker, {}},
      {"GETHANDLE into the input copy", ESC_PRN_GETHANDLE, Bytes(8, 1), 0, 0, kErrorMarker, {}},
      {"SETHANDLE", ESC_PRN_SETHANDLE, Long(0x77), 0, 0, kErrorMarker, {}},
      {"FORM_PLACE, 11 bytes", ESC_FORM_PLACE, Bytes(11, 0), 0, 1, kErrorMarker, {}},
      {"FORM_BEGINPART", ESC_FORM_BEGINPART, {}, 0, 1, kErrorMarker, {}},
      {"FORM_ENDPART", ESC_FORM_ENDPART, {}, 0, 1, kErrorMarker, {}},
      {"WM_BEGIN", ESC_WM_BEGIN, {}, 0, 1, kErrorMarker, {}},
      {"WM_DATA", ESC_WM_DATA, {}, 0, 1, kErrorMarker, {}},
      {"WM_END", ESC_WM_END, {}, 0, 1, kErrorMarker, {}},
      {"GETRESERVED", ESC_DRV_GETRESERVED, {}, 4, 1, kErrorMarker, {0, 0, 0, 0}},
  };
  for (const Row& row : after) Check(hdc, row);
  EXPECT_GT(EndPage(hdc), 0);
  EXPECT_GT(EndDoc(hdc), 0);
  EXPECT_TRUE(DeleteDC(hdc));
}

TEST_F(EscapeDC, HeaderFooterBlockIsTheJobsCopy) {
  HDC hdc = CreateDCW(u"WINSPOOL", kPrinter, nullptr, nullptr);
  ASSERT_NE(hdc, nullptr);
  DOCINFOW doc{sizeof(DOCINFOW), u"HF", nullptr, nullptr, 0};
  ASSERT_GT(StartDocW(hdc, &doc), 0);
  Bytes out(1096, kSentinel);
  EXPECT_EQ(ExtEscape(hdc, ESC_HF_GETINFO, 0, nullptr, 1096, reinterpret_cast<LPSTR>(out.data())), 1);
  size_t sentinels = 0;
  for (BYTE b : out) sentinels += b == kSentinel;
  EXPECT_LT(sentinels, 1096u) << "the block was written";
  EndDoc(hdc);
  DeleteDC(hdc);
}

TEST_F(EscapeDC, SheetCountOnPageFiveOfAFourUpJob) {
  Bytes dm = DevmodeWithMultipleUp(4);
  HDC hdc = CreateDCW(nullptr, kPrinter, nullptr, reinterpret_cast<DEVMODEW*>(dm.data()));
  ASSERT_NE(hdc, nullptr) << GetLastError();
  DOCINFOW doc{sizeof(DOCINFOW), u"Four up", nullptr, nullptr, 0};
  ASSERT_GT(StartDocW(hdc, &doc), 0);
  auto ask = [&](ULONG code) {
    LONG value = -7;
    EXPECT_EQ(ExtEscape(hdc, static_cast<int>(code), 0, nullptr, 4, reinterpret_cast<LPSTR>(&value)), 1);
    return value;
  };
  for (int page = 1; page <= 5; ++page) {
    ASSERT_GT(StartPage(hdc), 0);
    EXPECT_EQ(ask(ESC_JOB_GETSHEETCOUNT), page <= 4 ? 1 : 2) << page;
    if (page < 5) {
      EXPECT_GT(EndPage(hdc), 0);
    }
  }
  EXPECT_EQ(ask(ESC_JOB_GETNUP), 4);
  EXPECT_GT(EndPage(hdc), 0);
  EXPECT_GT(EndDoc(hdc), 0);
  DeleteDC(hdc);
}

// SETCOPYCOUNT acts on the merged settings: the running document keeps its copies, the next
// one takes the new count.
TEST_F(EscapeDC, CopyCountReachesTheNextDocument) {
  HDC hdc = CreateDCW(u"WINSPOOL", kPrinter, nullptr, nullptr);
  ASSERT_NE(hdc, nullptr);
  auto print = [&](bool setCopies) {
    DOCINFOW doc{sizeof(DOCINFOW), u"Copies", nullptr, nullptr, 0};
    int job = StartDocW(hdc, &doc);
    EXPECT_GT(job, 0);
    EXPECT_GT(StartPage(hdc), 0);
    if (setCopies) {
      LONG copies = 3;
      EXPECT_EQ(ExtEscape(hdc, SETCOPYCOUNT, 4, reinterpret_cast<LPCSTR>(&copies), 0, nullptr), 1);
    }
    EXPECT_GT(EndPage(hdc), 0);
    EXPECT_GT(EndDoc(hdc), 0);
    std::string endPage;
    for (const std::string& line : JobListing(static_cast<DWORD>(job)))
      if (line.rfind("EndPage", 0) == 0) endPage = line;
    return endPage;
  };
  EXPECT_EQ(print(true), "EndPage PageCopies=1");
  EXPECT_EQ(print(false), "EndPage PageCopies=3");
  DeleteDC(hdc);
}

}  // namespace
