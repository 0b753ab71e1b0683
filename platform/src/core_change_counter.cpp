#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

#include "internal/change_counter.h"

namespace plat {

bool ChangeCounter::Map(const std::string& path) {
  Unmap();
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  struct stat st {};
  // Two processes growing a new file at once both leave zeros: no count is lost.
  bool sized = fstat(fd, &st) == 0 &&
               (st.st_size >= static_cast<off_t>(sizeof(std::uint64_t)) || ftruncate(fd, sizeof(std::uint64_t)) == 0);
  void* view = sized ? mmap(nullptr, sizeof(std::uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0) : MAP_FAILED;
  close(fd);
  if (view == MAP_FAILED) return false;
  value_ = static_cast<std::uint64_t*>(view);
  return true;
}

void ChangeCounter::Unmap() {
  if (value_) munmap(value_, sizeof(std::uint64_t));
  value_ = nullptr;
}

std::uint64_t ChangeCounter::Load() const {
  return value_ ? std::atomic_ref<std::uint64_t>(*value_).load(std::memory_order_acquire) : 0;
}

std::uint64_t ChangeCounter::Bump() {
  return value_ ? std::atomic_ref<std::uint64_t>(*value_).fetch_add(1, std::memory_order_acq_rel) : 0;
}

}  // namespace plat
