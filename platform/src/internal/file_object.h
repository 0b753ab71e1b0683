// The kernel object behind a file handle of the machine, shared by the file modules.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include <win/base.h>

#include "internal/file_shares.h"
#include "internal/handles.h"

namespace plat {

struct FileObject : KernelObject {
  std::mutex lock;
  int fd = -1;                        // host descriptor; its position is the handle's file pointer
  std::shared_ptr<FileShare> share;   // share mode and byte-range locks of this handle
  std::u16string windowsPath;         // canonical Windows path the handle was opened by
  std::string hostPath;
  bool canRead = false;
  bool canWrite = false;
  bool appendOnly = false;            // FILE_APPEND_DATA without FILE_WRITE_DATA: writes go to the end
  bool directory = false;             // opened with FILE_FLAG_BACKUP_SEMANTICS
  bool deleteOnClose = false;
  bool overlapped = false;            // FILE_FLAG_OVERLAPPED: positions come from the OVERLAPPED only

  ~FileObject() override;
  bool Close() override;
};

// The file object of a handle, or nullptr with ERROR_INVALID_HANDLE set.
std::shared_ptr<FileObject> FileFromHandle(HANDLE handle);

}  // namespace plat
