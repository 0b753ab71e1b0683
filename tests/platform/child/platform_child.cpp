// Second process of the cross-process platform tests. One command per run:
//   write-file <path> <text>          create or replace the file with the text
//   read-file <path>                  print the file's content
//   hold-open <path> <share>          open for reading and writing with the share mode (a number),
//                                     print "open", and keep the handle until input ends
//   lock <path> <offset> <length>     lock the range exclusively, print "locked", keep it until
//                                     input ends
// Every failure prints "error <GetLastError()>" and exits with 1.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <win/files.h>

namespace {

std::u16string Wide(const char* text) {
  std::u16string out;
  for (const char* p = text; *p; ++p) out.push_back(static_cast<unsigned char>(*p));
  return out;
}

int Failed() {
  std::printf("error %u\n", GetLastError());
  return 1;
}

void WaitForInputEnd() {
  std::fflush(stdout);
  char buffer[64];
  while (read(0, buffer, sizeof(buffer)) > 0) {
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  std::string command = argv[1];
  std::u16string path = Wide(argv[2]);
  if (command == "write-file" && argc == 4) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Failed();
    std::string text = argv[3];
    DWORD written = 0;
    if (!WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) return Failed();
    CloseHandle(h);
    std::printf("written %u\n", written);
    return 0;
  }
  if (command == "read-file") {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Failed();
    std::string text;
    char buffer[256];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof(buffer), &got, nullptr) && got) text.append(buffer, got);
    CloseHandle(h);
    std::printf("%s\n", text.c_str());
    return 0;
  }
  if (command == "hold-open" && argc == 4) {
    DWORD share = static_cast<DWORD>(std::strtoul(argv[3], nullptr, 0));
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Failed();
    std::printf("open\n");
    WaitForInputEnd();
    CloseHandle(h);
    return 0;
  }
  if (command == "lock" && argc == 5) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Failed();
    OVERLAPPED at = {};
    at.u.s.Offset = static_cast<DWORD>(std::strtoul(argv[3], nullptr, 0));
    DWORD length = static_cast<DWORD>(std::strtoul(argv[4], nullptr, 0));
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, length, 0, &at)) return Failed();
    std::printf("locked\n");
    WaitForInputEnd();
    CloseHandle(h);
    return 0;
  }
  return 2;
}
