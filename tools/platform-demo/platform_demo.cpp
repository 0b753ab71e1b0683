// Shows the stand-in machine at work: which folder holds it, and what a program of the
// machine sees of it.
#include <cstdio>
#include <cstdlib>

#include <win/base.h>

int main() {
  const char* root = std::getenv("PLATFORM_ROOT");
  std::printf("machine root: %s\n", root && *root ? root : "(default folder, see above)");
  SetLastError(ERROR_SUCCESS);
  BOOL closed = CloseHandle(nullptr);
  std::printf("CloseHandle(NULL) -> %d, GetLastError() -> %u\n", closed, GetLastError());
  return 0;
}
