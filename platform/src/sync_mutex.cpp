// Mutexes. A named mutex is machine-wide: its state is a readable file under <root>/mutexes,
// changed only under an exclusive lock of that file. It records the owning thread (host pid,
// process start time and thread id, so a reused pid is never taken for the owner) and the live
// processes holding handles; a name whose holders have all ended no longer exists, so a killed
// program never blocks the next start.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <functional>
#include <mutex>
#include <sstream>
#include <vector>

#include <win/process.h>

#include "internal/machine.h"
#include "internal/unicode.h"
#include "internal/waitable.h"

namespace {

struct Holder {
  int pid = 0;
  unsigned long long start = 0;
  int handles = 0;
};

struct MutexState {
  int ownerPid = 0;
  unsigned long long ownerStart = 0;
  int ownerThread = 0;
  int count = 0;
  std::vector<Holder> holders;
};

unsigned long long SelfStart() {
  static unsigned long long start = plat::HostProcessStartTime(getpid());
  return start;
}
int SelfThread() { return static_cast<int>(syscall(SYS_gettid)); }

bool ThreadAlive(int pid, unsigned long long start, int tid) {
  if (!plat::HostProcessAlive(pid, start)) return false;
  struct stat st;
  return stat(("/proc/" + std::to_string(pid) + "/task/" + std::to_string(tid)).c_str(), &st) == 0;
}

bool OwnedBySelf(const MutexState& s) { return s.count > 0 && s.ownerPid == getpid() && s.ownerStart == SelfStart() && s.ownerThread == SelfThread(); }

void PruneHolders(MutexState& s) {
  std::vector<Holder> live;
  for (const Holder& h : s.holders)
    if (h.handles > 0 && plat::HostProcessAlive(h.pid, h.start)) live.push_back(h);
  s.holders = live;
}

void AddSelfHolder(MutexState& s) {
  for (Holder& h : s.holders) {
    if (h.pid == getpid() && h.start == SelfStart()) {
      ++h.handles;
      return;
    }
  }
  s.holders.push_back({getpid(), SelfStart(), 1});
}

std::string Serialize(const MutexState& s) {
  std::ostringstream out;
  if (s.count > 0) out << "owner " << s.ownerPid << ' ' << s.ownerStart << ' ' << s.ownerThread << ' ' << s.count << '\n';
  for (const Holder& h : s.holders) out << "holder " << h.pid << ' ' << h.start << ' ' << h.handles << '\n';
  return out.str();
}

MutexState Parse(const std::string& text) {
  MutexState s;
  std::istringstream in(text);
  std::string word;
  while (in >> word) {
    if (word == "owner") {
      in >> s.ownerPid >> s.ownerStart >> s.ownerThread >> s.count;
    } else if (word == "holder") {
      Holder h;
      in >> h.pid >> h.start >> h.handles;
      s.holders.push_back(h);
    }
  }
  if (!in.eof() && in.fail()) return MutexState{};
  return s;
}

// The state of one mutex, changed as a whole under its lock.
class MutexStore {
 public:
  virtual ~MutexStore() = default;
  virtual bool Change(const std::function<void(MutexState&)>& change) = 0;
};

class LocalStore : public MutexStore {
 public:
  bool Change(const std::function<void(MutexState&)>& change) override {
    std::lock_guard<std::mutex> guard(lock_);
    change(state_);
    return true;
  }

 private:
  std::mutex lock_;
  MutexState state_;
};

class MachineStore : public MutexStore {
 public:
  explicit MachineStore(std::string path) : path_(std::move(path)) {}
  bool Change(const std::function<void(MutexState&)>& change) override {
    int fd = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    while (flock(fd, LOCK_EX) != 0) {
    }
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
    MutexState state = Parse(text);
    change(state);
    std::string out = Serialize(state);
    bool ok = ftruncate(fd, 0) == 0 && pwrite(fd, out.data(), out.size(), 0) == static_cast<ssize_t>(out.size());
    close(fd);  // drops the lock
    return ok;
  }

 private:
  std::string path_;
};

struct MutexObject : plat::Waitable {
  std::shared_ptr<MutexStore> store;
  bool named = false;

