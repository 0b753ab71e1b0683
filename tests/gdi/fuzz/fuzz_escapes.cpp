// The private escape buffers an application hands ExtEscape, as the renderer's DrvEscape gets
// them: any escape it answers, with input and output buffers of the sizes the application
// gives, short, exact and long, or none. Nothing may be read or written outside them.
//
// Input: escape index, output size index, flags (1 no input buffer, 2 no output buffer), then
// the input buffer's bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <vm4k2/escapes.h>
#include <win/gdi.h>

#include "../open_pdev.h"

namespace {

using namespace vm4k2;

constexpr ULONG kEscapes[] = {
    QUERYESCSUPPORT,     SETCOPYCOUNT,     GETTECHNOLOGY,         ESC_PRN_SETHANDLE,  ESC_PRN_GETHANDLE,
    ESC_WM_GETINFO,      ESC_WM_BEGIN,     ESC_WM_DATA,           ESC_WM_END,         ESC_HF_GETINFO,
    ESC_FORM_BEGINPART,  ESC_FORM_ENDPART, ESC_FORM_PLACE,        ESC_JOB_GETSHEETCOUNT, ESC_JOB_GETDOCNAME,
    ESC_DM_GETEXTRA,     ESC_WM_GETSTATE,  ESC_JOB_GETPAGESIZE,   ESC_JOB_GETNUP,     ESC_DRV_GETRESERVED,
    ESC_DM_GETDOCSTYLE,  ESC_FORM_ISNEW,   0x4FFF,                0x5012,
};
// Around each size an escape asks for: one short, exact, one long, and more.
constexpr ULONG kOutputSizes[] = {0, 1, 2, 3, 4, 5, 8, 11, 12, 13, 255, 256, 257, 1095, 1096, 1097,
                                  1329, 1330, 1331, 3235, 3236, 3237, 4096};
constexpr size_t kGuard = 16;
constexpr uint8_t kGuardByte = 0xA5;

// One machine, printer and open job for the whole run, as one application's document.
struct Rig {
  Rig() { open.Open(); }
  testsupport::TempMachine machine;
  testsupport::OpenPdev open;
};

Rig& TheRig() {
  static Rig* rig = new Rig();  // lives to the end of the process, as the document would
  return *rig;
}

void CheckGuard(const std::vector<uint8_t>& buffer, size_t size) {
  for (size_t i = size; i < size + kGuard; ++i)
    if (buffer[i] != kGuardByte) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3 || size > 8192) return 0;
  Rig& rig = TheRig();
  if (!rig.open.pdev()) std::abort();
  const ULONG escape = kEscapes[data[0] % (sizeof kEscapes / sizeof kEscapes[0])];
  const ULONG outSize = kOutputSizes[data[1] % (sizeof kOutputSizes / sizeof kOutputSizes[0])];
  const bool noInput = data[2] & 1, noOutput = data[2] & 2;
  const size_t inSize = size - 3;
  std::vector<uint8_t> in(inSize + kGuard, kGuardByte);
  std::copy(data + 3, data + size, in.begin());
  std::vector<uint8_t> out(outSize + kGuard, kGuardByte);
  DrvEscape(rig.open.surface(), escape, static_cast<ULONG>(inSize), noInput ? nullptr : in.data(), outSize,
            noOutput ? nullptr : out.data());
  CheckGuard(in, inSize);
  CheckGuard(out, outSize);
  // What the escapes wrote to the job is dropped, so the job file stays small over the run.
  Spool_ResetOutput(rig.open.pdev());
  rig.open.pdev()->job.output.flags = JOF_TO_PRINTER;
  return 0;
}
