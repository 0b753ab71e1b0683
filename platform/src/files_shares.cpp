// Share modes and byte-range locks between the machine's file handles (see file_shares.h).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include <win/files.h>

#include "internal/file_shares.h"
#include "internal/machine.h"

namespace {

// Layout of a shadow file's lock space. Bytes 0-2: "an open has read / write / delete access";
// bytes 3-5: "an open denies read / write / delete"; byte 8: the gate that makes a check and
// the registration that follows one step for concurrent openers. Locks of callers start at
// kUserBase, so a caller's whole-file lock cannot reach the share bytes.
constexpr off_t kHasAccess = 0;
constexpr off_t kDenies = 3;
constexpr off_t kGate = 8;
constexpr uint64_t kUserBase = 64;
// off_t is signed: ranges are kept below this, which no real file comes near.
constexpr uint64_t kUserLimit = (uint64_t{1} << 62);

enum Kind { kRead = 0, kWrite = 1, kDelete = 2 };

bool Wants(DWORD access, Kind kind) {
  switch (kind) {
    case kRead: return access & (FILE_READ_DATA | FILE_EXECUTE);
    case kWrite: return access & (FILE_WRITE_DATA | FILE_APPEND_DATA);
    case kDelete: return access & DELETE;
  }
  return false;
}

bool Shares(DWORD shareMode, Kind kind) {
  static const DWORD kBits[] = {FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_DELETE};
  return shareMode & kBits[kind];
}

std::string ShadowPath(dev_t device, ino_t inode) {
  return plat::MachineDir("files/opens") + "/" + std::to_string(static_cast<unsigned long long>(device)) + "-" +
         std::to_string(static_cast<unsigned long long>(inode));
}

int SetLock(int fd, short type, off_t start, off_t length, bool wait) {
  struct flock lock = {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = start;
  lock.l_len = length;
  for (;;) {
    int rc = fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock);
    if (rc == 0 || errno != EINTR) return rc;
  }
}

// True when another open file description holds a lock that conflicts with `type` on the range.
bool OthersHold(int fd, short type, off_t start, off_t length) {
  struct flock lock = {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = start;
  lock.l_len = length;
  if (fcntl(fd, F_OFD_GETLK, &lock) != 0) return true;
  return lock.l_type != F_UNLCK;
}

// A caller's range in the shadow's lock space; length 0 means "to the end" for fcntl, so an
// empty range is never handed to the kernel.
void UserRange(uint64_t offset, uint64_t length, off_t& start, off_t& len) {
  uint64_t begin = offset >= kUserLimit ? kUserLimit - 1 : offset;
  uint64_t end = (length > kUserLimit || offset + length >= kUserLimit || offset + length < offset) ? kUserLimit
                                                                                                     : offset + length;
  if (end <= begin) end = begin + 1;
  start = static_cast<off_t>(kUserBase + begin);
  len = static_cast<off_t>(end - begin);
}

bool Overlaps(uint64_t aOff, uint64_t aLen, uint64_t bOff, uint64_t bLen) {
  if (aLen == 0 || bLen == 0) return false;
  uint64_t aEnd = aOff + aLen < aOff ? UINT64_MAX : aOff + aLen;
  uint64_t bEnd = bOff + bLen < bOff ? UINT64_MAX : bOff + bLen;
  return aOff < bEnd && bOff < aEnd;
}

DWORD CheckLocked(int fd, DWORD access, DWORD shareMode) {
  for (Kind kind : {kRead, kWrite, kDelete}) {
    if (Wants(access, kind) && OthersHold(fd, F_WRLCK, kDenies + kind, 1)) return ERROR_SHARING_VIOLATION;
    if (!Shares(shareMode, kind) && OthersHold(fd, F_WRLCK, kHasAccess + kind, 1)) return ERROR_SHARING_VIOLATION;
  }
  return ERROR_SUCCESS;
}

bool TakesPart(DWORD access) { return Wants(access, kRead) || Wants(access, kWrite) || Wants(access, kDelete); }

// Opens the shadow file and takes its gate. The last handle of a file unlinks the shadow while it
// holds the gate, so a shadow whose name is gone once the gate is ours is left for a fresh one.
int OpenShadowWithGate(const std::string& path) {
  for (;;) {
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    SetLock(fd, F_WRLCK, kGate, 1, true);
    struct stat held, named;
    if (fstat(fd, &held) == 0 && stat(path.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
        held.st_dev == named.st_dev)
      return fd;
    close(fd);
  }
}

}  // namespace

namespace plat {

DWORD FileShare::Open(dev_t device, ino_t inode, DWORD access, DWORD shareMode, std::shared_ptr<FileShare>& out) {
  std::string path = ShadowPath(device, inode);
  if (!TakesPart(access)) {
    out.reset(new FileShare(-1, path));
    return ERROR_SUCCESS;
  }
  int fd = OpenShadowWithGate(path);
  if (fd < 0) return ERROR_TOO_MANY_OPEN_FILES;
  std::shared_ptr<FileShare> share(new FileShare(fd, path));
  {
    DWORD error = CheckLocked(fd, access, shareMode);
    if (error == ERROR_SUCCESS) {
      for (Kind kind : {kRead, kWrite, kDelete}) {
        if (Wants(access, kind)) SetLock(fd, F_RDLCK, kHasAccess + kind, 1, false);
        if (!Shares(shareMode, kind)) SetLock(fd, F_RDLCK, kDenies + kind, 1, false);
      }
    }
    SetLock(fd, F_UNLCK, kGate, 1, false);
    if (error != ERROR_SUCCESS) return error;
  }
  out = std::move(share);
  return ERROR_SUCCESS;
}

DWORD FileShare::Check(dev_t device, ino_t inode, DWORD access, DWORD shareMode) {
  // No shadow file: no handle has the file open.
  int fd = open(ShadowPath(device, inode).c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? ERROR_SUCCESS : ERROR_TOO_MANY_OPEN_FILES;
  DWORD error = CheckLocked(fd, access, shareMode);
  close(fd);
  return error;
}

FileShare::~FileShare() {
  if (fd_ < 0) return;
  // The last handle of the file takes its shadow away (see OpenShadowWithGate).
  SetLock(fd_, F_WRLCK, kGate, 1, true);
  struct stat held, named;
  if (!OthersHold(fd_, F_WRLCK, 0, 0) && fstat(fd_, &held) == 0 && stat(path_.c_str(), &named) == 0 &&
      held.st_ino == named.st_ino && held.st_dev == named.st_dev)
    unlink(path_.c_str());
  close(fd_);
}

DWORD FileShare::Lock(uint64_t offset, uint64_t length, bool exclusive, bool failImmediately) {
  if (fd_ < 0) return ERROR_ACCESS_DENIED;
  // Windows keeps each lock separate; the kernel merges one description's locks, so this
  // handle's own overlaps are judged from its list.
  std::unique_lock<std::mutex> guard(mutex_);
  for (const Range& own : locks_) {
    // Waiting on one's own lock would never end, so this fails even without failImmediately.
    if (Overlaps(own.offset, own.length, offset, length) && (exclusive || own.exclusive)) return ERROR_LOCK_VIOLATION;
  }
  if (length != 0) {
    off_t start, len;
    UserRange(offset, length, start, len);
    guard.unlock();
    if (SetLock(fd_, exclusive ? F_WRLCK : F_RDLCK, start, len, !failImmediately) != 0) {
      return (errno == EAGAIN || errno == EACCES) ? ERROR_LOCK_VIOLATION : ERROR_NOT_ENOUGH_MEMORY;
    }
    guard.lock();
  }
  locks_.push_back({offset, length, exclusive});
  return ERROR_SUCCESS;
}

DWORD FileShare::Unlock(uint64_t offset, uint64_t length) {
  if (fd_ < 0) return ERROR_NOT_LOCKED;
  std::lock_guard<std::mutex> guard(mutex_);
  for (size_t i = 0; i < locks_.size(); ++i) {
    if (locks_[i].offset != offset || locks_[i].length != length) continue;
    locks_.erase(locks_.begin() + static_cast<std::ptrdiff_t>(i));
    if (length != 0) {
      off_t start, len;
      UserRange(offset, length, start, len);
      SetLock(fd_, F_UNLCK, start, len, false);
      ReapplyKernelLocks(static_cast<uint64_t>(start), static_cast<uint64_t>(start + len));
    }
    return ERROR_SUCCESS;
  }
  return ERROR_NOT_LOCKED;
}

// After an unlock, the handle's other locks that shared bytes of the freed range are laid
// again (shared first, so an exclusive lock wins where both exist), as they are still held.
void FileShare::ReapplyKernelLocks(uint64_t from, uint64_t to) {
  for (bool exclusive : {false, true}) {
    for (const Range& own : locks_) {
      if (own.exclusive != exclusive || own.length == 0) continue;
      off_t start, len;
      UserRange(own.offset, own.length, start, len);
      uint64_t begin = std::max<uint64_t>(static_cast<uint64_t>(start), from);
      uint64_t end = std::min<uint64_t>(static_cast<uint64_t>(start + len), to);
      if (begin < end)
        SetLock(fd_, exclusive ? F_WRLCK : F_RDLCK, static_cast<off_t>(begin), static_cast<off_t>(end - begin), false);
    }
  }
}

bool FileShare::MayAccess(uint64_t offset, uint64_t length, bool write) const {
  if (length == 0 || fd_ < 0) return true;
  std::lock_guard<std::mutex> guard(mutex_);
  if (write) {
    for (const Range& own : locks_)
      if (!own.exclusive && Overlaps(own.offset, own.length, offset, length)) return false;
  }
  off_t start, len;
  UserRange(offset, length, start, len);
  return !OthersHold(fd_, write ? F_WRLCK : F_RDLCK, start, len);
}

}  // namespace plat
