// Profile (INI) files: GetPrivateProfileStringW, GetPrivateProfileIntW,
// WritePrivateProfileStringW, GetPrivateProfileSectionW, GetPrivateProfileSectionNamesW,
// GetPrivateProfileStructW and WritePrivateProfileStructW.
//
// Every call reads the file afresh: the status monitor's two threads and the status display
// share one file, so nothing is cached. A write locks the file exclusively (the machine's
// byte-range locks, which every process of the machine sees), reads it, changes the one key or
// section and rewrites it in place, so two writers never lose each other's keys; readers take
// a shared lock and never see a half-written file. Lines the call does not change are written
// back exactly as they were read.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <win/files.h>
#include <win/profile.h>

#include "internal/attributes.h"
#include "internal/codepages.h"
#include "internal/file_shares.h"
#include "internal/files.h"
#include "internal/machine_layout.h"
#include "internal/unicode.h"

namespace {

// ---- The file's lines -------------------------------------------------------------------

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string Trim(std::u16string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return std::u16string(text.substr(begin, end - begin));
}

struct Line {
  enum Kind { Other, Section, Entry } kind = Other;
  std::u16string text;   // the line as stored, without its line break
  std::u16string name;   // section name or key, trimmed
  std::u16string value;  // an entry's value, trimmed (empty for a line without '=')
};

struct Document {
  bool utf16 = false;
  std::vector<Line> lines;
};

Line ParseLine(std::u16string text) {
  Line line;
  line.text = std::move(text);
  std::u16string trimmed = Trim(line.text);
  if (trimmed.empty() || trimmed[0] == u';') return line;  // blank or comment
  if (trimmed[0] == u'[') {
    size_t close = trimmed.find(u']');
    line.kind = Line::Section;
    line.name = Trim(std::u16string_view(trimmed).substr(1, close == std::u16string::npos ? std::u16string::npos : close - 1));
    return line;
  }
  line.kind = Line::Entry;
  size_t equals = trimmed.find(u'=');
  if (equals == std::u16string::npos) {
    line.name = trimmed;
  } else {
    line.name = Trim(std::u16string_view(trimmed).substr(0, equals));
    line.value = Trim(std::u16string_view(trimmed).substr(equals + 1));
  }
  return line;
}

Document ParseDocument(const std::string& bytes) {
  Document doc;
  std::u16string text;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
    doc.utf16 = true;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  } else {
    text = plat::AnsiToWide(bytes);
  }
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(u'\n', start);
    if (end == std::u16string::npos) end = text.size();
    std::u16string raw = text.substr(start, end - start);
    if (!raw.empty() && raw.back() == u'\r') raw.pop_back();
    doc.lines.push_back(ParseLine(std::move(raw)));
    start = end + 1;
  }
  return doc;
}

std::string SerializeDocument(const Document& doc) {
  std::u16string text;
  for (const Line& line : doc.lines) {
    text += line.text;
    text += u"\r\n";
  }
  if (!doc.utf16) return plat::WideToAnsi(text);  // unmappable characters become '?'
  std::string out = "\xFF\xFE";
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

// Index of the section's header line, or -1.
long FindSection(const Document& doc, std::u16string_view section) {
  for (size_t i = 0; i < doc.lines.size(); ++i)
    if (doc.lines[i].kind == Line::Section && plat::EqualsNoCase(doc.lines[i].name, section)) return static_cast<long>(i);
  return -1;
}

// One past the last line of the section whose header is at `header`.
size_t SectionEnd(const Document& doc, size_t header) {
  size_t i = header + 1;
  while (i < doc.lines.size() && doc.lines[i].kind != Line::Section) ++i;
  return i;
}

long FindEntry(const Document& doc, long header, std::u16string_view key) {
  if (header < 0) return -1;
  size_t end = SectionEnd(doc, static_cast<size_t>(header));
  for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i)
    if (doc.lines[i].kind == Line::Entry && plat::EqualsNoCase(doc.lines[i].name, key)) return static_cast<long>(i);
  return -1;
}

// ---- The file on disk -------------------------------------------------------------------

