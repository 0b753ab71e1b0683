// The stored-form reader: the marker, the header, the form body between the sheet's own page
// set-up and its closing PageCopies/EndPage, and the slot parts, all checked against the file.
#include "gdi/formfile.h"

#include <cstring>

#include <win/files.h>

namespace {

constexpr DWORD kSearchBlock = 4096;
constexpr BYTE kUint16Tag = 0xC1;

// The offset of the first `mark` at or after `from`, or `size` when there is none. Blocks
// overlap by two bytes, so a mark across a block end is found too.
bool FindMark(const DfdSource& source, DWORD from, const BYTE (&mark)[3], DWORD* found) {
  const DWORD size = source.Size();
  BYTE block[kSearchBlock];
  for (DWORD at = from; at < size && size - at >= sizeof mark;) {
    const DWORD n = size - at < kSearchBlock ? size - at : kSearchBlock;
    if (!source.Read(at, block, n)) return false;
    for (DWORD i = 0; i + sizeof mark <= n; ++i) {
      if (block[i] == mark[0] && block[i + 1] == mark[1] && block[i + 2] == mark[2]) {
        *found = at + i;
        return true;
      }
    }
    if (n < kSearchBlock) break;
    at += n - (sizeof mark - 1);
  }
  *found = size;
  return true;
}

// The parts of a form cut into slots lie one after the other from the body's start, in slot
// order; slots of length 0 hold nothing. False when any of them does not fit the body or is
// to go to a slot outside the page's six.
bool ReadParts(DfdStoredForm& form) {
  const DfdHeader& h = form.header;
  form.partCount = 0;
  if (h.partLength > form.bodyLength) return false;
  DWORD next = form.bodyStart;
  const DWORD end = form.bodyStart + form.bodyLength;
  for (size_t i = 0; i < DFD_FORM_SLOTS; ++i) {
    const DWORD length = h.slotLengths[i];
    if (length == 0) continue;
    const DfdSlotPlacement& placement = h.placements[i];
    if (length > end - next) return false;
    if (placement.slot < 0 || placement.slot >= static_cast<LONG>(DFD_FORM_SLOTS)) return false;
    if (placement.width < 0 || placement.width > 0x7FFF || placement.height < 0 || placement.height > 0x7FFF)
      return false;
    DfdPart& part = form.parts[form.partCount++];
    part.start = next;
    part.length = length;
    part.placement = placement;
    next += length;
  }
  return true;
}

}  // namespace

bool DfdMemorySource::Read(DWORD offset, void* out, DWORD n) const {
  if (offset > size_ || n > size_ - offset) return false;
  if (n) std::memcpy(out, bytes_ + offset, n);
  return true;
}

DfdFileSource::DfdFileSource(HANDLE file) : file_(file), size_(0) {
  DWORD high = 0;
  const DWORD low = GetFileSize(file, &high);
  // Forms of 4 GB and more are not forms this renderer wrote: they read as empty.
  if (low != INVALID_FILE_SIZE && high == 0) size_ = low;
}

bool DfdFileSource::Read(DWORD offset, void* out, DWORD n) const {
  if (offset > size_ || n > size_ - offset) return false;
  if (SetFilePointer(file_, static_cast<LONG>(offset), nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER &&
      GetLastError() != ERROR_SUCCESS)
    return false;
  BYTE* p = static_cast<BYTE*>(out);
  while (n > 0) {
    DWORD read = 0;
    if (!ReadFile(file_, p, n, &read, nullptr) || read == 0 || read > n) return false;
    p += read;
    n -= read;
  }
  return true;
}

DfdReadResult Dfd_ReadStoredForm(const DfdSource& source, DfdStoredForm* form, bool* slotsRefused) {
  if (slotsRefused) *slotsRefused = false;
  if (!form) return DFD_READ_FAILED;
  std::memset(form, 0, sizeof *form);
  const DWORD size = source.Size();
  if (size < DFD_BODY_OFFSET) return DFD_READ_NO_MARKER;
  DfdFormFile start;
  if (!source.Read(0, &start, sizeof start)) return DFD_READ_FAILED;
  if (std::memcmp(start.marker, DFD_MARKER, DFD_MARKER_BYTES) != 0) return DFD_READ_NO_MARKER;
  // The header sits at an odd offset in the packed record: copy it bytewise.
  std::memcpy(&form->header, reinterpret_cast<const BYTE*>(&start) + DFD_HEADER_OFFSET, sizeof form->header);

  // The sheet's own set-up (BeginPage, its transform) is not part of the form: the body starts
  // after the first SetPageRotation of the stream, looked for after the header, whose words
  // may hold any bytes.
  DWORD mark = 0;
  if (!FindMark(source, DFD_BODY_OFFSET, DFD_ROTATION_MARK, &mark)) return DFD_READ_FAILED;
  if (mark >= size) return DFD_READ_NO_BODY_MARK;
  const DWORD bodyStart = mark + sizeof DFD_ROTATION_MARK;

  // The body ends before the sheet's own closing PageCopies value and EndPage, the stream's last
  // 6 bytes. The first such mark in the stream may lie inside font or raster data, so only the
  // sheet's end counts.
  if (size - bodyStart < DFD_END_BYTES) return DFD_READ_NO_END_MARK;
  BYTE tail[DFD_END_BYTES];
  if (!source.Read(size - DFD_END_BYTES, tail, sizeof tail)) return DFD_READ_FAILED;
  if (tail[0] != kUint16Tag || std::memcmp(tail + 3, DFD_END_MARK, sizeof DFD_END_MARK) != 0)
    return DFD_READ_NO_END_MARK;
  form->bodyStart = bodyStart;
  form->bodyLength = size - DFD_END_BYTES - bodyStart;

  if (!ReadParts(*form)) {
    form->partCount = 0;
    if (slotsRefused) *slotsRefused = true;
  }
  return DFD_READ_OK;
}
