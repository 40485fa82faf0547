// The PE readers of the system helpers: headers, exports (from the module's file when the table
// in memory was changed), forwarders and export names with unmangling, all bounded by the image.
#include "crashreport/drosk_tools.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "crashreport/drosk_strings.h"
#include "framework/win/handles.h"

namespace drosk {

// ---------------------------------------------------------------------------------------------
// Readable memory

namespace {

bool IsReadableRegion(const MEMORY_BASIC_INFORMATION& info) {
  constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                              PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  return info.State == MEM_COMMIT && (info.Protect & kReadable) != 0 &&
         (info.Protect & PAGE_GUARD) == 0;
}

}  // namespace

bool IsReadableMemory(const void* address, size_t size) noexcept {
  auto at = reinterpret_cast<uintptr_t>(address);
  if (size == 0) return true;
  if (at == 0 || at + size < at) return false;
  const uintptr_t end = at + size;
  while (at < end) {
    MEMORY_BASIC_INFORMATION info{};
    if (VirtualQuery(reinterpret_cast<void*>(at), &info, sizeof info) != sizeof info ||
        !IsReadableRegion(info)) {
      return false;
    }
    at = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// PE images

namespace {

constexpr uint32_t kMaxNameLength = 4096;
constexpr int kMaxForwards = 8;  // forwarder chains longer than this are loops

// A PE image in memory (a loaded module, or a copy of one in a buffer), or a PE file's bytes. All
// reads go through At(), which refuses anything outside the readable image.
class TImage {
 public:
  // The image at `base`: its headers are checked and its size is cut to what is readable.
  static std::optional<TImage> InMemory(const void* base) noexcept;
  // A PE file's bytes; addresses are translated to file offsets through the section table.
  static std::optional<TImage> OfFile(const uint8_t* bytes, uint32_t size) noexcept;

  const uint8_t* Base() const { return base_; }
  const IMAGE_NT_HEADERS32* Headers() const { return headers_; }
  uint32_t ImageSize() const { return headers_->OptionalHeader.SizeOfImage; }

  // `length` bytes at the virtual address, or null.
  const uint8_t* At(uint32_t address, uint64_t length) const noexcept;
  template <class T>
  const T* Array(uint32_t address, uint64_t count) const noexcept {
    return reinterpret_cast<const T*>(At(address, count * sizeof(T)));
  }
  // A zero-terminated text at the virtual address; false when unterminated within the image.
  bool Text(uint32_t address, std::string_view& text) const noexcept;
  // The data directory's address and size when it lies inside the image.
  bool Directory(unsigned index, uint32_t& address, uint32_t& size) const noexcept;

 private:
  TImage(const uint8_t* base, uint32_t size, bool file) : base_(base), size_(size), file_(file) {}
  bool ReadHeaders() noexcept;
  std::optional<uint32_t> Offset(uint32_t address) const noexcept;

  const uint8_t* base_;
  uint32_t size_;  // bytes of base_ that may be read
  bool file_;
  const IMAGE_NT_HEADERS32* headers_ = nullptr;
};

// The readable extent from `base` on, at most `limit` bytes.
uint32_t ReadableExtent(const uint8_t* base, uint32_t limit) noexcept {
  uint32_t extent = 0;
  while (extent < limit) {
    MEMORY_BASIC_INFORMATION info{};
    if (VirtualQuery(base + extent, &info, sizeof info) != sizeof info || !IsReadableRegion(info)) {
      break;
    }
    const uint64_t next = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize -
                          reinterpret_cast<uintptr_t>(base);
    extent = static_cast<uint32_t>(std::min<uint64_t>(next, limit));
  }
  return extent;
}

std::optional<TImage> TImage::InMemory(const void* base) noexcept {
  const auto* bytes = static_cast<const uint8_t*>(base);
  // The headers first (their own size is not known before), then the whole image.
  TImage image(bytes, ReadableExtent(bytes, 0x1000), false);
  if (!image.ReadHeaders()) return std::nullopt;
  image.size_ = ReadableExtent(bytes, image.ImageSize());
  return image;
}

std::optional<TImage> TImage::OfFile(const uint8_t* bytes, uint32_t size) noexcept {
  TImage image(bytes, size, true);
  if (!image.ReadHeaders()) return std::nullopt;
  return image;
}

bool TImage::ReadHeaders() noexcept {
  if (size_ < sizeof(IMAGE_DOS_HEADER)) return false;
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base_);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew < 0) return false;
  const uint64_t end = uint64_t(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS32);
  if (end > size_) return false;
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base_ + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE ||
      nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
    return false;
  }
  headers_ = nt;
  return true;
}

std::optional<uint32_t> TImage::Offset(uint32_t address) const noexcept {
  if (!file_) return address;
  // The section whose start is the highest one not above the address.
  const IMAGE_FILE_HEADER& file = headers_->FileHeader;
  const uint64_t sectionsAt = reinterpret_cast<const uint8_t*>(&headers_->OptionalHeader) - base_ +
                              uint64_t{file.SizeOfOptionalHeader};
  const uint64_t count = file.NumberOfSections;
  if (sectionsAt + count * sizeof(IMAGE_SECTION_HEADER) > size_) return std::nullopt;
  const auto* sections = reinterpret_cast<const IMAGE_SECTION_HEADER*>(base_ + sectionsAt);
  const IMAGE_SECTION_HEADER* best = nullptr;
  for (uint64_t i = 0; i < count; ++i) {
    const IMAGE_SECTION_HEADER& s = sections[i];
    if (s.VirtualAddress <= address && (!best || s.VirtualAddress > best->VirtualAddress)) {
      best = &s;
    }
  }
  if (!best)
    return address < headers_->OptionalHeader.SizeOfHeaders ? std::optional(address) : std::nullopt;
  return address - best->VirtualAddress + best->PointerToRawData;
}

const uint8_t* TImage::At(uint32_t address, uint64_t length) const noexcept {
  const std::optional<uint32_t> offset = Offset(address);
  if (!offset || uint64_t{*offset} + length > size_) return nullptr;
  return base_ + *offset;
}

bool TImage::Text(uint32_t address, std::string_view& text) const noexcept {
  const std::optional<uint32_t> offset = Offset(address);
  if (!offset || *offset >= size_) return false;
  const auto* start = reinterpret_cast<const char*>(base_ + *offset);
  const size_t room = std::min<size_t>(size_ - *offset, kMaxNameLength);
  const void* end = std::memchr(start, 0, room);
  if (!end) return false;
  text = std::string_view(start, static_cast<const char*>(end) - start);
  return true;
}

bool TImage::Directory(unsigned index, uint32_t& address, uint32_t& size) const noexcept {
  const IMAGE_OPTIONAL_HEADER32& optional = headers_->OptionalHeader;
  if (index >= IMAGE_NUMBEROF_DIRECTORY_ENTRIES || index >= optional.NumberOfRvaAndSizes) {
    return false;
  }
  address = optional.DataDirectory[index].VirtualAddress;
  size = optional.DataDirectory[index].Size;
  return address != 0 && At(address, std::max<uint32_t>(size, 1)) != nullptr;
}

// The export directory of an image with its arrays, all inside the image.
struct TExports {
  const IMAGE_EXPORT_DIRECTORY* Directory = nullptr;
  uint32_t Start = 0;  // the directory's range, where forwarder texts live
  uint32_t End = 0;
  const DWORD* Functions = nullptr;
  const DWORD* Names = nullptr;
  const WORD* Ordinals = nullptr;
};

std::optional<TExports> ReadExports(const TImage& image) noexcept {
  TExports exports;
  uint32_t size = 0;
  if (!image.Directory(IMAGE_DIRECTORY_ENTRY_EXPORT, exports.Start, size)) return std::nullopt;
  exports.End = exports.Start + size;
  exports.Directory = image.Array<IMAGE_EXPORT_DIRECTORY>(exports.Start, 1);
  if (!exports.Directory) return std::nullopt;
  const IMAGE_EXPORT_DIRECTORY& d = *exports.Directory;
  exports.Functions = image.Array<DWORD>(d.AddressOfFunctions, d.NumberOfFunctions);
  exports.Names = image.Array<DWORD>(d.AddressOfNames, d.NumberOfNames);
  exports.Ordinals = image.Array<WORD>(d.AddressOfNameOrdinals, d.NumberOfNames);
  if (!exports.Functions) return std::nullopt;
  if (!exports.Names || !exports.Ordinals) exports.Names = nullptr, exports.Ordinals = nullptr;
  return exports;
}

// The function index of an exported name.
std::optional<uint32_t> IndexOfName(const TImage& image, const TExports& exports,
                                    std::string_view name) noexcept {
  if (!exports.Names) return std::nullopt;
  for (uint32_t i = 0; i < exports.Directory->NumberOfNames; ++i) {
    std::string_view candidate;
    if (image.Text(exports.Names[i], candidate) && candidate == name) return exports.Ordinals[i];
  }
  return std::nullopt;
}

void* Resolve(HMODULE module, const TImage& image, uint32_t index, int depth);

// A forwarder text "module.name" or "module.#ordinal", resolved in the named module when it is
// loaded (a crash report loads nothing). Module names may hold dots ("krnl386.exe16"): the
// function's name follows the last one.
void* Forward(std::string_view text, int depth) {
  const size_t dot = text.rfind('.');
  if (dot == std::string_view::npos || depth >= kMaxForwards) return nullptr;
  const HMODULE target = GetModuleHandleA(std::string(text.substr(0, dot)).c_str());
  if (!target) return nullptr;
  const std::string_view function = text.substr(dot + 1);
  const std::optional<TImage> image = TImage::InMemory(target);
  if (!image) return nullptr;
  const std::optional<TExports> exports = ReadExports(*image);
  if (!exports) return nullptr;
  std::optional<uint32_t> index;
  if (function.size() > 1 && function[0] == '#') {
    index = static_cast<uint32_t>(StrToIntEx(false, function.substr(1))) - exports->Directory->Base;
  } else {
    index = IndexOfName(*image, *exports, function);
  }
  return index ? Resolve(target, *image, *index, depth + 1) : nullptr;
}

// A read-only view of a module's file.
class TMappedFile {
 public:
  explicit TMappedFile(const std::string& path) {
    file_.reset(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr));
    if (!file_) return;
    const DWORD size = GetFileSize(file_.get(), nullptr);
    if (size == INVALID_FILE_SIZE || size == 0) return;
    mapping_.reset(CreateFileMappingA(file_.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping_) return;
    view_ = static_cast<const uint8_t*>(MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, 0));
    if (view_) size_ = size;
  }
  ~TMappedFile() {
    if (view_) UnmapViewOfFile(view_);
  }
  TMappedFile(const TMappedFile&) = delete;
  TMappedFile& operator=(const TMappedFile&) = delete;

