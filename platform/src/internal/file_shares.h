// Share modes and byte-range locks between handles of one machine, whichever process holds
// them. Each open of a file holds its own open file description on a small shadow file under
// <root>/files/opens named after the file's inode, and its share mode and locks are
// open-file-description locks (F_OFD_*) on that shadow file. The kernel drops them when the
// holder closes or dies, so a crashed process never leaves a file blocked, and two handles of
// one process conflict exactly as two processes do, as on Windows. The file itself is never
// touched, so this works for read-only files and for fonts shared with the host. The last
// handle of a file removes its shadow file, so the folder lists the files open right now.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <win/base.h>

namespace plat {

class FileShare {
 public:
  // Registers an open with `access` (Win32 access rights, generic rights already mapped) and
  // `shareMode` of the file whose inode is (device, inode). ERROR_SHARING_VIOLATION when an open
  // handle denies what this open wants, or wants what this open denies. An open without data or
  // delete access (attributes only) takes part in neither side, as on Windows.
  static DWORD Open(dev_t device, ino_t inode, DWORD access, DWORD shareMode, std::shared_ptr<FileShare>& out);
  // Whether an open with `access` and `shareMode` would be granted now, without keeping one
  // (deleting and renaming are such opens with DELETE access).
  static DWORD Check(dev_t device, ino_t inode, DWORD access, DWORD shareMode);

  ~FileShare();
  FileShare(const FileShare&) = delete;
  FileShare& operator=(const FileShare&) = delete;

  // LockFileEx: ERROR_ACCESS_DENIED for an open without data access; ERROR_LOCK_VIOLATION when `failImmediately` and another handle's lock is in the
  // way (or an exclusive lock would overlap one of this handle's own); otherwise waits.
  DWORD Lock(uint64_t offset, uint64_t length, bool exclusive, bool failImmediately);
  // UnlockFileEx: the range must be exactly one this handle locked, else ERROR_NOT_LOCKED.
  DWORD Unlock(uint64_t offset, uint64_t length);
  // Whether this handle may read (or write) the range under the locks that handles hold:
  // another handle's exclusive lock stops reads, any other handle's lock and this handle's own
  // shared lock stop writes.
  bool MayAccess(uint64_t offset, uint64_t length, bool write) const;

 private:
  FileShare(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  struct Range {
    uint64_t offset;
    uint64_t length;
    bool exclusive;
  };
  void ReapplyKernelLocks(uint64_t from, uint64_t to);
  int fd_;            // -1 for an open that takes no part (attributes only)
  std::string path_;  // the shadow file
  mutable std::mutex mutex_;  // guards locks_; never held while waiting for another holder
  std::vector<Range> locks_;
};

}  // namespace plat
