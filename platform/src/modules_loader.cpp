// The module loader: LoadLibraryW/ExW, FreeLibrary, GetProcAddress, GetModuleHandleW,
// GetModuleFileNameW, DisableThreadLibraryCalls.
//
// Kinds of module:
// - code modules: Linux shared objects of the machine under their Windows file names
//   (vm4k2dr.dll, vm4k2ui.dll), opened with dlopen, their DllMain called as the platform calls it;
// - resource modules: resource-only PE files (satellite libraries) loaded by LoadLibraryW;
// - data-file modules: any file loaded with LOAD_LIBRARY_AS_DATAFILE or AS_IMAGE_RESOURCE,
//   usable only for resources, invisible to GetModuleHandleW, GetModuleFileNameW, GetProcAddress;
// - system libraries (kernel32.dll, spoolss.dll, shell32.dll...): the stand-in itself, which
//   every process links, so they count as loaded from the start and resolve to its exports;
// - the process's own program (GetModuleHandleW(NULL)).
// A module handle is a small id of the handle table, so it fits the 32-bit fields the driver
// moves handles through; CloseHandle refuses it as the platform does.
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include <win/modules.h>

#include "internal/controls.h"
#include "internal/environment.h"
#include "internal/files.h"
#include "internal/handles.h"
#include "internal/machine.h"
#include "internal/machine_layout.h"
#include "internal/resources.h"
#include "internal/system_state.h"
#include "internal/unicode.h"

namespace plat {

namespace {

constexpr char kAbsentModulePrefix[] = "AbsentModule.";
constexpr char kAbsentExportPrefix[] = "AbsentExport.";
// Satellite libraries are a few hundred kilobytes; this refuses a file that could not be one.
constexpr off_t kMaxImageSize = 256 * 1024 * 1024;

// The libraries of the platform that the package loads or looks up by name at run time.
constexpr const char16_t* kSystemLibraries[] = {
    u"kernel32.dll", u"user32.dll", u"gdi32.dll",    u"advapi32.dll", u"shell32.dll", u"spoolss.dll",
    u"winspool.drv", u"setupapi.dll", u"comdlg32.dll", u"comctl32.dll", u"version.dll", u"ntdll.dll",
    u"hhctrl.ocx",
};

enum class ModuleKind { Code, Resource, DataFile, System, Process };

struct Module : KernelObject {
  ModuleKind kind = ModuleKind::Code;
  HMODULE handle = nullptr;
  std::u16string windowsPath;
  std::u16string fileName;
  dev_t device = 0;
  ino_t inode = 0;
  void* dl = nullptr;
  link_map* map = nullptr;
  PDLL_MAIN entry = nullptr;
  bool attached = false;
  bool threadCallsDisabled = false;
  int refs = 1;
  std::shared_ptr<const PeImage> image;