  const uint8_t* Bytes() const { return view_; }
  uint32_t Size() const { return size_; }

 private:
  win::UniqueHandle file_;
  win::UniqueHandle mapping_;
  const uint8_t* view_ = nullptr;
  uint32_t size_ = 0;
};

// The address of export `index` as the module's file states it, for a table changed in memory.
void* ResolveFromFile(HMODULE module, uint32_t index, int depth) {
  const std::string path = ModuleFileName(module);
  if (path.empty()) return nullptr;
  const TMappedFile file(path);
  if (!file.Bytes()) return nullptr;
  const std::optional<TImage> image = TImage::OfFile(file.Bytes(), file.Size());
  if (!image) return nullptr;
  const std::optional<TExports> exports = ReadExports(*image);
  if (!exports || index >= exports->Directory->NumberOfFunctions) return nullptr;
  const uint32_t address = exports->Functions[index];
  if (address == 0 || address >= image->ImageSize()) return nullptr;
  if (address >= exports->Start && address < exports->End) {
    std::string_view text;
    return image->Text(address, text) ? Forward(text, depth) : nullptr;
  }
  return reinterpret_cast<uint8_t*>(module) + address;
}

void* Resolve(HMODULE module, const TImage& image, uint32_t index, int depth) {
  const std::optional<TExports> exports = ReadExports(image);
  if (!exports || index >= exports->Directory->NumberOfFunctions) return nullptr;
  const uint32_t address = exports->Functions[index];
  if (address == 0) return nullptr;
  if (address >= image.ImageSize()) return ResolveFromFile(module, index, depth);
  if (address >= exports->Start && address < exports->End) {
    std::string_view text;
    return image.Text(address, text) ? Forward(text, depth) : nullptr;
  }
  return reinterpret_cast<uint8_t*>(module) + address;
}

