// The router's command file (the do-file), written beside the design file from the template
// that the host installation carries, "System\Tralvek.Do".
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "sdk/file_ownership.h"
#include "sdk/file_search.h"

namespace router {

// Stands for the design file's path without extension; matched without regard to case.
inline constexpr char kFileNamePlaceholder[] = "$FILENAME";
// A line's placeholders are replaced this many times at most, the first one found each time.
inline constexpr int kPlaceholderPasses = 5;

// What the writer asks of the host. HostDoFileServices() gives the host's own.
struct DoFileServices {
  sdk::FileSearchPlaces places;
  // ClientAPI_ForceFileNameExtension: "" strips the extension.
  std::function<std::string(const std::string&, const std::string&)> force_extension;
};

DoFileServices HostDoFileServices();

// The line with its first placeholder replaced, kPlaceholderPasses times over: a replacement
// that itself holds the placeholder is found again by the next pass.
std::string ExpandFileNamePlaceholders(std::string line, const std::string& replacement);

// The host's "System\Tralvek.Do", else "Tralvek.Do" as the file search finds it; nothing when
// neither exists.
std::optional<std::string> FindDoFileTemplate(const sdk::FileSearchPlaces& places);

// The template's lines with the placeholders expanded, each ending in CR LF.
std::string DoFileText(std::string_view template_text, const std::string& replacement);

// Whether `text` is a do-file made from the template for some design file.
bool IsDoFileOf(std::string_view template_text, std::string_view text);

// "<design file without extension>.do" made from the template and waiting in a temporary file,
// so that the export changes it only once the design file is in place. Without a template the
// user is told ("Error") and there is nothing to write. Raises, with the do-file untouched, when
// the template cannot be read or the temporary file cannot be written. Stale do-files that
// killed exports left in the temporary folder are removed first.
std::optional<sdk::StagedFileText> StageDoFile(const std::string& design_file_name,
                                               const DoFileServices& services);

// StageDoFile and its Commit: writes the do-file at once, raising when it cannot be written or
// replaced, also when another user holds it (who is named in the host's notice too). True when
// the do-file was written.
bool WriteDoFile(const std::string& design_file_name);
bool WriteDoFile(const std::string& design_file_name, const DoFileServices& services);

}  // namespace router
