// A live device record of a fresh machine (made by DrvEnablePDEV) printing whole jobs through the
// driver functions of the page flow, for the layout and flow tests of job control: the settings
// are changed on the record before (or between) pages, and the job's bytes are read back from
// the spooler and decoded.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "gdi/gx.h"
#include "gdi/jobctrl.h"
#include "gdi/nt/ddientry.h"
#include "open_pdev.h"
#include "pclxl_decoder.h"
#include "platform_testing.h"
#include "temp_machine.h"

namespace jobctrltest {

// The transform one logical page received, as the decoder lists it.
struct PageTransform {
  std::string origin;    // "(x,y)"
  std::string angle;     // "0"
  std::string scale;     // "(s,s)"
};

class JobCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A4 is the default paper of a metric country.
    PlatformTest_SetCountryCode(44, FALSE);
    PlatformTest_SetComputerName("PC01", FALSE);
    open_.Create();
  }
  void TearDown() override { open_.Close(); }

  PDEV* pdev() { return open_.pdev(); }
  SURFOBJ* surface() { return open_.surface(); }

  // Changes the record's merged settings as a new DEVMODE would (physical page and orientation
  // follow).
  void Change(const std::function<void(RenderDevmode&)>& change) {
    RenderDevmode settings = pdev()->settings;
    change(settings);
    Gx_InitPdevDevmode(pdev(), &settings);
  }

  // A spooler job and DrvStartDoc on it; FALSE when either failed.
  bool StartJob(const char16_t* name = u"layout test") {
    DOC_INFO_1W doc{const_cast<LPWSTR>(name), nullptr, const_cast<LPWSTR>(u"RAW")};
    jobId_ = StartDocPrinterW(open_.printer(), 1, reinterpret_cast<LPBYTE>(&doc));
    if (jobId_ == 0) return false;
    return DrvStartDoc(surface(), const_cast<LPWSTR>(name), jobId_) != FALSE;
  }

  // pages empty pages (beforePage runs before each, with its number from 1), then DrvEndDoc.
  BOOL PrintPages(int pages, const std::function<void(int)>& beforePage = nullptr) {
    for (int page = 1; page <= pages; ++page) {
      if (beforePage) beforePage(page);
      EXPECT_TRUE(DrvStartPage(surface()));
      EXPECT_TRUE(DrvSendPage(surface()));
    }
    BOOL ended = DrvEndDoc(surface(), 0);
    EndDocPrinter(open_.printer());
    return ended;
  }

  pclxl::Decoded Job() {
    char path[1024];
    if (!PlatformTest_SpoolerJobFile(jobId_, path, sizeof path)) return {};
    std::vector<uint8_t> bytes;
    if (FILE* f = std::fopen(path, "rb")) {
      int c;
      while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
      std::fclose(f);
    }
    bytes_ = bytes.size();
    return pclxl::DecodeJob(bytes);
  }

  static std::string Value(const pclxl::Operator& op, uint8_t attribute) {
    const pclxl::Attribute* a = op.Find(attribute);
    if (!a) return "?";
    std::string text = pclxl::FormatOperator(op);
    std::string name = pclxl::AttributeName(attribute) + "=";
    size_t at = text.find(name);
    if (at == std::string::npos) return "?";
    size_t end = text.find(' ', at);
    return text.substr(at + name.size(), end == std::string::npos ? std::string::npos : end - at - name.size());
  }

  // Each logical page's SetPageOrigin / SetPageRotation / SetPageScale after SetPageDefaultCTM.
  static std::vector<PageTransform> Transforms(const pclxl::Decoded& job) {
    std::vector<PageTransform> out;
    const std::vector<pclxl::Operator>& ops = job.operators;
    for (size_t i = 0; i + 3 < ops.size(); ++i) {
      if (pclxl::OperatorName(ops[i].tag) != "SetPageDefaultCTM") continue;
      if (pclxl::OperatorName(ops[i + 1].tag) != "SetPageOrigin") continue;
      PageTransform t;
      t.origin = Value(ops[i + 1], 0x2A);
      t.angle = Value(ops[i + 2], 0x29);
      t.scale = Value(ops[i + 3], 0x2B);
      out.push_back(t);
    }
    return out;
  }

  static std::vector<std::string> Lines(const pclxl::Decoded& job, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& line : job.listing)
      if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    return out;
  }

  testsupport::TempMachine machine_;
  testsupport::OpenPdev open_;
  DWORD jobId_ = 0;
  size_t bytes_ = 0;
};

inline std::string Describe(const std::vector<PageTransform>& pages) {
  std::string out;
  for (const PageTransform& p : pages) out += (out.empty() ? "" : " ") + p.origin + "@" + p.angle + "x" + p.scale;
  return out;
}

}  // namespace jobctrltest