bool IsLoadedModule(HMODULE module) {
  char name[MAX_PATH];
  return module && GetModuleFileNameA(module, name, sizeof name) != 0;
}

}  // namespace

const IMAGE_NT_HEADERS32* GetImageNtHeaders(HMODULE module) noexcept {
  const std::optional<TImage> image = TImage::InMemory(module);
  return image ? image->Headers() : nullptr;
}

const void* GetImageDirectory(HMODULE module, unsigned index, uint32_t* size) noexcept {
  const std::optional<TImage> image = TImage::InMemory(module);
  uint32_t address = 0;
  uint32_t length = 0;
  if (!image || !image->Directory(index, address, length)) return nullptr;
  if (size) *size = length;
  return image->Base() + address;
}

// The system is asked only about what the table does not hold: its own lookup of an entry that
// failed here (a forwarder loop, say) may never return.
void* GetProcAddressEx(HMODULE module, std::string_view name) {
  if (const std::optional<TImage> image = TImage::InMemory(module)) {
    if (const std::optional<TExports> exports = ReadExports(*image)) {
      if (const std::optional<uint32_t> index = IndexOfName(*image, *exports, name)) {
        return Resolve(module, *image, *index, 0);
      }
    }
  }
  if (!IsLoadedModule(module)) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(module, std::string(name).c_str()));
}

