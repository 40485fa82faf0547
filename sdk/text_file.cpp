// Whole-file reads and writes of text files.
#include "sdk/text_file.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>

#include "framework/win/handles.h"
#include "framework/win/text.h"
#include "sdk/common_utils.h"
#include "sdk/exceptions.h"

namespace sdk {

namespace {

[[noreturn]] void RaiseFileError(const char* action, const std::string& file_name) {
  throw Exception(std::string("Cannot ") + action + " file \"" + file_name + "\". " +
                  SystemErrorText(GetLastError()));
}

}  // namespace

std::string ReadFileText(const std::string& file_name) {
  // Other programs may hold the file open for writing (the host its lock files): share all.
  win::UniqueHandle file(CreateFileW(win::Widen(file_name).c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) RaiseFileError("open", file_name);
  // A device or a pipe never ends (or ends at once): its bytes are no file's text.
  if (GetFileType(file.get()) != FILE_TYPE_DISK) {
    throw Exception("Cannot read file \"" + file_name +
                    "\": it is a device or a pipe, not a regular file");
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) RaiseFileError("read", file_name);
  std::string text;
  try {
    // Sized once: growing by doubling needs twice the file's size at the end.
    if (static_cast<uint64_t>(size.QuadPart) > text.max_size()) throw std::bad_alloc();
    text.resize(static_cast<size_t>(size.QuadPart));
  } catch (const std::exception&) {  // bad_alloc, or length_error past the largest string
    throw Exception("Not enough memory to read file \"" + file_name + "\" (" +
                    std::to_string(size.QuadPart >> 20) + " MB)");
  }
  size_t filled = 0;
  while (filled < text.size()) {
    DWORD read = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<size_t>(text.size() - filled, 1u << 24));
    if (!ReadFile(file.get(), text.data() + filled, wanted, &read, nullptr))
      RaiseFileError("read", file_name);
    if (read == 0) break;  // shorter than its size said: cut meanwhile
    filled += read;
  }
  text.resize(filled);
  // A file that grew since its size was taken is read to its new end.
  for (;;) {
    char chunk[16384];
    DWORD read = 0;
    if (!ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr))
      RaiseFileError("read", file_name);
    if (read == 0) return text;
    text.append(chunk, read);
  }
}

void WriteFileText(const std::string& file_name, std::string_view text) {
  const DWORD error = TryWriteFileText(file_name, text);
  if (error == ERROR_SUCCESS) return;
  SetLastError(error);
  RaiseFileError("write", file_name);
}

DWORD TryWriteFileText(const std::string& file_name, std::string_view text) {
  win::UniqueHandle file(CreateFileW(win::Widen(file_name).c_str(), GENERIC_WRITE, 0, nullptr,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError();
  while (!text.empty()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size(), 1u << 20));
    // A full disk may end a write early without an error of its own; the code left behind by
    // an earlier call (CREATE_ALWAYS's "already exists") must not stand in for it.
    SetLastError(ERROR_SUCCESS);
    if (!WriteFile(file.get(), text.data(), chunk, &written, nullptr) || written == 0) {
      const DWORD error = GetLastError();
      return error == ERROR_SUCCESS ? ERROR_DISK_FULL : error;
    }
    text.remove_prefix(written);
  }
  if (!FlushFileBuffers(file.get())) return GetLastError();
  if (!CloseHandle(file.release())) return GetLastError();
  return ERROR_SUCCESS;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find_first_of("\r\n");
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    const size_t next = text.compare(end, 2, "\r\n") == 0 ? end + 2 : end + 1;
    text.remove_prefix(next);
  }
  return lines;
}

}  // namespace sdk