  // A module handle is not a kernel object handle.
  bool Close() override {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
};

struct LoaderState {
  // The loader lock: DllMain runs under it, and may load or free other libraries.
  std::recursive_mutex lock;
  std::vector<std::shared_ptr<Module>> modules;  // in load order
  std::vector<std::shared_ptr<Module>> system;
  std::shared_ptr<Module> process;
};

LoaderState& State() {
  static LoaderState* state = new LoaderState;  // used from exit hooks, so never destroyed
  return *state;
}

size_t LastSeparator(std::u16string_view path) { return path.find_last_of(u"\\/"); }

std::u16string FileNamePart(std::u16string_view path) {
  size_t pos = LastSeparator(path);
  std::u16string_view name = pos == std::u16string_view::npos ? path : path.substr(pos + 1);
  if (name.size() >= 2 && name[1] == u':' && pos == std::u16string_view::npos) name = name.substr(2);
  return std::u16string(name);
}

bool HasFolder(std::u16string_view path) {
  return path.find_first_of(u"\\/") != std::u16string_view::npos || (path.size() >= 2 && path[1] == u':');
}

// The platform appends ".dll" to a name without extension; a trailing dot means "no extension".
std::u16string WithDefaultExtension(std::u16string_view path) {
  std::u16string out(path);
  std::u16string name = FileNamePart(out);
  if (!name.empty() && name.back() == u'.') {
    out.pop_back();
  } else if (name.find(u'.') == std::u16string::npos) {
    out += u".dll";
  }
  return out;
}

// One control per absent library ("AbsentModule.spoolss.dll") or export
// ("AbsentExport.shell32.dll!SHGetFolderPathW"), so machine-wide and process-only settings
// add up instead of hiding each other.
std::string AbsentModuleControl(std::u16string_view fileName) {
  std::u16string lower(fileName);
  for (char16_t& c : lower) c = FoldCase(c);
  return std::string(kAbsentModulePrefix) + ToUtf8(lower);
}

std::string AbsentExportControl(std::u16string_view fileName, std::string_view exportName) {
  return std::string(kAbsentExportPrefix) + AbsentModuleControl(fileName).substr(sizeof kAbsentModulePrefix - 1) +
         "!" + std::string(exportName);
}

bool ModuleAbsent(std::u16string_view fileName) { return GetControl(AbsentModuleControl(fileName)).has_value(); }

bool ExportAbsent(std::u16string_view fileName, std::string_view exportName) {
  // A control is a file of the machine's control folder; a name that could step out of it
  // names no control.
  if (exportName.find('/') != std::string_view::npos || exportName.size() > 200) return false;
  return GetControl(AbsentExportControl(fileName, exportName)).has_value();
}

std::u16string SystemFolder() { return StandardFolderPath(StandardFolder::System); }

bool IsSystemLibrary(std::u16string_view fileName) {
  for (const char16_t* name : kSystemLibraries)
    if (EqualsNoCase(name, fileName)) return true;
  return false;
}

std::string RealPath(const std::string& path) {
  char buffer[PATH_MAX];
  return realpath(path.c_str(), buffer) ? std::string(buffer) : std::string();
}

bool InsideMachine(const std::string& realHostPath) {
  std::string root = RealPath(MachineRoot());
  if (root.empty() || realHostPath.size() <= root.size()) return false;
  return realHostPath.compare(0, root.size(), root) == 0 && realHostPath[root.size()] == '/';
}

// Finds the link map entry of the shared object holding `address`.
link_map* ObjectOf(const void* address) {
  Dl_info info;
  void* map = nullptr;
  if (!dladdr1(address, &info, &map, RTLD_DL_LINKMAP)) return nullptr;
  return static_cast<link_map*>(map);
}

// Looks an export up in one object only: dlsym on a handle would also find the symbols of the
// object's dependencies (the stand-in's own functions in every deliverable).
void* OwnSymbol(void* dl, link_map* map, const char* name) {
  if (!dl || !map) return nullptr;
  void* symbol = dlsym(dl, name);
  if (!symbol || ObjectOf(symbol) != map) return nullptr;
  return symbol;
}

std::shared_ptr<Module> Register(std::shared_ptr<Module> module) {
  module->handle = reinterpret_cast<HMODULE>(InsertHandle(module));
  return module;
}

std::shared_ptr<Module> SystemModule(std::u16string_view fileName) {
  LoaderState& s = State();
  for (auto& m : s.system)
    if (EqualsNoCase(m->fileName, fileName)) return m;
  auto module = std::make_shared<Module>();
  module->kind = ModuleKind::System;
  for (const char16_t* name : kSystemLibraries)
    if (EqualsNoCase(name, fileName)) module->fileName = name;
  module->windowsPath = std::u16string(SystemFolder()) + u"\\" + module->fileName;
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&GetProcAddress), &info) && info.dli_fname) {
    module->dl = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
    module->map = ObjectOf(reinterpret_cast<void*>(&GetProcAddress));
  }
  s.system.push_back(Register(module));
  return module;
}