void* GetProcAddressByOrdinal(HMODULE module, uint32_t ordinal) {
  if (const std::optional<TImage> image = TImage::InMemory(module)) {
    if (const std::optional<TExports> exports = ReadExports(*image)) {
      const uint32_t index = ordinal - exports->Directory->Base;
      if (index < exports->Directory->NumberOfFunctions) return Resolve(module, *image, index, 0);
    }
  }
  if (!IsLoadedModule(module) || ordinal > 0xFFFF) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal)));
}

std::string GetExportName(HMODULE module, const void* address, bool unmangle) {
  const std::optional<TImage> image = TImage::InMemory(module);
  if (!image) return {};
  const std::optional<TExports> exports = ReadExports(*image);
  if (!exports) return {};
  const auto wanted = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(address) -
                                            reinterpret_cast<uintptr_t>(module));
  const IMAGE_EXPORT_DIRECTORY& d = *exports->Directory;
  for (uint32_t index = 0; index < d.NumberOfFunctions; ++index) {
    if (exports->Functions[index] != wanted || wanted == 0) continue;
    std::string name = "#" + std::to_string(d.Base + index);
    for (uint32_t i = 0; exports->Names && i < d.NumberOfNames; ++i) {
      std::string_view text;
      if (exports->Ordinals[i] == index && image->Text(exports->Names[i], text)) {
        name = text;
        break;
      }
    }
    std::string unit;
    if (unmangle && UnmangleName(name, unit)) name = unit + "." + name;
    return name;
  }
  return {};
}

// ---------------------------------------------------------------------------------------------
// Unmangling

