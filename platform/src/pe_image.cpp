// The PE reader: headers, the section table and the resource directory (types, names,
// languages). Nothing here trusts the file: every offset, count and length is checked
// against the bytes before it is read.
#include <sys/mman.h>

#include <cstring>

#include "internal/resources.h"
#include "internal/unicode.h"

namespace plat {

namespace {

// Fixed offsets of the PE format.
constexpr size_t kDosLfanewOffset = 0x3C;
constexpr size_t kFileHeaderSize = 20;
constexpr size_t kSectionHeaderSize = 40;
constexpr WORD kOptionalMagic32 = 0x10B;
constexpr WORD kOptionalMagic64 = 0x20B;
constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr size_t kResourceDirSize = 16;
constexpr size_t kResourceDirEntrySize = 8;
constexpr size_t kResourceDataEntrySize = 16;
constexpr uint32_t kHighBit = 0x80000000u;
// A directory may share subdirectories between entries; this caps what a crafted file can
// make the reader walk (a real satellite library holds a few hundred entries).
constexpr size_t kMaxLeaves = 1 << 16;

// The callers check their ranges with Fits first; the reads check again, so that a range they
// missed reads as zero instead of past the end of a file that came from outside.
WORD Read16(std::span<const BYTE> b, size_t at) {
  if (at > b.size() || b.size() - at < 2) return 0;
  return static_cast<WORD>(b[at] | (b[at + 1] << 8));
}
uint32_t Read32(std::span<const BYTE> b, size_t at) {
  if (at > b.size() || b.size() - at < 4) return 0;
  return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
         (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
bool Fits(size_t total, uint64_t offset, uint64_t length) { return offset <= total && length <= total - offset; }

struct Section {
  uint32_t virtualAddress;
  uint32_t virtualSize;
  uint32_t rawSize;
  uint32_t rawOffset;
};

// Maps an RVA range to a file range inside one section's raw data.
bool RvaToFile(const std::vector<Section>& sections, size_t fileSize, uint32_t rva, uint32_t length,
               uint32_t* fileOffset, uint32_t* available) {
  for (const Section& s : sections) {
    if (rva < s.virtualAddress) continue;
    uint64_t delta = static_cast<uint64_t>(rva) - s.virtualAddress;
    if (delta >= s.rawSize) continue;
    uint64_t rest = s.rawSize - delta;
    if (length > rest) return false;
    uint64_t offset = static_cast<uint64_t>(s.rawOffset) + delta;
    if (!Fits(fileSize, offset, length)) return false;
    *fileOffset = static_cast<uint32_t>(offset);
    uint64_t inFile = fileSize - offset;
    *available = static_cast<uint32_t>(rest < inFile ? rest : inFile);
    return true;
  }
  return false;
}

class DirectoryReader {
 public:
  DirectoryReader(std::span<const BYTE> file, const std::vector<Section>& sections, uint32_t base, uint32_t limit)
      : file_(file), sections_(sections), base_(base), limit_(limit) {}

  bool ReadTypes(std::vector<ResourceType>& out) {
    std::vector<std::pair<ResourceId, uint32_t>> entries;
    if (!ReadDirectory(0, entries)) return false;
    for (auto& [id, target] : entries) {
      if (!(target & kHighBit)) return false;  // a type must be a subdirectory
      ResourceType type{std::move(id), {}};
      if (!ReadNames(target & ~kHighBit, type.names)) return false;
      out.push_back(std::move(type));
    }
    return true;
  }

 private:
  bool ReadNames(uint32_t offset, std::vector<ResourceName>& out) {
    std::vector<std::pair<ResourceId, uint32_t>> entries;
    if (!ReadDirectory(offset, entries)) return false;
    for (auto& [id, target] : entries) {
      if (!(target & kHighBit)) return false;
      ResourceName name{std::move(id), {}};
      if (!ReadLanguages(target & ~kHighBit, name.languages)) return false;
      out.push_back(std::move(name));
    }
    return true;
  }

  bool ReadLanguages(uint32_t offset, std::vector<ResourceEntry>& out) {
    std::vector<std::pair<ResourceId, uint32_t>> entries;
    if (!ReadDirectory(offset, entries)) return false;
    for (auto& [id, target] : entries) {
      if (target & kHighBit || !id.isOrdinal) return false;  // languages are leaves with numeric ids
      if (++leaves_ > kMaxLeaves) return false;
      if (!Fits(limit_, target, kResourceDataEntrySize)) return false;
      size_t at = static_cast<size_t>(base_) + target;
      uint32_t rva = Read32(file_, at);
      uint32_t size = Read32(file_, at + 4);
      ResourceEntry entry;
      entry.language = id.ordinal;
      entry.size = size;
      entry.codePage = Read32(file_, at + 8);
      uint32_t available = 0;
      if (!RvaToFile(sections_, file_.size(), rva, size, &entry.fileOffset, &available)) return false;
      out.push_back(entry);
    }
    return true;
  }

  bool ReadDirectory(uint32_t offset, std::vector<std::pair<ResourceId, uint32_t>>& out) {
    if (!Fits(limit_, offset, kResourceDirSize)) return false;
    size_t at = static_cast<size_t>(base_) + offset;
    uint32_t count = static_cast<uint32_t>(Read16(file_, at + 12)) + Read16(file_, at + 14);
    uint64_t entriesStart = static_cast<uint64_t>(offset) + kResourceDirSize;
    if (!Fits(limit_, entriesStart, static_cast<uint64_t>(count) * kResourceDirEntrySize)) return false;
    for (uint32_t i = 0; i < count; ++i) {
      size_t e = static_cast<size_t>(base_ + entriesStart) + i * kResourceDirEntrySize;
      uint32_t nameField = Read32(file_, e);
      uint32_t target = Read32(file_, e + 4);
      ResourceId id;
      if (nameField & kHighBit) {
        uint32_t nameOffset = nameField & ~kHighBit;
        if (!Fits(limit_, nameOffset, 2)) return false;
        size_t n = static_cast<size_t>(base_) + nameOffset;
        WORD length = Read16(file_, n);
        if (!Fits(limit_, nameOffset + 2ull, length * 2ull)) return false;
        id.isOrdinal = false;
        id.name.resize(length);
        for (WORD k = 0; k < length; ++k) id.name[k] = static_cast<char16_t>(Read16(file_, n + 2 + k * 2u));
      } else {
        if (nameField > 0xFFFF) return false;
        id = ResourceId::Ordinal(static_cast<WORD>(nameField));
      }
      if ((target & ~kHighBit) >= limit_) return false;
      out.emplace_back(std::move(id), target);
    }
    return true;
  }

  std::span<const BYTE> file_;
  const std::vector<Section>& sections_;
  uint32_t base_;
  uint32_t limit_;
  size_t leaves_ = 0;
};

}  // namespace

ResourceId ResourceId::FromParam(LPCWSTR param) {
  if (IS_INTRESOURCE(param)) return Ordinal(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(param)));
  std::u16string_view text = WideView(param);
  if (text.size() > 1 && text[0] == u'#') {
    uint32_t value = 0;
    bool digits = true;
    for (char16_t c : text.substr(1)) {
      if (c < u'0' || c > u'9') { digits = false; break; }
      value = value * 10 + static_cast<uint32_t>(c - u'0');
      if (value > 0xFFFF) { digits = false; break; }
    }
    if (digits) return Ordinal(static_cast<WORD>(value));
  }
  return Name(std::u16string(text));
}

bool ResourceId::Matches(const ResourceId& other) const {
  if (isOrdinal != other.isOrdinal) return false;
  return isOrdinal ? ordinal == other.ordinal : EqualsNoCase(name, other.name);
}

PeImage::~PeImage() {
  if (data_) munmap(data_, mapped_);
}

std::shared_ptr<const PeImage> PeImage::Parse(std::span<const BYTE> bytes, DWORD* error) {
  *error = ERROR_BAD_EXE_FORMAT;
  if (bytes.size() < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') return nullptr;
  uint32_t peOffset = Read32(bytes, kDosLfanewOffset);
  if (!Fits(bytes.size(), peOffset, 4 + kFileHeaderSize)) return nullptr;
  if (std::memcmp(bytes.data() + peOffset, "PE\0\0", 4) != 0) return nullptr;
  size_t fileHeader = peOffset + 4;
  WORD machine = Read16(bytes, fileHeader);
  WORD sectionCount = Read16(bytes, fileHeader + 2);
  WORD optionalSize = Read16(bytes, fileHeader + 16);
  size_t optional = fileHeader + kFileHeaderSize;
  if (!Fits(bytes.size(), optional, optionalSize) || optionalSize < 2) return nullptr;
  WORD magic = Read16(bytes, optional);
  size_t dirCountOffset;
  if (magic == kOptionalMagic32) dirCountOffset = 92;
  else if (magic == kOptionalMagic64) dirCountOffset = 108;
  else return nullptr;
  if (optionalSize < dirCountOffset + 4 || optionalSize < 20) return nullptr;
  uint32_t entryPoint = Read32(bytes, optional + 16);
  uint32_t dirCount = Read32(bytes, optional + dirCountOffset);
  size_t dirs = optional + dirCountOffset + 4;
  if (dirCount > (optionalSize - dirCountOffset - 4) / 8) return nullptr;

  size_t sectionTable = optional + optionalSize;
  if (!Fits(bytes.size(), sectionTable, static_cast<uint64_t>(sectionCount) * kSectionHeaderSize)) return nullptr;
  std::vector<Section> sections;
  for (WORD i = 0; i < sectionCount; ++i) {
    size_t s = sectionTable + i * kSectionHeaderSize;
    sections.push_back({Read32(bytes, s + 12), Read32(bytes, s + 8), Read32(bytes, s + 16), Read32(bytes, s + 20)});
  }

  std::shared_ptr<PeImage> image(new PeImage);
  // The image keeps its own read-only copy, so the file may change or vanish under it and a
  // caller writing through a resource pointer faults as it would on the platform.
  size_t page = 4096;
  image->mapped_ = (bytes.size() + page - 1) / page * page;
  void* memory = mmap(nullptr, image->mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) {
    *error = ERROR_NOT_ENOUGH_MEMORY;
    return nullptr;
  }
  std::memcpy(memory, bytes.data(), bytes.size());
  mprotect(memory, image->mapped_, PROT_READ);
  image->data_ = static_cast<BYTE*>(memory);
  image->size_ = bytes.size();
  image->machine_ = machine;
  image->entryPoint_ = entryPoint;
  std::span<const BYTE> own(image->data_, image->size_);

  if (dirCount > kResourceDirectoryIndex) {
    size_t d = dirs + kResourceDirectoryIndex * 8;
    uint32_t rva = Read32(own, d);
    uint32_t size = Read32(own, d + 4);
    if (rva != 0 && size != 0) {
      image->hasResources_ = true;
      uint32_t base = 0, available = 0;
      if (RvaToFile(sections, own.size(), rva, static_cast<uint32_t>(kResourceDirSize), &base, &available)) {
        DirectoryReader reader(own, sections, base, available);
        std::vector<ResourceType> types;
        if (reader.ReadTypes(types)) {
          image->types_ = std::move(types);
          image->resourcesValid_ = true;
        }
      }
    }
  }
  *error = ERROR_SUCCESS;
  return image;
}

const ResourceName* PeImage::FindName(const ResourceId& type, const ResourceId& name, DWORD* error) const {
  if (!hasResources_ || !resourcesValid_) {
    *error = ERROR_RESOURCE_DATA_NOT_FOUND;
    return nullptr;
  }
  for (const ResourceType& t : types_) {
    if (!t.id.Matches(type)) continue;
    for (const ResourceName& n : t.names) {
      if (n.id.Matches(name)) return &n;
    }
    *error = ERROR_RESOURCE_NAME_NOT_FOUND;
    return nullptr;
  }
  *error = ERROR_RESOURCE_TYPE_NOT_FOUND;
  return nullptr;
}

const ResourceEntry* PeImage::Find(const ResourceId& type, const ResourceId& name, WORD language, WORD preferred,
                                   DWORD* error) const {
  const ResourceName* n = FindName(type, name, error);
  if (!n) return nullptr;
  auto exact = [&](WORD lang) -> const ResourceEntry* {
    for (const ResourceEntry& e : n->languages)
      if (e.language == lang) return &e;
    return nullptr;
  };
  auto primary = [&](WORD lang) -> const ResourceEntry* {
    for (const ResourceEntry& e : n->languages)
      if (PRIMARYLANGID(e.language) == PRIMARYLANGID(lang)) return &e;
    return nullptr;
  };
  const ResourceEntry* found = nullptr;
  if (language != 0) {
    found = exact(language);
    if (!found) found = exact(MAKELANGID(PRIMARYLANGID(language), 0));
    // A neutral sublanguage asks for the language in any of its forms.
    if (!found && SUBLANGID(language) == 0) found = primary(language);
  } else {
    found = exact(0);
    if (!found && preferred) found = exact(preferred);
    if (!found && preferred) found = primary(preferred);
    if (!found) found = exact(0x0409);
    if (!found && !n->languages.empty()) found = &n->languages.front();
  }
  if (!found) *error = ERROR_RESOURCE_LANG_NOT_FOUND;
  return found;
}

}  // namespace plat