// The program's path in the machine: the test controls' image name when set (a bare name
// stands for a program of the system folder), else the program file when it lies in the
// machine; a host program outside the machine is presented as a program of the system folder.
std::u16string ProcessImagePath() {
  if (std::optional<std::string> image = GetControl(kControlImageName); image && !image->empty()) {
    std::u16string name = FromUtf8(*image);
    if (HasFolder(name)) return CanonicalWindowsPath(name);
    return std::u16string(SystemFolder()) + u"\\" + name;
  }
  std::string exe = RealPath("/proc/self/exe");
  std::string root = RealPath(MachineRoot());
  std::string drives = root + "/drives/";
  if (!root.empty() && exe.compare(0, drives.size(), drives) == 0 && exe.size() > drives.size() + 2) {
    std::string rest = exe.substr(drives.size());
    std::u16string out(1, static_cast<char16_t>(rest[0]));
    out += u":";
    for (char16_t c : FromUtf8(rest.substr(1))) out.push_back(c == u'/' ? u'\\' : c);
    return out;
  }
  size_t slash = exe.rfind('/');
  return std::u16string(SystemFolder()) + u"\\" + FromUtf8(slash == std::string::npos ? exe : exe.substr(slash + 1));
}

std::shared_ptr<Module> ProcessModule() {
  LoaderState& s = State();
  std::lock_guard<std::recursive_mutex> guard(s.lock);
  if (!s.process) {
    auto module = std::make_shared<Module>();
    module->kind = ModuleKind::Process;
    module->dl = dlopen(nullptr, RTLD_NOW);
    if (module->dl) dlinfo(module->dl, RTLD_DI_LINKMAP, &module->map);
    s.process = Register(module);
  }
  // The image name may change between tests, so it is read at each use.
  s.process->windowsPath = ProcessImagePath();
  s.process->fileName = FileNamePart(s.process->windowsPath);
  return s.process;
}

std::shared_ptr<Module> FindModule(HMODULE handle) {
  if (!handle) return ProcessModule();
  return LookupHandleAs<Module>(reinterpret_cast<HANDLE>(handle));
}

void DetachAllAtExit() {
  LoaderState& s = State();
  std::lock_guard<std::recursive_mutex> guard(s.lock);
  // The platform tells every library still loaded that the process is ending (lpReserved
  // non-NULL); the objects stay mapped, since the process is going away anyway.
  for (auto it = s.modules.rbegin(); it != s.modules.rend(); ++it) {
    Module& m = **it;
    if (m.kind == ModuleKind::Code && m.attached && m.entry) {
      m.attached = false;
      m.entry(reinterpret_cast<HINSTANCE>(m.handle), DLL_PROCESS_DETACH, reinterpret_cast<LPVOID>(1));
    }
  }
}

DWORD ErrorFromDlerror(const char* text) {
  std::string message = text ? text : "";
  if (message.find("cannot open shared object file") != std::string::npos) return ERROR_MOD_NOT_FOUND;
  return ERROR_BAD_EXE_FORMAT;
}

// Searches a bare library name as the platform does: the program's folder, the system
// folder, the Windows folder, the current folder, then the folders of PATH.
ResolvedPath SearchLibrary(std::u16string_view fileName) {
  std::u16string program = ProcessImagePath();
  std::vector<std::u16string> folders = {program.substr(0, LastSeparator(program)), SystemFolder(),
                                         StandardFolderPath(StandardFolder::Windows), CurrentDirectory()};
  if (std::optional<std::u16string> path = EnvironmentValue(u"PATH")) {
    size_t start = 0;
    while (start <= path->size()) {
      size_t end = path->find(u';', start);
      if (end == std::u16string::npos) end = path->size();
      std::u16string folder = ExpandEnvironment(path->substr(start, end - start));
      if (!folder.empty()) folders.push_back(folder);
      start = end + 1;
    }
  }
  for (const std::u16string& folder : folders) {
    if (folder.empty()) continue;
    std::u16string candidate = folder;
    if (candidate.back() != u'\\') candidate.push_back(u'\\');
    candidate += fileName;
    ResolvedPath resolved = ResolveMachinePath(candidate);
    if (resolved.exists && !resolved.isDirectory) return resolved;
  }
  return ResolvedPath{};
}