// A name without a folder names a file of the Windows folder, as on the platform.
std::u16string ProfilePath(std::u16string_view fileName) {
  bool absolute = (fileName.size() >= 3 && fileName[1] == u':' && (fileName[2] == u'\\' || fileName[2] == u'/')) ||
                  (!fileName.empty() && (fileName[0] == u'\\' || fileName[0] == u'/'));
  if (absolute) return std::u16string(fileName);
  return plat::StandardFolderPath(plat::StandardFolder::Windows) + u"\\" + std::u16string(fileName);
}

constexpr int kLockAttempts = 5000;
constexpr useconds_t kLockRetryMicroseconds = 1000;

struct OpenProfile {
  int fd = -1;
  std::shared_ptr<plat::FileShare> share;
  ~OpenProfile() {
    share.reset();
    if (fd >= 0) close(fd);
  }
};

DWORD ReadAll(int fd, std::string& bytes) {
  bytes.clear();
  char buffer[8192];
  off_t at = 0;
  for (;;) {
    ssize_t n = pread(fd, buffer, sizeof buffer, at);
    if (n < 0) return plat::ErrorFromErrno(errno);
    if (n == 0) return ERROR_SUCCESS;
    bytes.append(buffer, static_cast<size_t>(n));
    at += n;
  }
}

// Opens the profile with the machine's share rules and takes the whole-file lock.
DWORD OpenLocked(const plat::ResolvedPath& path, bool write, bool create, OpenProfile& out) {
  if (path.error != ERROR_SUCCESS) return path.error;
  if (path.isLink || plat::IsSharedWithHost(path.host)) return write ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
  if (path.isDirectory) return ERROR_ACCESS_DENIED;
  if (!path.exists && !(write && create)) return plat::MissingEntryError(path);
  if (!path.exists && !path.parentExists) return ERROR_PATH_NOT_FOUND;
  int flags = (write ? O_RDWR : O_RDONLY) | O_NOFOLLOW | O_CLOEXEC | (create ? O_CREAT : 0);
  out.fd = open(path.host.c_str(), flags, 0644);
  if (out.fd < 0) return plat::ErrorFromErrno(errno);
  struct stat st;
  if (fstat(out.fd, &st) != 0) return plat::ErrorFromErrno(errno);
  DWORD access = write ? (FILE_READ_DATA | FILE_WRITE_DATA) : FILE_READ_DATA;
  DWORD error = plat::FileShare::Open(st.st_dev, st.st_ino, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      out.share);
  if (error != ERROR_SUCCESS) return error;
  // Other profile calls hold the lock for one read or one rewrite, so it comes free within
  // milliseconds; a lock that stays (a caller's own LockFileEx on the file) fails the call
  // after a while instead of hanging it.
  for (int attempt = 0;; ++attempt) {
    error = out.share->Lock(0, UINT64_MAX, write, true);
    if (error != ERROR_LOCK_VIOLATION || attempt >= kLockAttempts) return error;
    usleep(kLockRetryMicroseconds);
  }
}

DWORD LoadDocument(LPCWSTR fileName, Document& doc) {
  if (!fileName) return ERROR_INVALID_PARAMETER;
  plat::ResolvedPath path = plat::ResolveMachinePath(ProfilePath(plat::WideView(fileName)));
  OpenProfile file;
  DWORD error = OpenLocked(path, false, false, file);
  if (error != ERROR_SUCCESS) return error;
  std::string bytes;
  if (file.fd >= 0) {
    error = ReadAll(file.fd, bytes);
  } else {
    error = plat::ReadWholeFile(path.windows, bytes);  // a file the machine shares with the host
  }
  if (error != ERROR_SUCCESS) return error;
  doc = ParseDocument(bytes);
  return ERROR_SUCCESS;
}