namespace {

// "int ns::f<int>(char, long) const" -> "ns::f<int>": parameters, qualifiers and return type go.
std::string QualifiedName(std::string_view text) {
  const size_t close = text.rfind(')');
  if (close != std::string_view::npos && text.find('(') != std::string_view::npos) {
    int depth = 0;
    for (size_t i = close + 1; i-- > 0;) {
      depth += text[i] == ')' ? 1 : text[i] == '(' ? -1 : 0;
      if (depth == 0) {
        text = text.substr(0, i);
        break;
      }
    }
  }
  int depth = 0;
  for (size_t i = text.size(); i-- > 0;) {
    const char c = text[i];
    if (c == '>' || c == ')') ++depth;
    if (c == '<' || c == '(') --depth;
    if (c == ' ' && depth == 0) return std::string(text.substr(i + 1));
  }
  return std::string(text);
}

// This compiler's names: "_ZN5drosk5TFoo3BarEv" -> "drosk.TFoo.Bar", constructors and destructors
// as Create and Destroy. A stdcall "@<bytes>" suffix is dropped first.
bool UnmangleCompilerName(std::string& name) {
  std::string symbol = name;
  const size_t at = symbol.rfind('@');
  if (at != std::string::npos && at + 1 < symbol.size() &&
      symbol.find_first_not_of("0123456789", at + 1) == std::string::npos) {
    symbol.resize(at);
  }
  int status = 0;
  const std::unique_ptr<char, decltype(&std::free)> demangled(
      abi::__cxa_demangle(symbol.c_str(), nullptr, nullptr, &status), &std::free);
  if (status != 0 || !demangled) return false;
  std::string qualified = QualifiedName(demangled.get());
  const size_t last = qualified.rfind("::");
  if (last != std::string::npos) {
    const std::string member = qualified.substr(last + 2);
    std::string owner = qualified.substr(0, last);
    const size_t ownerStart = owner.rfind("::");
    owner = owner.substr(ownerStart == std::string::npos ? 0 : ownerStart + 2);
    owner = owner.substr(0, owner.find('<'));
    if (member == owner) qualified.replace(last + 2, std::string::npos, "Create");
    if (member == "~" + owner) qualified.replace(last + 2, std::string::npos, "Destroy");
  }
  ReplaceStr(qualified, "::", ".");
  name = qualified;
  return true;
}

}  // namespace

bool UnmangleName(std::string& name, std::string& unit) {
  unit.clear();
  if (name.starts_with("_Z")) return UnmangleCompilerName(name);
  if (name.empty() || name[0] != '@') return false;
  ReplaceStr(name, "::", ".");
  std::string templateTail;
  if (name.size() > 1 && name[1] == '%') {
    for (size_t i = name.size() - 1; i-- > 2;) {
      if (name[i] == '%' && name[i + 1] == '@') {
        templateTail = "." + name.substr(i + 2);
        break;
      }
    }
  }
  size_t start = 2;
  if (name.size() > 6 && name[1] == '_' && name[2] == '$') {
    const size_t dollar = name.find('$', 4);
    if (dollar != std::string::npos && dollar + 1 < name.size() && name[dollar + 1] == '@') {
      start = dollar + 1;
    }
  }
  bool cut = false;
  bool destructor = false;
  bool unitFound = false;
  for (size_t i = start; i < name.size(); ++i) {
    if (name[i] == '$') {
      destructor = i + 2 < name.size() && name[i + 2] == 'd';
      name = name.substr(0, i) + templateTail;
      cut = true;
      break;
    }
    if (name[i] == '@') {
      name[i] = '.';
      if (!unitFound) unit = name.substr(1, i - 1);
      unitFound = true;
    }
  }
  if (!unit.empty()) {
    if (unit.size() + 2 < name.size()) {
      name.erase(0, unit.size() + 2);
      cut = false;
    } else {
      unit.clear();
    }
  }
  if (cut) name.erase(0, 1);
  if (!name.empty() && name[0] == '%') name.erase(0, 1);
  if (!name.empty() && name[0] == '.') name[0] = '@';
  if (!name.empty() && name.back() == '.') name += destructor ? "Destroy" : "Create";
  Trim(name);
  if (!name.empty() && name.back() == '.') name += '?';
  return true;
}

}  // namespace drosk