bool ReadWholeFile(int fd, off_t size, std::vector<BYTE>& out) {
  out.resize(static_cast<size_t>(size));
  size_t done = 0;
  while (done < out.size()) {
    ssize_t n = pread(fd, out.data() + done, out.size() - done, static_cast<off_t>(done));
    if (n < 0) return false;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  out.resize(done);
  return true;
}

HMODULE Fail(DWORD error) {
  SetLastError(error);
  return nullptr;
}

HMODULE LoadFile(const ResolvedPath& resolved, DWORD flags) {
  LoaderState& s = State();
  bool asData = (flags & (LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE |
                          LOAD_LIBRARY_AS_IMAGE_RESOURCE)) != 0;
  std::string real = RealPath(resolved.host);
  if (real.empty()) return Fail(ERROR_MOD_NOT_FOUND);
  if (!InsideMachine(real)) return Fail(ERROR_ACCESS_DENIED);
  int fd = open(real.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Fail(errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_MOD_NOT_FOUND);
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return Fail(ERROR_MOD_NOT_FOUND);
  }
  // The same file loaded before, under any of its names, is the same module.
  for (auto& m : s.modules) {
    if (m->kind != ModuleKind::DataFile && m->device == st.st_dev && m->inode == st.st_ino) {
      close(fd);
      ++m->refs;
      return m->handle;
    }
  }
  BYTE magic[4] = {};
  ssize_t got = pread(fd, magic, sizeof magic, 0);
  auto module = std::make_shared<Module>();
  module->windowsPath = resolved.windows;
  module->fileName = FileNamePart(resolved.windows);
  module->device = st.st_dev;
  module->inode = st.st_ino;

  if (got == 4 && std::memcmp(magic, "\x7f" "ELF", 4) == 0) {
    close(fd);
    if (asData) {
      module->kind = ModuleKind::DataFile;  // an ELF file carries no PE resources
    } else {
      dlerror();
      void* dl = dlopen(real.c_str(), RTLD_NOW | RTLD_LOCAL);
      if (!dl) {
        const char* why = dlerror();
        std::fprintf(stderr, "platform: cannot load %s: %s\n", ToUtf8(resolved.windows).c_str(), why ? why : "?");
        return Fail(ErrorFromDlerror(why));
      }
      module->kind = ModuleKind::Code;
      module->dl = dl;
      dlinfo(dl, RTLD_DI_LINKMAP, &module->map);
      if (!(flags & DONT_RESOLVE_DLL_REFERENCES)) {
        void* entry = OwnSymbol(dl, module->map, "DllMain");
        if (!entry) entry = OwnSymbol(dl, module->map, "DllEntryPoint");
        module->entry = reinterpret_cast<PDLL_MAIN>(entry);
      }
    }
  } else if (got >= 2 && magic[0] == 'M' && magic[1] == 'Z') {
    if (st.st_size > kMaxImageSize) {
      close(fd);
      return Fail(ERROR_BAD_EXE_FORMAT);
    }
    std::vector<BYTE> bytes;
    bool read = ReadWholeFile(fd, st.st_size, bytes);
    close(fd);
    if (!read) return Fail(ERROR_READ_FAULT);
    DWORD error = ERROR_SUCCESS;
    module->image = PeImage::Parse(bytes, &error);
    if (!module->image) return Fail(error);
    // Only resource-only images can be loaded for use: there is no Windows code to run.
    if (!asData && module->image->entryPoint() != 0) return Fail(ERROR_BAD_EXE_FORMAT);
    module->kind = asData ? ModuleKind::DataFile : ModuleKind::Resource;
  } else {
    close(fd);
    if (!asData) return Fail(ERROR_BAD_EXE_FORMAT);
    module->kind = ModuleKind::DataFile;
  }

  Register(module);
  s.modules.push_back(module);
  if (module->kind == ModuleKind::Code && module->entry) {
    // Registered after each library's own static objects, so the latest registration runs
    // before any of them is destroyed; the others then find nothing left to detach.
    std::atexit(DetachAllAtExit);
    module->attached = true;
    if (!module->entry(reinterpret_cast<HINSTANCE>(module->handle), DLL_PROCESS_ATTACH, nullptr)) {
      module->entry(reinterpret_cast<HINSTANCE>(module->handle), DLL_PROCESS_DETACH, nullptr);
      module->attached = false;
      std::erase(s.modules, module);
      RemoveHandle(reinterpret_cast<HANDLE>(module->handle));
      dlclose(module->dl);
      return Fail(ERROR_DLL_INIT_FAILED);
    }
  }
  return module->handle;
}

}  // namespace