// Applies `edit` to the file under its exclusive lock. `edit` answers whether it changed
// anything; an unchanged file is not written. `creates` says whether the edit may create a
// missing file (a deletion never does).
DWORD EditDocument(LPCWSTR fileName, bool creates, const std::function<bool(Document&)>& edit) {
  if (!fileName || !*fileName) return ERROR_INVALID_PARAMETER;
  plat::ResolvedPath path = plat::ResolveMachinePath(ProfilePath(plat::WideView(fileName)));
  if (path.error != ERROR_SUCCESS) return path.error;
  if (!path.exists && !creates) return path.parentExists ? ERROR_SUCCESS : ERROR_PATH_NOT_FOUND;
  if (path.exists && plat::IsReadOnly(path.host)) return ERROR_ACCESS_DENIED;
  if (!path.exists) {
    DWORD injected = plat::InjectedWriteFailure(path.windows, true);
    if (injected != ERROR_SUCCESS) return injected;
  }
  OpenProfile file;
  DWORD error = OpenLocked(path, true, true, file);
  if (error != ERROR_SUCCESS) return error;
  std::string bytes;
  error = ReadAll(file.fd, bytes);
  if (error != ERROR_SUCCESS) return error;
  Document doc = ParseDocument(bytes);
  if (!edit(doc)) return ERROR_SUCCESS;
  std::string updated = SerializeDocument(doc);
  error = plat::InjectedWriteFailure(path.windows, updated.size() > bytes.size());
  if (error != ERROR_SUCCESS) return error;
  size_t done = 0;
  while (done < updated.size()) {
    ssize_t n = pwrite(file.fd, updated.data() + done, updated.size() - done, static_cast<off_t>(done));
    if (n < 0) return plat::ErrorFromErrno(errno);
    done += static_cast<size_t>(n);
  }
  if (ftruncate(file.fd, static_cast<off_t>(updated.size())) != 0) return plat::ErrorFromErrno(errno);
  return ERROR_SUCCESS;
}

// ---- Answers into the caller's buffer ----------------------------------------------------

// One string, cut to the buffer and terminated: the count copied.
DWORD CopyString(std::u16string_view text, LPWSTR buffer, DWORD size) {
  if (size == 0) return 0;
  size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(buffer, text.data(), n * sizeof(WCHAR));
  buffer[n] = 0;
  return static_cast<DWORD>(n);
}

// NUL-separated strings ending with an extra NUL; when they do not fit, the last one that
// starts is cut, two NULs end the buffer and the answer is size - 2.
DWORD CopyList(const std::vector<std::u16string>& items, LPWSTR buffer, DWORD size) {
  if (size == 0) return 0;
  if (size == 1) {
    buffer[0] = 0;
    return 0;
  }
  size_t at = 0;
  for (const std::u16string& item : items) {
    if (at + item.size() + 1 > size - 1) {
      // The previous string may already reach the last slot; then nothing of this one fits.
      size_t room = at < size - 2 ? size - 2 - at : 0;
      if (room > item.size()) room = item.size();
      std::memcpy(buffer + at, item.data(), room * sizeof(WCHAR));
      buffer[size - 2] = 0;
      buffer[size - 1] = 0;
      return size - 2;
    }
    std::memcpy(buffer + at, item.data(), item.size() * sizeof(WCHAR));
    at += item.size();
    buffer[at++] = 0;
  }
  buffer[at] = 0;
  if (items.empty() && size >= 2) buffer[1] = 0;
  return static_cast<DWORD>(at);
}

std::u16string StripQuotes(const std::u16string& value) {
  if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// The stored value of a key, or nothing; sets the last error for a missing file or key.
std::optional<std::u16string> LookUp(LPCWSTR section, LPCWSTR key, LPCWSTR fileName) {
  Document doc;
  DWORD error = LoadDocument(fileName, doc);
  if (error != ERROR_SUCCESS) {
    SetLastError(error == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : error);
    return std::nullopt;
  }
  long entry = FindEntry(doc, FindSection(doc, plat::WideView(section)), plat::WideView(key));
  if (entry < 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return std::nullopt;
  }
  return doc.lines[static_cast<size_t>(entry)].value;
}

bool Fail(DWORD error) {
  SetLastError(error);
  return false;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

}  // namespace

extern "C" {

WINBASEAPI DWORD WINAPI GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
                                                 LPWSTR lpReturnedString, DWORD nSize, LPCWSTR lpFileName) {
  if (!lpReturnedString || nSize == 0) return 0;
  if (!lpAppName || !lpKeyName) {
    std::vector<std::u16string> names;
    Document doc;
    DWORD error = LoadDocument(lpFileName, doc);
    if (error != ERROR_SUCCESS) {
      SetLastError(error == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : error);
    } else if (!lpAppName) {
      for (const Line& line : doc.lines)
        if (line.kind == Line::Section) names.push_back(line.name);
    } else {
      long header = FindSection(doc, plat::WideView(lpAppName));
      if (header >= 0) {
        size_t end = SectionEnd(doc, static_cast<size_t>(header));
        for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i)
          if (doc.lines[i].kind == Line::Entry) names.push_back(doc.lines[i].name);
      }
    }
    return CopyList(names, lpReturnedString, nSize);
  }
  std::optional<std::u16string> value = LookUp(lpAppName, lpKeyName, lpFileName);
  if (value) return CopyString(StripQuotes(*value), lpReturnedString, nSize);
  // The default loses its trailing blanks.
  std::u16string fallback(plat::WideView(lpDefault));
  while (!fallback.empty() && IsBlank(fallback.back())) fallback.pop_back();
  return CopyString(fallback, lpReturnedString, nSize);
}

