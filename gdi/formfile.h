// DfdFormFile: an overlay form as it is stored ("<form name>.dfd"), and its reader.
//
//   offset 0    17 marker bytes "Q731MOverlayStart", no NUL
//   offset 17   DfdHeader, thirty little-endian 32-bit words
//   offset 137  the form's first sheet as the job wrote it: BeginPage ... EndPage
//
// Form files sit in a folder every user can write, so the reader takes a stored form as hostile
// input: every offset and length it derives is checked against the file before anything of it
// is placed on a sheet, and nothing is read beyond the file.
#pragma once

#include <cstddef>
#include <cstdint>

#include <win/base.h>

constexpr size_t DFD_MARKER_BYTES = 17;
constexpr char DFD_MARKER[DFD_MARKER_BYTES + 1] = "Q731MOverlayStart";  // the terminator is not stored
constexpr size_t DFD_FORM_SLOTS = 6;

// Where and how big one form part is placed: the page slot (0..5, top left to bottom right) and
// the part's width and height in device dots.
struct DfdSlotPlacement {
  LONG slot;
  LONG width;
  LONG height;
};
static_assert(sizeof(DfdSlotPlacement) == 12);

struct DfdHeader {
  WORD paper;                // the job's paper override when set, otherwise its dmPaperSize
  BYTE orientation;          // 1 portrait, 2 landscape
  BYTE reserved3;            // 0
  DWORD turned;              // 1 when the back side is turned (the job's rotate-180 setting)
  BYTE byte124;              // the job's private settings byte 124, carried as it is
  BYTE reserved9[3];         // 0
  DWORD pageValues[2];       // page values A and B of the job
  DWORD partLength;          // bytes of the form part cut by the form-part escapes
  DWORD slotLengths[DFD_FORM_SLOTS];
  DfdSlotPlacement placements[DFD_FORM_SLOTS];
};
static_assert(sizeof(DfdHeader) == 120, "thirty 32-bit words");
static_assert(offsetof(DfdHeader, paper) == 0);
static_assert(offsetof(DfdHeader, orientation) == 2);
static_assert(offsetof(DfdHeader, reserved3) == 3);
static_assert(offsetof(DfdHeader, turned) == 4);
static_assert(offsetof(DfdHeader, byte124) == 8);
static_assert(offsetof(DfdHeader, reserved9) == 9);
static_assert(offsetof(DfdHeader, pageValues) == 12);
static_assert(offsetof(DfdHeader, pageValues) + 4 == 16);
static_assert(offsetof(DfdHeader, partLength) == 20);
static_assert(offsetof(DfdHeader, slotLengths) == 24);
static_assert(offsetof(DfdHeader, placements) == 48);

#pragma pack(push, 1)
struct DfdFormFile {
  char marker[DFD_MARKER_BYTES];
  DfdHeader header;
  // the page stream follows
};
#pragma pack(pop)
constexpr size_t DFD_HEADER_OFFSET = 17;
constexpr size_t DFD_BODY_OFFSET = 137;
static_assert(offsetof(DfdFormFile, marker) == 0);
static_assert(offsetof(DfdFormFile, header) == DFD_HEADER_OFFSET);
static_assert(sizeof(DfdFormFile) == DFD_BODY_OFFSET);

// The page marks the reader finds in the stream: an attribute tag, the attribute and the
// operator. The sheet's own page set-up ends with its SetPageRotation; the sheet ends with
// PageCopies (a uint16 value) and EndPage, its last 6 bytes.
constexpr BYTE DFD_ROTATION_MARK[3] = {0xF8, 0x29, 0x76};
constexpr BYTE DFD_END_MARK[3] = {0xF8, 0x31, 0x44};
constexpr size_t DFD_END_BYTES = 6;

// Reads bytes of a stored form: a form file, or bytes in memory.
class DfdSource {
 public:
  virtual ~DfdSource() = default;
  virtual DWORD Size() const = 0;
  // Exactly n bytes at offset, or false.
  virtual bool Read(DWORD offset, void* out, DWORD n) const = 0;
};

// One part of a form cut into slots: its bytes in the file and where it goes on a sheet.
struct DfdPart {
  DWORD start;
  DWORD length;
  DfdSlotPlacement placement;
};

// What the reader accepted of a stored form.
struct DfdStoredForm {
  DfdHeader header;
  DWORD bodyStart;           // the form body: after the sheet's own page set-up ...
  DWORD bodyLength;          // ... up to its closing PageCopies and EndPage
  DWORD partCount;           // 0: the form is placed whole
  DfdPart parts[DFD_FORM_SLOTS];
};

enum DfdReadResult : int {
  DFD_READ_OK = 0,
  DFD_READ_NO_MARKER,        // too short, or not starting with the marker
  DFD_READ_NO_BODY_MARK,     // no SetPageRotation mark after the header
  DFD_READ_NO_END_MARK,      // the file does not end with PageCopies and EndPage after that mark
  DFD_READ_FAILED,           // the source refused a read
};

// Reads and checks a stored form. With a result other than DFD_READ_OK the form must not be
// used. Slot data that does not fit the body (lengths past it, slot numbers outside 0..5, a part
// length larger than the body) is dropped: the form is then placed whole, and *slotsRefused says
// so when given.
DfdReadResult Dfd_ReadStoredForm(const DfdSource& source, DfdStoredForm* form, bool* slotsRefused = nullptr);

// A DfdSource over bytes in memory.
class DfdMemorySource : public DfdSource {
 public:
  DfdMemorySource(const void* bytes, size_t size)
      : bytes_(static_cast<const BYTE*>(bytes)), size_(size > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(size)) {}
  DWORD Size() const override { return size_; }
  bool Read(DWORD offset, void* out, DWORD n) const override;

 private:
  const BYTE* bytes_;
  DWORD size_;
};

// A DfdSource over an open file handle (SetFilePointer and ReadFile).
class DfdFileSource : public DfdSource {
 public:
  explicit DfdFileSource(HANDLE file);
  DWORD Size() const override { return size_; }
  bool Read(DWORD offset, void* out, DWORD n) const override;

 private:
  HANDLE file_;
  DWORD size_;
};