void DetachModulesForExit() { DetachAllAtExit(); }

std::shared_ptr<const PeImage> ModuleImage(HMODULE handle, DWORD* error) {
  std::lock_guard<std::recursive_mutex> guard(State().lock);
  std::shared_ptr<Module> m = FindModule(handle);
  if (!m || !m->image) {
    *error = ERROR_RESOURCE_DATA_NOT_FOUND;
    return nullptr;
  }
  return m->image;
}

}  // namespace plat

using plat::Module;
using plat::ModuleKind;

namespace {

plat::LoaderState& Loader() { return plat::State(); }

}  // namespace

extern "C" {

WINBASEAPI HMODULE WINAPI LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags) {
  if (!lpLibFileName || hFile) return plat::Fail(ERROR_INVALID_PARAMETER);
  std::u16string requested = plat::WithDefaultExtension(plat::WideView(lpLibFileName));
  std::u16string fileName = plat::FileNamePart(requested);
  if (fileName.empty()) return plat::Fail(ERROR_MOD_NOT_FOUND);
  if (plat::ModuleAbsent(fileName)) return plat::Fail(ERROR_MOD_NOT_FOUND);

  plat::LoaderState& s = Loader();
  std::lock_guard<std::recursive_mutex> guard(s.lock);
  bool bare = !plat::HasFolder(requested);
  if (plat::IsSystemLibrary(fileName)) {
    std::u16string folder = plat::CanonicalWindowsPath(requested);
    folder = folder.substr(0, plat::LastSeparator(folder));
    if (bare || plat::EqualsNoCase(folder, plat::SystemFolder())) return plat::SystemModule(fileName)->handle;
  }
  plat::ResolvedPath resolved;
  if (bare) {
    // A library of that name already loaded is used again, as the platform does before searching.
    for (auto& m : s.modules) {
      if (m->kind != ModuleKind::DataFile && plat::EqualsNoCase(m->fileName, fileName)) {
        ++m->refs;
        return m->handle;
      }
    }
    resolved = plat::SearchLibrary(fileName);
    if (!resolved.exists) return plat::Fail(ERROR_MOD_NOT_FOUND);
  } else {
    resolved = plat::ResolveMachinePath(requested);
    if (resolved.error != ERROR_SUCCESS || !resolved.exists || resolved.isDirectory)
      return plat::Fail(ERROR_MOD_NOT_FOUND);
  }
  return plat::LoadFile(resolved, dwFlags);
}

WINBASEAPI HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName) { return LoadLibraryExW(lpLibFileName, nullptr, 0); }

WINBASEAPI BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
  plat::LoaderState& s = Loader();
  std::lock_guard<std::recursive_mutex> guard(s.lock);
  std::shared_ptr<Module> m = hLibModule ? plat::FindModule(hLibModule) : nullptr;
  if (!m) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  if (m->kind == ModuleKind::System || m->kind == ModuleKind::Process) return TRUE;
  if (--m->refs > 0) return TRUE;
  std::erase(s.modules, m);
  plat::RemoveHandle(reinterpret_cast<HANDLE>(m->handle));
  if (m->kind == ModuleKind::Code) {
    if (m->attached && m->entry) {
      m->attached = false;
      m->entry(reinterpret_cast<HINSTANCE>(m->handle), DLL_PROCESS_DETACH, nullptr);
    }
    dlclose(m->dl);
    m->dl = nullptr;
  }
  return TRUE;
}