WINBASEAPI UINT WINAPI GetPrivateProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, INT nDefault, LPCWSTR lpFileName) {
  if (!lpAppName || !lpKeyName) return static_cast<UINT>(nDefault);
  std::optional<std::u16string> stored = LookUp(lpAppName, lpKeyName, lpFileName);
  if (!stored) return static_cast<UINT>(nDefault);
  std::u16string text = StripQuotes(*stored);
  // Leading digits count ("12abc" is 12, "abc" is 0); "0x" introduces hexadecimal digits.
  size_t at = 0;
  bool negative = false;
  if (at < text.size() && (text[at] == u'-' || text[at] == u'+')) negative = text[at++] == u'-';
  unsigned base = 10;
  if (at + 1 < text.size() && text[at] == u'0' && (text[at + 1] == u'x' || text[at + 1] == u'X')) {
    base = 16;
    at += 2;
  }
  uint64_t value = 0;
  for (; at < text.size(); ++at) {
    int digit = HexDigit(text[at]);
    if (digit < 0 || static_cast<unsigned>(digit) >= base) break;
    value = value * base + static_cast<unsigned>(digit);
    if (value > UINT_MAX) value = UINT_MAX;
  }
  UINT result = static_cast<UINT>(value);
  return negative ? static_cast<UINT>(0u - result) : result;
}

WINBASEAPI BOOL WINAPI WritePrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString,
                                                  LPCWSTR lpFileName) {
  if (!lpAppName) {
    // All three NULL flushes the platform's cache; there is none here.
    if (!lpKeyName && !lpString && !lpFileName) return TRUE;
    return Fail(ERROR_INVALID_PARAMETER);
  }
  std::u16string section(plat::WideView(lpAppName));
  std::u16string key(plat::WideView(lpKeyName));
  std::u16string value(plat::WideView(lpString));
  bool deletesSection = !lpKeyName;
  bool deletesKey = lpKeyName && !lpString;
  DWORD error = EditDocument(lpFileName, !deletesSection && !deletesKey, [&](Document& doc) {
    long header = FindSection(doc, section);
    if (deletesSection) {
      if (header < 0) return false;
      size_t end = SectionEnd(doc, static_cast<size_t>(header));
      doc.lines.erase(doc.lines.begin() + header, doc.lines.begin() + static_cast<long>(end));
      return true;
    }
    long entry = FindEntry(doc, header, key);
    if (deletesKey) {
      if (entry < 0) return false;
      doc.lines.erase(doc.lines.begin() + entry);
      return true;
    }
    Line line = ParseLine(key + u"=" + value);
    if (entry >= 0) {
      // The stored spelling of the key stays.
      line = ParseLine(doc.lines[static_cast<size_t>(entry)].name + u"=" + value);
      if (doc.lines[static_cast<size_t>(entry)].text == line.text) return false;
      doc.lines[static_cast<size_t>(entry)] = line;
      return true;
    }
    if (header < 0) {
      doc.lines.push_back(ParseLine(u"[" + section + u"]"));
      doc.lines.push_back(line);
      return true;
    }
    // After the section's last entry, so blank lines and comments before the next section stay.
    size_t insertAt = static_cast<size_t>(header) + 1;
    size_t end = SectionEnd(doc, static_cast<size_t>(header));
    for (size_t i = insertAt; i < end; ++i)
      if (doc.lines[i].kind == Line::Entry) insertAt = i + 1;
    doc.lines.insert(doc.lines.begin() + static_cast<long>(insertAt), line);
    return true;
  });
  if (error != ERROR_SUCCESS) return Fail(error);
  return TRUE;
}

