// A device record as the drawing entry points find it: made by DrvEnablePDEV for a printer of a
// fresh machine (so its settings are merged, dwDumpFlags 0x20E as every merge stamps it), with
// a job open on the spooler and a page open. What the drawing calls write is read back from
// the spooler's job file.
//
// The job and the page are opened the way the page flow leaves them for the drawing calls (job
// output handle, job copy of the settings, job-open, job-started and page-open flags, printable
// box, the page's graphics state forgotten), without its PJL header and BeginPage, so a test
// sees exactly the bytes its own calls wrote. A test changes the settings before OpenJob to
// print a colour job, at 1200 dpi, with a watermark ...
//
// Use it by deriving a fixture from testsupport::OpenPdevTest, or include it and own an
// OpenPdev member.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <win/ddi.h>
#include <win/spooler.h>

#include "gdi/gx.h"
#include "gdi/nt/ddientry.h"
#include "gdi/nt/enable.h"
#include "gdi/pdev.h"
#include "gdi/spool.h"
#include "pclxl_decoder.h"
#include "platform_testing.h"
#include "temp_machine.h"

namespace testsupport {

class OpenPdev {
 public:
  using Bytes = std::vector<uint8_t>;

  // Makes the printer and the device record; the job is not open yet.
  void Create() {
    std::u16string driver = u"Velmor K8000 Series PCL6", driverFile = u"vm4k2dr.dll", data = u"vm4k2ui.dll";
    DRIVER_INFO_2W info{3, driver.data(), nullptr, driverFile.data(), data.data(), data.data()};
    ASSERT_TRUE(AddPrinterDriverW(nullptr, 2, reinterpret_cast<LPBYTE>(&info))) << GetLastError();
    // Each record of a test gets its own printer, so a test may open two side by side.
    static int made = 0;
    std::u16string printer = u"K8000 #";
    for (char c : std::to_string(++made)) printer.push_back(static_cast<char16_t>(c));
    std::u16string port = u"FILE:", processor = u"WinPrint", datatype = u"RAW";
    PRINTER_INFO_2W p{};
    p.pPrinterName = printer.data();
    p.pPortName = port.data();
    p.pDriverName = driver.data();
    p.pPrintProcessor = processor.data();
    p.pDatatype = datatype.data();
    HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&p));
    ASSERT_NE(added, nullptr) << GetLastError();
    ClosePrinter(added);
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ACCESS_USE};
    ASSERT_TRUE(OpenPrinterW(printer.data(), &printer_, &defaults)) << GetLastError();
    GDIINFO gdi{};
    DEVINFO devinfo{};
    HSURF patterns[HS_DDI_MAX];
    pdev_ = reinterpret_cast<PDEV*>(DrvEnablePDEV(nullptr, nullptr, HS_DDI_MAX, patterns, sizeof gdi,
                                                  reinterpret_cast<ULONG*>(&gdi), sizeof devinfo, &devinfo,
                                                  reinterpret_cast<HDEV>(0x1000), printer.data(), printer_));
    ASSERT_NE(pdev_, nullptr) << GetLastError();
    ASSERT_EQ(pdev_->settings.dmPrivate.dwDumpFlags, 0x20Eu);
    surface_.dhpdev = reinterpret_cast<DHPDEV>(pdev_);
    surface_.iType = STYPE_DEVICE;
    surface_.iBitmapFormat = BMF_24BPP;
  }

  // Opens a spooler job and a page on the record, with the record's settings as the job's.
  void OpenJob() {
    DOC_INFO_1W doc{const_cast<LPWSTR>(u"drawing test"), nullptr, const_cast<LPWSTR>(u"RAW")};
    jobId_ = StartDocPrinterW(printer_, 1, reinterpret_cast<LPBYTE>(&doc));
    ASSERT_NE(jobId_, 0u) << GetLastError();
    PDEV* p = pdev_;
    std::memset(&p->job, 0, sizeof p->job);
    p->job.guard = PDEV_GUARD;
    p->job.jobSettings = p->settings;
    p->job.jobPage = p->physicalPage;
    p->job.jobOrientation = p->orientation;
    p->job.pagesInJob = 1;
    p->jobCtl.hJobOutput = printer_;
    p->jobCtl.flags = JF_JOB_OPEN | JF_JOB_STARTED | JF_PAGE_STARTED | JF_PAGE_SETUP_DONE | JF_PAGE_OPEN;
    Spool_ResetOutput(p);
    p->job.output.flags = JOF_TO_PRINTER;
    // The printable box of the page layout: the paper less the edge margin on every side.
    const SHORT m = static_cast<SHORT>(96 * (p->job.jobSettings.dmPrivate.image.bResolution + 1));
    SHORT* box = p->job.layout.printableBox;
    box[0] = 0;
    box[1] = 0;
    box[2] = static_cast<SHORT>(p->physicalPage.width - 2 * m);
    box[3] = static_cast<SHORT>(p->physicalPage.height - 2 * m);
    p->job.layout.columns = p->job.layout.rows = 1;
    p->job.layout.pageScale[0] = p->job.layout.pageScale[1] = 1.0;
    Gx_ResetStateCache(p);
  }

  // Both steps with the settings the merge made.
  void Open() {
    Create();
    if (::testing::Test::HasFatalFailure()) return;
    OpenJob();
  }

  void Close() {
    if (pdev_) {
      DrvDisablePDEV(reinterpret_cast<DHPDEV>(pdev_));
      pdev_ = nullptr;
    }
    if (printer_) {
      if (jobId_) EndDocPrinter(printer_);
      ClosePrinter(printer_);
      printer_ = nullptr;
    }
  }

  ~OpenPdev() { Close(); }

  PDEV* pdev() const { return pdev_; }
  SURFOBJ* surface() { return &surface_; }
  HANDLE printer() const { return printer_; }
  RenderDevmode& settings() { return pdev_->settings; }
  RenderDevmode& job() { return pdev_->job.jobSettings; }

  // Everything written since the last call (the output buffer is flushed first).
  Bytes Take() {
    Spool_Flush(pdev_);
    char path[1024];
    EXPECT_TRUE(PlatformTest_SpoolerJobFile(jobId_, path, sizeof path));
    FILE* f = std::fopen(path, "rb");
    Bytes all;
    if (f) {
      int c;
      while ((c = std::fgetc(f)) != EOF) all.push_back(static_cast<uint8_t>(c));
      std::fclose(f);
    }
    if (all.size() < taken_) return {};
    Bytes fresh(all.begin() + static_cast<long>(taken_), all.end());
    taken_ = all.size();
    return fresh;
  }

  // What was written since the last call as the test decoder lists a bare operator run, one
  // operator per line; "<malformed: ...>" when the decoder rejects it.
  std::vector<std::string> TakeLines() {
    pclxl::Decoded run = pclxl::DecodeOperators(Take());
    if (!run.ok) return {"<malformed: " + run.error + " at " + std::to_string(run.errorOffset) + ">"};
    return run.listing;
  }

  // The same joined by " | ".
  std::string TakeListing() {
    std::string joined;
    for (const std::string& line : TakeLines()) joined += (joined.empty() ? "" : " | ") + line;
    return joined;
  }

 private:
  PDEV* pdev_ = nullptr;
  HANDLE printer_ = nullptr;
  DWORD jobId_ = 0;
  SURFOBJ surface_{};
  size_t taken_ = 0;
};

// A fixture holding a fresh machine and an open record.
class OpenPdevTest : public ::testing::Test {
 protected:
  void SetUp() override { open_.Open(); }
  void TearDown() override { open_.Close(); }

  PDEV* pdev() { return open_.pdev(); }
  SURFOBJ* surface() { return open_.surface(); }
  RenderDevmode& job() { return open_.job(); }
  std::string TakeListing() { return open_.TakeListing(); }
  std::vector<std::string> TakeLines() { return open_.TakeLines(); }
  OpenPdev::Bytes Take() { return open_.Take(); }

  TempMachine machine_;
  OpenPdev open_;
};

}  // namespace testsupport
