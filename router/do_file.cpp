// The do-file writer.
#include "router/do_file.h"

#include <windows.h>

#include <string_view>
#include <vector>

#include "router/design_file_temporaries.h"
#include "sdk/ascii_case.h"
#include "framework/win/text.h"
#include "sdk/client_api.h"
#include "sdk/common_utils.h"
#include "sdk/exceptions.h"
#include "sdk/rt_param.h"
#include "sdk/text_file.h"

namespace router {

namespace {

constexpr char kTemplateName[] = "Tralvek.Do";
constexpr char kMissingTemplateMessage[] =
    "Cannot find Tralvek.Do\rThis is the template Do file for\rthe Specctra Interface.";

// The most a do-file of the template can hold: each line with its line end, and five names as
// long as the host's texts where it holds the placeholder.
size_t LongestDoFile(std::string_view template_text) {
  size_t longest = 0;
  for (const std::string_view line : sdk::SplitLines(template_text)) {
    longest += line.size() + 2;
    if (sdk::UpperAscii(std::string(line)).find(kFileNamePlaceholder) != std::string::npos) {
      longest += kPlaceholderPasses * sdk::kShortTextLength;
    }
  }
  return longest;
}

}  // namespace

DoFileServices HostDoFileServices() {
  return {.places = sdk::HostSearchPlaces(),
          .force_extension = sdk::ClientAPI_ForceFileNameExtension};
}

std::string ExpandFileNamePlaceholders(std::string line, const std::string& replacement) {
  constexpr std::string_view placeholder = kFileNamePlaceholder;
  for (int pass = 0; pass < kPlaceholderPasses; ++pass) {
    const size_t at = sdk::UpperAscii(line).find(placeholder);
    if (at == std::string::npos) break;
    line.replace(at, placeholder.size(), replacement);
  }
  return line;
}

std::optional<std::string> FindDoFileTemplate(const sdk::FileSearchPlaces& places) {
  const std::string installed = places.application_folder() + "System\\" + kTemplateName;
  if (places.exists(installed)) return installed;
  std::string name = kTemplateName;
  if (sdk::FindFileOnSearchPath(name, places)) return name;
  return std::nullopt;
}

std::string DoFileText(std::string_view template_text, const std::string& replacement) {
  std::string output;
  output.reserve(template_text.size() + template_text.size() / 4);
  for (const std::string_view line : sdk::SplitLines(template_text)) {
    output += ExpandFileNamePlaceholders(std::string(line), replacement);
    output += "\r\n";
  }
  return output;
}

bool IsDoFileOf(std::string_view template_text, std::string_view text) {
  // The replacement is read off the first line that holds the placeholder: the line's text
  // before it, then the replacement, as often as the line holds it; the whole text then tells.
  const std::vector<std::string_view> template_lines = sdk::SplitLines(template_text);
  const std::vector<std::string_view> lines = sdk::SplitLines(text);
  std::string replacement;
  for (size_t i = 0; i < template_lines.size() && i < lines.size(); ++i) {
    const std::string upper = sdk::UpperAscii(std::string(template_lines[i]));
    const size_t at = upper.find(kFileNamePlaceholder);
    if (at == std::string::npos) continue;
    size_t count = 0;
    for (size_t found = at; found != std::string::npos && count < kPlaceholderPasses;
         found = upper.find(kFileNamePlaceholder, found + 1)) {
      ++count;
    }
    const size_t placeholders = count * (sizeof kFileNamePlaceholder - 1);
    if (lines[i].size() + placeholders < upper.size()) return false;
    const size_t length = (lines[i].size() + placeholders - upper.size()) / count;
    replacement = std::string(lines[i].substr(at, length));
    break;
  }
  return DoFileText(template_text, replacement) == text;
}

std::optional<sdk::StagedFileText> StageDoFile(const std::string& design_file_name,
                                               const DoFileServices& services) {
  const std::string do_file = services.force_extension(design_file_name, "do");
  if (do_file.empty()) {
    throw sdk::Exception("The host cannot name the do-file for \"" + design_file_name + "\"");
  }
  const std::optional<std::string> template_file = FindDoFileTemplate(services.places);
  if (!template_file) {
    sdk::ShowErrorMessage(kMissingTemplateMessage, "Error");
    return std::nullopt;
  }
  const std::string template_text = sdk::ReadFileText(*template_file);
  RemoveStaleTemporaries(LongestDoFile(template_text) + 1, [&](std::string_view text) {
    return text.size() <= LongestDoFile(template_text) && IsDoFileOf(template_text, text);
  });
  return sdk::StagedFileText(
      do_file, DoFileText(template_text, services.force_extension(do_file, "")), "the do-file");
}

bool WriteDoFile(const std::string& design_file_name) {
  return WriteDoFile(design_file_name, HostDoFileServices());
}

bool WriteDoFile(const std::string& design_file_name, const DoFileServices& services) {
  std::optional<sdk::StagedFileText> staged = StageDoFile(design_file_name, services);
  if (!staged) return false;
  staged->Commit();
  return true;
}

}  // namespace router
