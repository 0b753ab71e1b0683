// A spool file as the replay reads it back, with a page table that need not match it: records
// past the file's end, records cut short, records that hold no page start. The replay's reads
// (mark search, page start, copying a record to the printer) must answer within the record and
// the file, and never read outside their buffers.
//
// Input: a record count (byte 0, up to 8), that many records of start and length (4 bytes each,
// little endian, taken modulo twice the file's size so that some reach past it), then the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <win/files.h>

#include "gdi/spoolplay.h"
#include "../open_pdev.h"

namespace {

struct Rig {
  Rig() { open.Open(); }
  testsupport::TempMachine machine;
  testsupport::OpenPdev open;
};

Rig& TheRig() {
  static Rig* rig = new Rig();  // lives to the end of the process, as the document would
  return *rig;
}

uint32_t Read32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }

void CheckFound(ULONGLONG found, ULONGLONG start, ULONGLONG end) {
  if (found == SPOOL_MARK_NOT_FOUND) return;
  if (found < start || found + SPOOL_MARK_BYTES > end) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 65536) return 0;
  const size_t records = data[0] % 9;
  const size_t header = 1 + records * 8;
  if (size < header) return 0;
  Rig& rig = TheRig();
  PDEV* pdev = rig.open.pdev();
  if (!pdev) std::abort();
  const std::vector<uint8_t> content(data + header, data + size);
  WCHAR folder[MAX_PATH], path[MAX_PATH];
  if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, u"spl", 0, path)) std::abort();
  HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) std::abort();
  DWORD written = 0;
  if (!content.empty() && !WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr))
    std::abort();
  const ULONGLONG span = 2 * content.size() + 1;
  static const BYTE* const kMarks[] = {SPOOL_MARK_MEDIA_SIZE, SPOOL_MARK_CUSTOM_MEDIA_UNITS, SPOOL_MARK_PAGE_COPIES,
                                       SPOOL_MARK_PAGE_ANGLE, SPOOL_MARK_PAGE_ORIGIN};
  for (size_t r = 0; r < records; ++r) {
    const ULONGLONG start = Read32(data + 1 + r * 8) % span;
    const ULONGLONG length = Read32(data + 5 + r * 8) % span;
    const ULONGLONG end = start + length;
    for (const BYTE* mark : kMarks) CheckFound(Spool_FindMark(pdev, file, start, end, mark, SPOOL_MARK_BYTES), start, end);
    CheckFound(Spool_FindPageStart(pdev, file, start, end), start, end);
    Spool_CopyRange(pdev, file, start, length);
  }
  CloseHandle(file);
  DeleteFileW(path);
  // What the copies wrote to the job is dropped, so the job stays small over the run, and a
  // failed copy's stop is lifted for the next input.
  Spool_ResetOutput(pdev);
  pdev->job.output.flags = JOF_TO_PRINTER;
  return 0;
}