WINBASEAPI FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  std::lock_guard<std::recursive_mutex> guard(Loader().lock);
  std::shared_ptr<Module> m = plat::FindModule(hModule);
  if (!m || m->kind == ModuleKind::DataFile) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  // Ordinals: the shared objects of the machine export by name only.
  if (!lpProcName || IS_INTRESOURCE(lpProcName) || m->kind == ModuleKind::Resource ||
      plat::ExportAbsent(m->fileName, lpProcName)) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  // The test controls are the stand-in's own, not an export of any system library.
  if (m->kind == ModuleKind::System && std::strncmp(lpProcName, "PlatformTest_", 13) == 0) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  void* symbol = plat::OwnSymbol(m->dl, m->map, lpProcName);
  if (!symbol) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

WINBASEAPI HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName) {
  plat::LoaderState& s = Loader();
  std::lock_guard<std::recursive_mutex> guard(s.lock);
  std::shared_ptr<Module> process = plat::ProcessModule();
  if (!lpModuleName) return process->handle;
  std::u16string requested = plat::WithDefaultExtension(plat::WideView(lpModuleName));
  std::u16string fileName = plat::FileNamePart(requested);
  if (fileName.empty() || plat::ModuleAbsent(fileName)) return plat::Fail(ERROR_MOD_NOT_FOUND);
  bool bare = !plat::HasFolder(requested);
  std::u16string full = bare ? std::u16string() : plat::CanonicalWindowsPath(requested);
  auto matches = [&](const Module& m) {
    return bare ? plat::EqualsNoCase(m.fileName, fileName) : plat::EqualsNoCase(m.windowsPath, full);
  };
  if (plat::IsSystemLibrary(fileName)) {
    std::shared_ptr<Module> system = plat::SystemModule(fileName);
    if (matches(*system)) return system->handle;
  }
  if (matches(*process)) return process->handle;
  for (auto& m : s.modules)
    if (m->kind != ModuleKind::DataFile && matches(*m)) return m->handle;
  return plat::Fail(ERROR_MOD_NOT_FOUND);
}

WINBASEAPI DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
  std::u16string path;
  {
    std::lock_guard<std::recursive_mutex> guard(Loader().lock);
    std::shared_ptr<Module> m = plat::FindModule(hModule);
    if (!m || m->kind == ModuleKind::DataFile) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return 0;
    }
    path = m->windowsPath;
  }
  if (nSize == 0 || !lpFilename) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (path.size() < nSize) {
    std::memcpy(lpFilename, path.data(), path.size() * sizeof(WCHAR));
    lpFilename[path.size()] = 0;
    return static_cast<DWORD>(path.size());
  }
  // Too small: the platform truncates, terminates and answers nSize.
  std::memcpy(lpFilename, path.data(), (nSize - 1) * sizeof(WCHAR));
  lpFilename[nSize - 1] = 0;
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return nSize;
}

WINBASEAPI BOOL WINAPI DisableThreadLibraryCalls(HMODULE hLibModule) {
  std::lock_guard<std::recursive_mutex> guard(Loader().lock);
  std::shared_ptr<Module> m = hLibModule ? plat::FindModule(hLibModule) : nullptr;
  if (!m || m->kind == ModuleKind::DataFile || m->kind == ModuleKind::Process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // The stand-in sends no thread notifications; the flag is kept for what the library asked.
  m->threadCallsDisabled = true;
  return TRUE;
}

// ---- Test controls ---------------------------------------------------------------------

namespace {

void SetFlagControl(const std::string& name, BOOL set, BOOL machineWide) {
  std::optional<std::string_view> value = set ? std::optional<std::string_view>("1") : std::nullopt;
  if (machineWide)
    plat::SetMachineControl(name, value);
  else
    plat::SetProcessControl(name, value);
}

}  // namespace

WINBASEAPI void PlatformTest_SetModuleAbsent(const char* fileName, BOOL absent, BOOL machineWide) {
  if (!fileName) return;
  SetFlagControl(plat::AbsentModuleControl(plat::FromUtf8(fileName)), absent, machineWide);
}

WINBASEAPI void PlatformTest_SetExportAbsent(const char* fileName, const char* exportName, BOOL absent,
                                            BOOL machineWide) {
  if (!fileName || !exportName) return;
  SetFlagControl(plat::AbsentExportControl(plat::FromUtf8(fileName), exportName), absent, machineWide);
}

}  // extern "C"