WINBASEAPI DWORD WINAPI GetPrivateProfileSectionW(LPCWSTR lpAppName, LPWSTR lpReturnedString, DWORD nSize,
                                                  LPCWSTR lpFileName) {
  if (!lpReturnedString || nSize == 0) return 0;
  std::vector<std::u16string> lines;
  Document doc;
  DWORD error = lpAppName ? LoadDocument(lpFileName, doc) : ERROR_INVALID_PARAMETER;
  if (error != ERROR_SUCCESS) {
    SetLastError(error == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : error);
  } else {
    long header = FindSection(doc, plat::WideView(lpAppName));
    if (header >= 0) {
      size_t end = SectionEnd(doc, static_cast<size_t>(header));
      for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i) {
        const Line& line = doc.lines[i];
        if (line.kind == Line::Entry) lines.push_back(Trim(line.text).find(u'=') == std::u16string::npos ? line.name : line.name + u"=" + line.value);
      }
    }
  }
  return CopyList(lines, lpReturnedString, nSize);
}

WINBASEAPI DWORD WINAPI GetPrivateProfileSectionNamesW(LPWSTR lpszReturnBuffer, DWORD nSize, LPCWSTR lpFileName) {
  return GetPrivateProfileStringW(nullptr, nullptr, nullptr, lpszReturnBuffer, nSize, lpFileName);
}

WINBASEAPI BOOL WINAPI GetPrivateProfileStructW(LPCWSTR lpszSection, LPCWSTR lpszKey, LPVOID lpStruct,
                                                UINT uSizeStruct, LPCWSTR szFile) {
  if (!lpszSection || !lpszKey || (!lpStruct && uSizeStruct)) return Fail(ERROR_INVALID_PARAMETER);
  std::optional<std::u16string> stored = LookUp(lpszSection, lpszKey, szFile);
  if (!stored) return FALSE;
  const std::u16string& text = *stored;
  if (text.size() != (static_cast<size_t>(uSizeStruct) + 1) * 2) return Fail(ERROR_BAD_LENGTH);
  std::vector<BYTE> bytes(uSizeStruct + 1);
  for (size_t i = 0; i < bytes.size(); ++i) {
    int high = HexDigit(text[2 * i]);
    int low = HexDigit(text[2 * i + 1]);
    if (high < 0 || low < 0) return Fail(ERROR_INVALID_DATA);
    bytes[i] = static_cast<BYTE>(high * 16 + low);
  }
  BYTE sum = 0;
  for (UINT i = 0; i < uSizeStruct; ++i) sum = static_cast<BYTE>(sum + bytes[i]);
  if (sum != bytes[uSizeStruct]) return Fail(ERROR_INVALID_DATA);
  if (uSizeStruct) std::memcpy(lpStruct, bytes.data(), uSizeStruct);
  return TRUE;
}

WINBASEAPI BOOL WINAPI WritePrivateProfileStructW(LPCWSTR lpszSection, LPCWSTR lpszKey, LPVOID lpStruct,
                                                  UINT uSizeStruct, LPCWSTR szFile) {
  if (!lpszSection || !lpszKey) return Fail(ERROR_INVALID_PARAMETER);
  if (!lpStruct) return WritePrivateProfileStringW(lpszSection, lpszKey, nullptr, szFile);
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string text;
  BYTE sum = 0;
  const BYTE* bytes = static_cast<const BYTE*>(lpStruct);
  for (UINT i = 0; i <= uSizeStruct; ++i) {
    BYTE b = i < uSizeStruct ? bytes[i] : sum;
    if (i < uSizeStruct) sum = static_cast<BYTE>(sum + b);
    text.push_back(kHex[b >> 4]);
    text.push_back(kHex[b & 15]);
  }
  return WritePrivateProfileStringW(lpszSection, lpszKey, reinterpret_cast<LPCWSTR>(text.c_str()), szFile);
}

}  // extern "C"
