#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>

#include "internal/controls.h"
#include "internal/machine.h"
#include "internal/machine_layout.h"
#include "internal/unicode.h"

namespace fs = std::filesystem;

namespace {

std::mutex g_layoutLock;
// Machines (root + user) this process has already laid out.
std::set<std::string> g_laidOut;

// Host folders whose fonts go into the Fonts folder: the TrueType fonts of the Debian packages
// fonts-dejavu-core / fonts-dejavu-extra and fonts-liberation2, and the Type 1 fonts of
// fonts-urw-base35 (a technology other than TrueType, as printed documents meet it).
const char* const kHostFontFolders[] = {
    "/usr/share/fonts/truetype/dejavu",
    "/usr/share/fonts/truetype/liberation2",
    "/usr/share/fonts/truetype/liberation",
    "/usr/share/fonts/type1/urw-base35",
};

bool IsFontFileName(const std::string& name) {
  if (name.size() < 4) return false;
  std::string ext = name.substr(name.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".ttf" || ext == ".ttc" || (ext.size() == 4 && ext.substr(1) == ".t1");
}

// A font becomes a hard link when the host allows it (same file system), otherwise a copy; never
// a symbolic link, so every caller sees a plain file. The file stand-in never opens a hard-linked
// font for writing, so the host's copy cannot change through the machine.
void InstallFont(const std::string& source, const std::string& target) {
  struct stat st;
  if (lstat(target.c_str(), &st) == 0) return;
  char real[PATH_MAX];
  if (!realpath(source.c_str(), real)) return;
  if (stat(real, &st) != 0 || !S_ISREG(st.st_mode)) return;
  if (link(real, target.c_str()) == 0) return;
  std::error_code ec;
  std::string temp = target + ".part";
  if (fs::copy_file(real, temp, fs::copy_options::overwrite_existing, ec)) {
    fs::rename(temp, target, ec);
  }
  if (ec) fs::remove(temp, ec);
}

void InstallFonts(const std::string& fontsHost) {
  for (const char* folder : kHostFontFolders) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      std::string name = it->path().filename().string();
      if (IsFontFileName(name)) InstallFont(it->path().string(), fontsHost + "/" + name);
    }
  }
}

std::u16string UserFolder(std::u16string_view tail) {
  std::u16string path = u"C:\\Users\\" + plat::MachineUserName();
  if (!tail.empty()) path += tail;
  return path;
}

// Host path of a Windows path under drives/, creating the folders case-sensitively as named
// here unless a folder of that name (in any case) exists already.
void CreateWindowsFolder(std::u16string_view windowsPath) {
  plat::ResolvedPath resolved = plat::ResolvePath(windowsPath);
  if (resolved.error != ERROR_SUCCESS) return;
  if (resolved.exists) return;
  // Create component by component so an existing folder of another case is reused.
  std::u16string partial;
  size_t start = 0;
  while (start <= windowsPath.size()) {
    size_t end = windowsPath.find(u'\\', start);
    if (end == std::u16string_view::npos) end = windowsPath.size();
    partial = std::u16string(windowsPath.substr(0, end));
    if (end > 2) {
      plat::ResolvedPath step = plat::ResolvePath(partial);
      if (!step.exists) mkdir(step.host.c_str(), 0755);
    }
    start = end + 1;
  }
}

}  // namespace

namespace plat {

std::u16string MachineUserName() {
  std::optional<std::string> name = GetControl("UserName");
  if (!name || name->empty()) return u"User";
  return FromUtf8(*name);
}

std::u16string StandardFolderPath(StandardFolder folder) {
  switch (folder) {
    case StandardFolder::Windows: return u"C:\\Windows";
    case StandardFolder::System: return u"C:\\Windows\\System32";
    case StandardFolder::SpoolDrivers: return u"C:\\Windows\\System32\\spool\\drivers\\x64\\3";
    case StandardFolder::Fonts: return u"C:\\Windows\\Fonts";
    case StandardFolder::WindowsTemp: return u"C:\\Windows\\Temp";
    case StandardFolder::ProgramFiles: return u"C:\\Program Files";
    case StandardFolder::ProgramFilesX86: return u"C:\\Program Files (x86)";
    case StandardFolder::CommonFiles: return u"C:\\Program Files\\Common Files";
    case StandardFolder::ProgramData: return u"C:\\ProgramData";
    case StandardFolder::CommonPrograms: return u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
    case StandardFolder::Public: return u"C:\\Users\\Public";
    case StandardFolder::PublicDocuments: return u"C:\\Users\\Public\\Documents";
    case StandardFolder::UserProfile: return UserFolder(u"");
    case StandardFolder::AppData: return UserFolder(u"\\AppData\\Roaming");
    case StandardFolder::LocalAppData: return UserFolder(u"\\AppData\\Local");
    case StandardFolder::Temp: return UserFolder(u"\\AppData\\Local\\Temp");
  }
  return u"C:\\";
}

void EnsureMachineLayout() {
  std::string key = MachineRoot() + "\n" + ToUtf8(MachineUserName());
  // The marker is checked as well, so a machine folder that was removed and made again under the
  // same name is laid out afresh.
  std::string marker = MachineRoot() + "/layout/fonts-installed";
  struct stat st;
  std::lock_guard<std::mutex> guard(g_layoutLock);
  if (g_laidOut.count(key) && stat(marker.c_str(), &st) == 0) return;
  static const StandardFolder kFolders[] = {
      StandardFolder::Windows,        StandardFolder::System,          StandardFolder::SpoolDrivers,
      StandardFolder::Fonts,          StandardFolder::WindowsTemp,     StandardFolder::ProgramFiles,
      StandardFolder::ProgramFilesX86, StandardFolder::CommonFiles,    StandardFolder::ProgramData,
      StandardFolder::CommonPrograms, StandardFolder::Public,          StandardFolder::PublicDocuments,
      StandardFolder::UserProfile,    StandardFolder::AppData,         StandardFolder::LocalAppData,
      StandardFolder::Temp,
  };
  for (StandardFolder folder : kFolders) CreateWindowsFolder(StandardFolderPath(folder));
  // The fonts are installed once per machine; a marker tells later processes it was done.
  MachineDir("layout");
  if (stat(marker.c_str(), &st) != 0) {
    ResolvedPath fonts = ResolvePath(StandardFolderPath(StandardFolder::Fonts));
    if (fonts.isDirectory) InstallFonts(fonts.host);
    if (FILE* f = std::fopen(marker.c_str(), "w")) std::fclose(f);
  }
  g_laidOut.insert(key);
}

}  // namespace plat
