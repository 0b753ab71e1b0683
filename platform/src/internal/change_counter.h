// A machine-wide change counter: eight bytes in a small file of the machine, mapped shared by
// every process that looks at it. Whoever changes a piece of machine state the counter guards
// bumps it after the change is in place; a process that keeps what it has read of that state
// uses it again as long as the counter has not moved, and so answers without a system call
// while nothing changes, yet sees another process's change at its next call.
#pragma once

#include <cstdint>
#include <string>

namespace plat {

class ChangeCounter {
 public:
  ChangeCounter() = default;
  ~ChangeCounter() { Unmap(); }
  ChangeCounter(const ChangeCounter&) = delete;
  ChangeCounter& operator=(const ChangeCounter&) = delete;

  // Maps the counter file at `path`, made (as zero) when missing. False when it cannot be
  // mapped: the caller then has no way to learn of changes and must read the state each time.
  bool Map(const std::string& path);
  void Unmap();
  bool mapped() const { return value_ != nullptr; }
  // The counter now; 0 when not mapped.
  std::uint64_t Load() const;
  // Counts one change and returns the value before it (0 when not mapped).
  std::uint64_t Bump();

 private:
  std::uint64_t* value_ = nullptr;
};

}  // namespace plat
