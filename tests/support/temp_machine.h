// A fresh stand-in machine in a temporary folder for one test. The calling process switches to
// it; the folder is removed afterwards unless VELMOR_KEEP_MACHINES is set.
#pragma once

#include <string>

#include <win/base.h>

namespace testsupport {

class TempMachine {
 public:
  TempMachine();
  ~TempMachine();
  TempMachine(const TempMachine&) = delete;
  TempMachine& operator=(const TempMachine&) = delete;

  const std::string& root() const { return root_; }
  // Host path of a machine-relative path ("drives/C/Windows").
  std::string Host(const std::string& relative) const { return root_ + "/" + relative; }

 private:
  std::string root_;
};

// The value SetLastError is primed with before a call, so a test can tell whether the call
// set the error at all.
constexpr DWORD kErrorMarker = 0xDEADBEEF;

}  // namespace testsupport
