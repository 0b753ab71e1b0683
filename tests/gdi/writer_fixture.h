// A device record with an open job whose output goes to a file of a fresh machine, for the
// writer's tests: what a writer call emitted is read back from that file.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <win/files.h>
#include <win/memory.h>

#include "gdi/pclxl.h"
#include "gdi/pdev.h"
#include "gdi/spool.h"
#include "pclxl_decoder.h"
#include "platform_testing.h"
#include "temp_machine.h"

namespace writertest {

using Bytes = std::vector<uint8_t>;

// "C0 00 F8 86" -> bytes; 'text' in single quotes is copied as characters.
inline Bytes Hex(const std::string& spec) {
  Bytes out;
  for (size_t i = 0; i < spec.size();) {
    if (spec[i] == ' ') {
      ++i;
    } else if (spec[i] == '\'') {
      size_t end = spec.find('\'', i + 1);
      for (size_t k = i + 1; k < end; ++k) out.push_back(static_cast<uint8_t>(spec[k]));
      i = end + 1;
    } else {
      out.push_back(static_cast<uint8_t>(std::strtoul(spec.substr(i, 2).c_str(), nullptr, 16)));
      i += 2;
    }
  }
  return out;
}

inline std::string ToHex(const Bytes& bytes) {
  std::string out;
  char two[4];
  for (uint8_t b : bytes) {
    std::snprintf(two, sizeof two, "%s%02X", out.empty() ? "" : " ", b);
    out += two;
  }
  return out;
}

inline Bytes ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The next allocation fails. The stand-in counts allocations from the last change of the
// control it has seen, so the control is first taken back and seen taken back.
inline void FailNextAllocation() {
  PlatformTest_FailAllocation(0, FALSE, FALSE);
  GlobalFree(GlobalAlloc(GMEM_FIXED, 1));
  PlatformTest_FailAllocation(1, FALSE, FALSE);
}

// Settings of a plain job: one copy of portrait A4, no duplex, automatic source, plain paper.
inline void PlainSettings(RenderDevmode& dm) {
  std::memset(&dm, 0, sizeof dm);
  dm.dmPublic.dmSize = sizeof(DEVMODEW);
  dm.dmPublic.dmDriverExtra = RENDER_PRIVATE_BYTES;
  dm.dmPublic.dmOrientation = DMORIENT_PORTRAIT;
  dm.dmPublic.dmPaperSize = 9;
  dm.dmPublic.dmCopies = 1;
  dm.dmPublic.dmDuplex = 1;
  dm.dmPublic.dmCollate = 0;
  dm.dmPublic.dmColor = 1;
  dm.dmPrivate.dwSignature = RENDER_PRIVATE_SIGNATURE;
}

class WriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pdev_ = std::make_unique<PDEV>();
    PDEV* p = pdev_.get();
    PlainSettings(p->settings);
    p->orientation = DMORIENT_PORTRAIT;
    p->jobCtl.flags = JF_JOB_OPEN;
    p->job.guard = PDEV_GUARD;
    p->job.jobSettings = p->settings;
    p->job.jobOrientation = DMORIENT_PORTRAIT;
    p->job.pagesInJob = 1;
    Spool_ResetOutput(p);
    file_ = CreateFileW(u"C:\\writer-output.bin", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file_, INVALID_HANDLE_VALUE);
    p->job.output.hSpoolFile = file_;
    p->job.output.flags = JOF_TO_SPOOL_FILE;
  }

  void TearDown() override {
    Spool_FreePageTable(pdev_.get());
    PclXl_FreeFontLists(pdev_.get());
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  }

  PDEV* pdev() { return pdev_.get(); }
  RenderDevmode& job() { return pdev_->job.jobSettings; }

  // Everything written since the last call.
  Bytes Take() {
    Spool_Flush(pdev());
    Bytes all = ReadHostFile(machine_.Host("drives/C/writer-output.bin"));
    Bytes fresh(all.begin() + static_cast<long>(taken_), all.end());
    taken_ = all.size();
    return fresh;
  }

  // What was written since the last call, as the test decoder lists a bare operator run.
  std::string TakeListing() {
    Bytes bytes = Take();
    pclxl::Decoded run = pclxl::DecodeOperators(bytes);
    if (!run.ok) return "<malformed: " + run.error + " at " + std::to_string(run.errorOffset) + ">";
    std::string joined;
    for (const std::string& line : run.listing) joined += (joined.empty() ? "" : " | ") + line;
    return joined;
  }

  testsupport::TempMachine machine_;
  std::unique_ptr<PDEV> pdev_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
  size_t taken_ = 0;
};

}  // namespace writertest
