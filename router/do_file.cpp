// The do-file writer.
#include "router/do_file.h"

#include <windows.h>

#include <string_view>

#include "rtl/ascii_case.h"
#include "framework/win/text.h"
#include "rtl/client_api.h"
#include "rtl/common_utils.h"
#include "rtl/exceptions.h"
#include "rtl/file_ownership.h"
#include "rtl/text_file.h"

namespace router {

namespace {

constexpr char kTemplateName[] = "Tralvek.Do";
constexpr char kMissingTemplateMessage[] =
    "Cannot find Tralvek.Do\rThis is the template Do file for\rthe Specctra Interface.";

}  // namespace

DoFileServices HostDoFileServices() {
  return {.places = rtl::HostSearchPlaces(),
          .force_extension = rtl::ClientAPI_ForceFileNameExtension};
}

std::string ExpandFileNamePlaceholders(std::string line, const std::string& replacement) {
  constexpr std::string_view placeholder = kFileNamePlaceholder;
  for (int pass = 0; pass < kPlaceholderPasses; ++pass) {
    const size_t at = rtl::UpperAscii(line).find(placeholder);
    if (at == std::string::npos) break;
    line.replace(at, placeholder.size(), replacement);
  }
  return line;
}

std::optional<std::string> FindDoFileTemplate(const rtl::FileSearchPlaces& places) {
  const std::string installed = places.application_folder() + "System\\" + kTemplateName;
  if (places.exists(installed)) return installed;
  std::string name = kTemplateName;
  if (rtl::FindFileOnSearchPath(name, places)) return name;
  return std::nullopt;
}

void CopyDoFileTemplate(const std::string& template_file, const std::string& do_file,
                        const std::string& replacement) {
  const std::string text = rtl::ReadFileText(template_file);
  std::string output;
  output.reserve(text.size() + text.size() / 4);
  for (const std::string_view line : rtl::SplitLines(text)) {
    output += ExpandFileNamePlaceholders(std::string(line), replacement);
    output += "\r\n";
  }
  rtl::ReplaceFileText(do_file, output, "the do-file");
}

bool WriteDoFile(const std::string& design_file_name) {
  return WriteDoFile(design_file_name, HostDoFileServices());
}

bool WriteDoFile(const std::string& design_file_name, const DoFileServices& services) {
  const std::string do_file = services.force_extension(design_file_name, "do");
  if (do_file.empty()) {
    throw rtl::Exception("The host cannot name the do-file for \"" + design_file_name + "\"");
  }
  const std::optional<std::string> template_file = FindDoFileTemplate(services.places);
  if (!template_file) {
    rtl::ShowErrorMessage(kMissingTemplateMessage, "Error");
    return false;
  }
  CopyDoFileTemplate(*template_file, do_file, services.force_extension(do_file, ""));
  return true;
}

}  // namespace router
