// GetFileVersionInfoSizeW, GetFileVersionInfoW and VerQueryValueW.
//
// A version resource is a tree of blocks {wLength, wValueLength, wType, key, padding, value,
// padding, children}, each child inside its parent's wLength. VerQueryValueW gets only a
// pointer, so it trusts the root block's length alone, and GetFileVersionInfoW makes that
// length true of the copy it hands out (it shortens it when the caller's buffer cuts the copy).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include <win/version.h>

#include "internal/files.h"
#include "internal/resources.h"
#include "internal/unicode.h"

namespace {

constexpr size_t kBlockHeader = 6;
constexpr off_t kMaxFileSize = 256 * 1024 * 1024;

WORD Read16(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }
size_t Align4(size_t n) { return (n + 3) & ~size_t{3}; }

// The version resource of a file of the machine, or the error that explains its absence.
DWORD ReadVersionResource(LPCWSTR fileName, std::vector<BYTE>& out) {
  if (!fileName || !*fileName) return ERROR_INVALID_PARAMETER;
  plat::ResolvedPath path = plat::ResolveMachinePath(plat::WideView(fileName));
  if (path.error != ERROR_SUCCESS) return path.error;
  if (!path.exists) return plat::MissingEntryError(path);
  if (path.isDirectory) return ERROR_ACCESS_DENIED;
  int fd = open(path.host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return plat::ErrorFromErrno(errno);
  struct stat st;
  if (fstat(fd, &st) != 0 || st.st_size > kMaxFileSize) {
    close(fd);
    return ERROR_RESOURCE_DATA_NOT_FOUND;
  }
  std::vector<BYTE> bytes(static_cast<size_t>(st.st_size));
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  close(fd);
  bytes.resize(done);
  // A file that is no PE image (the deliverables are ELF objects) has no resource section.
  DWORD error = ERROR_SUCCESS;
  std::shared_ptr<const plat::PeImage> image = plat::PeImage::Parse(bytes, &error);
  if (!image) return ERROR_RESOURCE_DATA_NOT_FOUND;
  const plat::ResourceEntry* entry =
      image->Find(plat::ResourceId::Ordinal(plat::kRtVersion), plat::ResourceId::Ordinal(1), 0, 0x0409, &error);
  if (!entry) {
    // The resource is usually id 1, but any name will do.
    const plat::ResourceName* any = nullptr;
    for (const plat::ResourceType& t : image->types())
      if (t.id.isOrdinal && t.id.ordinal == plat::kRtVersion && !t.names.empty()) any = &t.names.front();
    if (!any || any->languages.empty()) return error;
    entry = &any->languages.front();
  }
  std::span<const BYTE> data = image->Data(*entry);
  if (data.size() < kBlockHeader || Read16(data.data()) > data.size() || Read16(data.data()) < kBlockHeader)
    return ERROR_RESOURCE_DATA_NOT_FOUND;
  out.assign(data.begin(), data.begin() + Read16(data.data()));
  return ERROR_SUCCESS;
}

struct Block {
  const BYTE* start;
  size_t length;       // wLength, already checked against the parent
  size_t valueLength;  // wValueLength as stored
  bool text;           // wType 1: the value is UTF-16 and valueLength counts characters
  std::u16string key;
  size_t valueOffset;  // from start
  size_t childrenOffset;
};

// Reads the block at `p`, which must lie within `limit` bytes.
bool ReadBlock(const BYTE* p, size_t limit, Block& b) {
  if (limit < kBlockHeader) return false;
  b.start = p;
  b.length = Read16(p);
  b.valueLength = Read16(p + 2);
  b.text = Read16(p + 4) == 1;
  if (b.length < kBlockHeader || b.length > limit) return false;
  b.key.clear();
  size_t at = kBlockHeader;
  for (;;) {
    if (at + 2 > b.length) return false;
    WORD c = Read16(p + at);
    at += 2;
    if (c == 0) break;
    b.key.push_back(static_cast<char16_t>(c));
  }
  b.valueOffset = Align4(at);
  size_t valueBytes = b.text ? b.valueLength * 2 : b.valueLength;
  if (b.valueOffset > b.length) {
    if (valueBytes != 0) return false;
    b.valueOffset = b.length;
  }
  if (valueBytes > b.length - b.valueOffset) return false;
  b.childrenOffset = Align4(b.valueOffset + valueBytes);
  return true;
}

bool FindChild(const Block& parent, std::u16string_view key, Block& child) {
  size_t at = parent.childrenOffset;
  while (at + kBlockHeader <= parent.length) {
    if (!ReadBlock(parent.start + at, parent.length - at, child)) return false;
    if (plat::EqualsNoCase(child.key, key)) return true;
    at = Align4(at + child.length);
  }
  return false;
}

}  // namespace

extern "C" {

WINBASEAPI DWORD WINAPI GetFileVersionInfoSizeW(LPCWSTR lptstrFilename, LPDWORD lpdwHandle) {
  if (lpdwHandle) *lpdwHandle = 0;
  std::vector<BYTE> resource;
  DWORD error = ReadVersionResource(lptstrFilename, resource);
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return 0;
  }
  return static_cast<DWORD>(Align4(resource.size()));
}

WINBASEAPI BOOL WINAPI GetFileVersionInfoW(LPCWSTR lptstrFilename, DWORD, DWORD dwLen, LPVOID lpData) {
  if (!lpData || dwLen == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<BYTE> resource;
  DWORD error = ReadVersionResource(lptstrFilename, resource);
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return FALSE;
  }
  // A buffer that is too small receives what fits, as on the platform.
  size_t copied = resource.size() < dwLen ? resource.size() : dwLen;
  std::memcpy(lpData, resource.data(), copied);
  if (copied < resource.size() && copied >= 2) {
    BYTE* root = static_cast<BYTE*>(lpData);
    root[0] = static_cast<BYTE>(copied);
    root[1] = static_cast<BYTE>(copied >> 8);
  }
  return TRUE;
}

WINBASEAPI BOOL WINAPI VerQueryValueW(LPCVOID pBlock, LPCWSTR lpSubBlock, LPVOID* lplpBuffer, PUINT puLen) {
  if (!pBlock || !lplpBuffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const BYTE* root = static_cast<const BYTE*>(pBlock);
  Block block;
  if (!ReadBlock(root, Read16(root), block)) {
    SetLastError(ERROR_INVALID_DATA);
    return FALSE;
  }
  std::u16string_view path = plat::WideView(lpSubBlock);
  size_t at = 0;
  while (at < path.size()) {
    while (at < path.size() && path[at] == u'\\') ++at;
    if (at >= path.size()) break;
    size_t end = path.find(u'\\', at);
    if (end == std::u16string_view::npos) end = path.size();
    Block child;
    if (!FindChild(block, path.substr(at, end - at), child)) {
      SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
      return FALSE;
    }
    block = child;
    at = end;
  }
  if (block.start == root && block.valueLength == 0) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);  // "\" of a resource without VS_FIXEDFILEINFO
    return FALSE;
  }
  *lplpBuffer = const_cast<BYTE*>(block.start + block.valueOffset);
  if (puLen) *puLen = static_cast<UINT>(block.valueLength);
  return TRUE;
}

}  // extern "C"
