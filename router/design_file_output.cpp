// The design file's text output.
#include "router/design_file_output.h"

#include "router/design_file_names.h"
#include "rtl/exceptions.h"

namespace router {

void StatementText::Separate() {
  if (!text_.empty() && text_.back() != '(') text_ += ' ';
}

StatementText& StatementText::Open(std::string_view keyword) {
  Separate();
  text_ += '(';
  text_ += keyword;
  ++open_;
  return *this;
}

StatementText& StatementText::Word(std::string_view word) {
  Separate();
  text_ += word;
  return *this;
}

StatementText& StatementText::Number(int32_t units) {
  return Word(FormatDesignNumber(units));
}

StatementText& StatementText::Close() {
  RTL_ASSERT(open_ > 0, "Statement closed more often than opened");
  text_ += ')';
  --open_;
  return *this;
}

std::string StatementText::Take() {
  RTL_ASSERT(open_ == 0, "Statement left open");
  std::string text;
  text.swap(text_);
  return text;
}

std::string DesignFileOutput::IndentText() const {
  return level_ > 0 ? std::string(static_cast<size_t>(level_) * 4, ' ') : std::string();
}

void DesignFileOutput::Line(std::string_view text) {
  out_ += IndentText();
  out_ += text;
  out_ += "\r\n";
}

}  // namespace router