  plat::WaitOutcome TryAcquire() override {
    plat::WaitOutcome outcome = plat::WaitOutcome::NotSignaled;
    store->Change([&](MutexState& s) {
      if (OwnedBySelf(s)) {
        ++s.count;
        outcome = plat::WaitOutcome::Signaled;
        return;
      }
      bool free = s.count <= 0;
      bool abandoned = !free && !ThreadAlive(s.ownerPid, s.ownerStart, s.ownerThread);
      if (!free && !abandoned) return;
      s.ownerPid = getpid();
      s.ownerStart = SelfStart();
      s.ownerThread = SelfThread();
      s.count = 1;
      outcome = abandoned ? plat::WaitOutcome::Abandoned : plat::WaitOutcome::Signaled;
    });
    return outcome;
  }
  bool IsSignaled() override {
    bool signaled = false;
    store->Change([&](MutexState& s) {
      signaled = s.count <= 0 || OwnedBySelf(s) || !ThreadAlive(s.ownerPid, s.ownerStart, s.ownerThread);
    });
    return signaled;
  }
  bool Close() override {
    if (!named) return true;
    store->Change([&](MutexState& s) {
      for (Holder& h : s.holders)
        if (h.pid == getpid() && h.start == SelfStart()) --h.handles;
      PruneHolders(s);
    });
    return true;
  }
};

// The same name in every session; names are otherwise kept exactly, case included.
std::u16string NamespaceFree(std::u16string_view name) {
  for (std::u16string_view prefix : {std::u16string_view(u"Global\\"), std::u16string_view(u"Local\\")})
    if (name.substr(0, prefix.size()) == prefix) return std::u16string(name.substr(prefix.size()));
  return std::u16string(name);
}

std::string MutexPath(std::u16string_view name) {
  return plat::MachineDir("mutexes") + "/" + plat::ObjectFileName(NamespaceFree(name));
}

HANDLE Insert(std::shared_ptr<MutexStore> store, bool named) {
  auto object = std::make_shared<MutexObject>();
  object->store = std::move(store);
  object->named = named;
  return plat::InsertHandle(object);
}

}  // namespace

extern "C" {

WINBASEAPI HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL bInitialOwner, LPCWSTR lpName) {
  auto own = [&](MutexState& s) {
    s.ownerPid = getpid();
    s.ownerStart = SelfStart();
    s.ownerThread = SelfThread();
    s.count = 1;
  };
  if (!lpName || !*lpName) {
    auto store = std::make_shared<LocalStore>();
    if (bInitialOwner) store->Change(own);
    SetLastError(ERROR_SUCCESS);
    return Insert(store, false);
  }
  auto store = std::make_shared<MachineStore>(MutexPath(plat::WideView(lpName)));
  bool existed = false;
  if (!store->Change([&](MutexState& s) {
        PruneHolders(s);
        existed = !s.holders.empty();
        if (!existed) {
          s = MutexState{};  // what a dead program left behind is gone with its name
          if (bInitialOwner) own(s);
        }
        AddSelfHolder(s);
      })) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  HANDLE handle = Insert(store, true);
  SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

WINBASEAPI HANDLE WINAPI OpenMutexW(DWORD, BOOL, LPCWSTR lpName) {
  if (!lpName || !*lpName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto store = std::make_shared<MachineStore>(MutexPath(plat::WideView(lpName)));
  bool exists = false;
  store->Change([&](MutexState& s) {
    PruneHolders(s);
    exists = !s.holders.empty();
    if (exists) AddSelfHolder(s);
  });
  if (!exists) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  return Insert(store, true);
}

WINBASEAPI BOOL WINAPI ReleaseMutex(HANDLE hMutex) {
  std::shared_ptr<MutexObject> mutex = plat::LookupHandleAs<MutexObject>(hMutex);
  if (!mutex) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  bool owned = false;
  mutex->store->Change([&](MutexState& s) {
    owned = OwnedBySelf(s);
    if (owned && --s.count == 0) s.ownerPid = s.ownerThread = 0;
  });
  if (!owned) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  }
  plat::NotifyWaiters();
  return TRUE;
}

}  // extern "C"
