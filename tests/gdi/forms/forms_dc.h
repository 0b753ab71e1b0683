// A machine with the package installed and printer DCs whose device record carries the overlay
// form settings a test chooses (no user interface sets them), with the helpers the form tests
// share: reading and writing the machine's files, decoding a form's bytes, the sheets of a job.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <win/environment.h>
#include <win/files.h>
#include <win/gdi_draw.h>

#include "../jobflow/printer_dc.h"
#include "../pdev_settings_patch.h"
#include "gdi/formfile.h"
#include "intrface/devmod2.h"

namespace formstest {


using jobflowtest::Bytes;
using OpLines = std::vector<std::string>;

inline Bytes ReadMachineFile(const std::u16string& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  Bytes bytes(GetFileSize(file, nullptr));
  DWORD read = 0;
  if (!bytes.empty()) ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

inline void WriteMachineFile(const std::u16string& path, const Bytes& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

inline std::u16string Env(const char16_t* name) {
  WCHAR value[512] = {};
  const DWORD n = GetEnvironmentVariableW(name, value, 512);
  return std::u16string(value, n < 512 ? n : 0);
}

inline void SetForm(RenderDevmode& settings, BYTE overlay, const std::u16string& name) {
  OVERLAY_DLG& o = settings.dmPrivate.overlay;
  o.bOverlay = overlay;
  std::memset(o.szFormName, 0, sizeof o.szFormName);
  std::memcpy(o.szFormName, name.c_str(), std::min(name.size(), RENDER_NAME_UNITS - 1) * sizeof(WCHAR));
}

// The listing of a bare operator run, or a line saying why it does not decode.
inline OpLines Operators(const Bytes& bytes, size_t from, size_t to) {
  if (from > to || to > bytes.size()) return {"<out of range>"};
  pclxl::Decoded run = pclxl::DecodeOperators(bytes.data() + from, to - from);
  if (!run.ok) return {"<malformed: " + run.error + ">"};
  return run.listing;
}

inline bool StartsWith(const std::string& line, const std::string& prefix) { return line.compare(0, prefix.size(), prefix) == 0; }

inline size_t CountPrefix(const OpLines& lines, const std::string& prefix) {
  return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return StartsWith(l, prefix); }));
}

inline std::string Origin(LONG x, LONG y) { return "SetPageOrigin PageOrigin=(" + std::to_string(x) + "," + std::to_string(y) + ")"; }
inline std::string Rotation(int angle) { return "SetPageRotation PageAngle=" + std::to_string(angle); }

class FormsDC : public jobflowtest::PrinterDCTest {
 protected:
  void SetUp() override {
    PrinterDCTest::SetUp();
    if (HasFatalFailure()) return;
    PlatformTest_SetOsVersion(10, 0, 19045, nullptr, FALSE);
    folder_ = Env(u"ALLUSERSPROFILE") + u"\\Documents\\Halvard\\Form";
  }

  // What one printed document left behind.
  struct Printed {
    DWORD job = 0;
    RenderDevmode settings{};   // the job copy of the settings
    PdevPage page{};            // the job's page
    Bytes printer;              // what reached the printer
  };

  using Draw = std::function<void(HDC, int)>;

  // Prints `pages` pages on a DC whose settings `change` patches (devmode: the application's
  // DEVMODE). Every page draws a 40-dot square at its top left, or what `draw` draws.
  Printed Print(const testsupport::PdevSettingsPatch::Change& change, int pages, DEVMODEW* devmode = nullptr,
                const Draw& draw = nullptr) {
    Printed out;
    testsupport::PdevSettingsPatch patch(change);
    HDC hdc = CreateDC(devmode);
    EXPECT_NE(hdc, nullptr) << GetLastError();
    if (!hdc) return out;
    out.job = PrintDocument(hdc, pages, draw ? draw : [](HDC dc, int) { Rectangle(dc, 0, 0, 40, 40); });
    if (patch.last()) {
      out.settings = patch.last()->job.jobSettings;
      out.page = patch.last()->job.jobPage;
    }
    DeleteDC(hdc);
    out.printer = JobBytes(out.job);
    return out;
  }

  Printed Create(const std::u16string& name, int pages = 1, BYTE nup = 1, DEVMODEW* devmode = nullptr) {
    return Print([&](RenderDevmode& s) {
      SetForm(s, OVERLAY_CREATE, name);
      s.dmPrivate.nup.bNupNum = nup;
    }, pages, devmode);
  }

  Printed PrintWithForm(const std::u16string& name, int pages, DEVMODEW* devmode = nullptr,
                        const testsupport::PdevSettingsPatch::Change& more = nullptr) {
    return Print([&](RenderDevmode& s) {
      SetForm(s, 1, name);
      if (more) more(s);
    }, pages, devmode);
  }

  std::u16string FormFile(const std::u16string& name) { return folder_ + u"\\" + name + u".dfd"; }
  Bytes ReadFormFile(const std::u16string& name) { return ReadMachineFile(FormFile(name)); }

  // The sheets of a decoded job, each from its BeginPage to its EndPage.
  static std::vector<OpLines> Sheets(const pclxl::Decoded& job) {
    std::vector<OpLines> sheets;
    bool open = false;
    for (const std::string& line : job.listing) {
      if (StartsWith(line, "BeginPage")) {
        sheets.emplace_back();
        open = true;
      }
      if (open) sheets.back().push_back(line);
      if (StartsWith(line, "EndPage")) open = false;
    }
    return sheets;
  }

  std::u16string folder_;
};

}  // namespace formstest
