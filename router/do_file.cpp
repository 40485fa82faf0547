// The do-file writer.
#include "router/do_file.h"

#include <windows.h>

#include <string_view>

#include "sdk/ascii_case.h"
#include "framework/win/text.h"
#include "sdk/client_api.h"
#include "sdk/common_utils.h"
#include "sdk/exceptions.h"
#include "sdk/text_file.h"

namespace router {

namespace {

constexpr char kTemplateName[] = "Tralvek.Do";
constexpr char kMissingTemplateMessage[] =
    "Cannot find Tralvek.Do\rThis is the template Do file for\rthe Specctra Interface.";

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

std::string DoFileText(const std::string& template_file, const std::string& replacement) {
  const std::string text = sdk::ReadFileText(template_file);
  std::string output;
  output.reserve(text.size() + text.size() / 4);
  for (const std::string_view line : sdk::SplitLines(text)) {
    output += ExpandFileNamePlaceholders(std::string(line), replacement);
    output += "\r\n";
  }
  return output;
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
  return sdk::StagedFileText(
      do_file, DoFileText(*template_file, services.force_extension(do_file, "")), "the do-file");
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
