// Plavena.exe's command line and its printed report.
#include "host/plavena/command_line.h"

#include <algorithm>
#include <fstream>
#include <string_view>

#include "host/plavena/exports.h"

namespace plavena {

namespace {

// The ANSI text of a wide one; false when some character had to become "?".
bool ToAnsi(const std::wstring& text, std::string& ansi) {
  ansi.clear();
  if (text.empty()) return true;
  const int size = static_cast<int>(text.size());
  BOOL lossy = FALSE;
  const int length =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), size, nullptr, 0, "?", &lossy);
  ansi.assign(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), size, ansi.data(), length, "?",
                      &lossy);
  return !lossy;
}

std::string_view Rest(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix ? text.substr(prefix.size()) : std::string_view();
}

bool IsObjectLine(const std::string& line) {
  for (const std::string_view prefix :
       {"pcb created ", "pcb destroyed ", "pcb added ", "pcb deleted "}) {
    if (line.compare(0, prefix.size(), prefix) == 0) return true;
  }
  return false;
}

// The "FileName" value of a parameter text ("A=1|FileName=x|B=2"), empty when absent.
std::string FileNameParameter(const std::string& parameters) {
  std::string_view rest = parameters;
  while (!rest.empty()) {
    const size_t bar = rest.find('|');
    const std::string_view item = rest.substr(0, bar);
    if (item.size() >= 9 && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, item.data(), 9,
                                           "FileName=", 9) == CSTR_EQUAL) {
      return std::string(item.substr(9));
    }
    rest = bar == std::string_view::npos ? std::string_view() : rest.substr(bar + 1);
  }
  return {};
}

uint64_t Join(DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; }

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments) {
  CommandLine line;
  const auto path = [&](size_t& i, std::string& out) {
    if (!ToAnsi(arguments[++i], out)) {
      line.error = "the path " + out + " holds characters the ANSI code page cannot represent";
    }
  };
  for (size_t i = 1; i < arguments.size() && line.error.empty(); ++i) {
    const std::wstring& option = arguments[i];
    const bool has_value = i + 1 < arguments.size();
    std::string text;
    if (option == L"--module" && has_value) {
      path(i, line.options.module_path);
    } else if (option == L"--board" && has_value) {
      path(i, line.options.board_path);
    } else if (option == L"--save-board" && has_value) {
      path(i, line.save_path);
    } else if (option == L"--common-dialog" && has_value) {
      ToAnsi(arguments[++i], text);
      line.options.common_dialog_answer = text;
    } else if (option == L"--answer" && has_value) {
      ToAnsi(arguments[++i], text);
      const size_t equals = text.rfind('=');
      if (equals == std::string::npos) {
        line.error = "an answer is CAPTION=BUTTON: " + text;
      } else {
        line.options.answers.push_back({text.substr(0, equals), text.substr(equals + 1)});
      }
    } else if (option == L"--set" && has_value) {
      ToAnsi(arguments[++i], text);
      const size_t equals = text.find('=');
      if (equals == std::string::npos || equals == 0) {
        line.error = "a setting is NAME=VALUE: " + text;
      } else {
        line.options.settings.push_back({text.substr(0, equals), text.substr(equals + 1)});
      }
    } else if (option == L"--interactive") {
      line.options.interactive = true;
    } else if (option == L"--run" && i + 2 < arguments.size()) {
      Command command;
      ToAnsi(arguments[i + 1], command.name);
      ToAnsi(arguments[i + 2], command.parameters);  // "?" for what the module cannot be given
      line.commands.push_back(std::move(command));
      i += 2;
    } else if (option == L"--verbose") {
      line.verbose = true;
    } else {
      ToAnsi(option, text);
      line.error = "unknown option or missing value: " + text;
    }
  }
  if (line.error.empty() && line.options.module_path.empty()) line.error = "no --module given";
  return line;
}

std::string PrintedJournal(const Journal& journal, bool verbose) {
  std::string text;
  for (const std::string& line : journal.Lines()) {
    if (verbose || !IsObjectLine(line)) text += line + "\n";
  }
  return text;
}

DesignFileCounts CountDesignFile(std::string_view text) {
  DesignFileCounts counts;
  std::string_view section;
  for (size_t at = 0; at < text.size();) {
    const size_t end = std::min(text.find('\n', at), text.size());
    const std::string_view line = text.substr(at, end - at);
    at = end + 1;
    const std::string_view top = Rest(line, "    (");
    if (!top.empty() && top.front() != ' ') {
      section = top.substr(0, top.find_first_of(" \r"));
      continue;
    }
    // Each placed component is one "(place" line inside its image's "(component" block.
    if (section == "placement" && !Rest(line, "            (place ").empty()) ++counts.components;
    const std::string_view item = Rest(line, "        (");
    if (item.empty() || item.front() == ' ') continue;
    if (section == "network" && !Rest(item, "net ").empty()) ++counts.nets;
    if (section == "wiring" && !Rest(item, "wire ").empty()) ++counts.wires;
    if (section == "wiring" && !Rest(item, "via ").empty()) ++counts.vias;
  }
  return counts;
}

WrittenFiles::WrittenFiles(const CommandLine& line) {
  std::vector<std::string> paths;
  for (const Command& command : line.commands) {
    const std::string file_name = FileNameParameter(command.parameters);
    if (file_name.empty()) continue;
    paths.push_back(ForceFileNameExtension(file_name, "dsn"));
    paths.push_back(ForceFileNameExtension(file_name, "do"));
  }
  if (!line.options.board_path.empty()) {
    paths.push_back(ForceFileNameExtension(line.options.board_path, "qixpref"));
  }
  char windows[MAX_PATH] = {};
  if (GetWindowsDirectoryA(windows, MAX_PATH))
    paths.push_back(std::string(windows) + "\\Tralvek.Ini");
  if (!line.save_path.empty()) paths.push_back(line.save_path);
  for (const std::string& path : paths) before_.push_back(Look(path));
}

WrittenFiles::State WrittenFiles::Look(const std::string& path) {
  State state;
  state.path = path;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) &&
      !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    state.exists = true;
    state.size = Join(data.nFileSizeHigh, data.nFileSizeLow);
    state.written = Join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
  }
  return state;
}

std::vector<std::string> WrittenFiles::SummaryLines() const {
  std::vector<std::string> lines;
  for (const State& old : before_) {
    const State now = Look(old.path);
    if (!now.exists || (old.exists && now.size == old.size && now.written == old.written)) continue;
    std::string line = "file written: " + now.path + ", " + std::to_string(now.size) + " bytes";
    if (ForceFileNameExtension(now.path, "dsn") == now.path) {
      // Read in one piece: the file can be tens of megabytes.
      std::ifstream file(now.path, std::ios::binary);
      std::string text(static_cast<size_t>(now.size), '\0');
      file.read(text.data(), static_cast<std::streamsize>(text.size()));
      text.resize(static_cast<size_t>(std::max<std::streamsize>(0, file.gcount())));
      const DesignFileCounts counts = CountDesignFile(text);
      line += ", " + std::to_string(counts.components) + " components, " +
              std::to_string(counts.nets) + " nets, " + std::to_string(counts.wires) + " wires, " +
              std::to_string(counts.vias) + " vias";
    }
    lines.push_back(line);
  }
  return lines;
}

}  // namespace plavena
