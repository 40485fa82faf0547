// The look of an in-place editor.
#include "editors/edit_style.h"

#include "editors/inplace_edit.h"

namespace editors {

namespace {
unsigned Bit(TdxEditStyleValue value) { return 1u << static_cast<int>(value); }
}  // namespace

TdxEditStyle::TdxEditStyle(TdxInplaceEdit* editor) : editor_(editor) {}

template <class T>
void TdxEditStyle::Assign(TdxEditStyleValue which, T& field, T value) {
  if ((assigned_ & Bit(which)) && field == value) return;
  field = value;
  assigned_ |= Bit(which);
  Changed();
}

void TdxEditStyle::Changed() {
  if (editor_) editor_->StyleChanged();
}

bool TdxEditStyle::IsAssigned(TdxEditStyleValue value) const noexcept {
  return (assigned_ & Bit(value)) != 0;
}

void TdxEditStyle::RestoreDefaults() {
  assigned_ = 0;
  Changed();
}

framework::TColor TdxEditStyle::BorderColor() const {
  return IsAssigned(TdxEditStyleValue::svBorderColor) ? border_color_ : DefaultBorderColor();
}
void TdxEditStyle::SetBorderColor(framework::TColor value) {
  Assign(TdxEditStyleValue::svBorderColor, border_color_, value);
}
TdxEditBorderStyle TdxEditStyle::BorderStyle() const {
  return IsAssigned(TdxEditStyleValue::svBorderStyle) ? border_style_ : DefaultBorderStyle();
}
void TdxEditStyle::SetBorderStyle(TdxEditBorderStyle value) {
  Assign(TdxEditStyleValue::svBorderStyle, border_style_, value);
}
TdxEditButtonStyle TdxEditStyle::ButtonStyle() const {
  return IsAssigned(TdxEditStyleValue::svButtonStyle) ? button_style_ : DefaultButtonStyle();
}
void TdxEditStyle::SetButtonStyle(TdxEditButtonStyle value) {
  Assign(TdxEditStyleValue::svButtonStyle, button_style_, value);
}
TdxEditButtonTransparence TdxEditStyle::ButtonTransparence() const {
  return IsAssigned(TdxEditStyleValue::svButtonTransparence) ? button_transparence_
                                                             : DefaultButtonTransparence();
}
void TdxEditStyle::SetButtonTransparence(TdxEditButtonTransparence value) {
  Assign(TdxEditStyleValue::svButtonTransparence, button_transparence_, value);
}
TdxEditEdges TdxEditStyle::Edges() const {
  return IsAssigned(TdxEditStyleValue::svEdges) ? edges_ : DefaultEdges();
}
void TdxEditStyle::SetEdges(TdxEditEdges value) {
  Assign(TdxEditStyleValue::svEdges, edges_, value);
}
bool TdxEditStyle::HotTrack() const {
  return IsAssigned(TdxEditStyleValue::svHotTrack) ? hot_track_ : DefaultHotTrack();
}
void TdxEditStyle::SetHotTrack(bool value) {
  Assign(TdxEditStyleValue::svHotTrack, hot_track_, value);
}
bool TdxEditStyle::Shadow() const {
  return IsAssigned(TdxEditStyleValue::svShadow) ? shadow_ : DefaultShadow();
}
void TdxEditStyle::SetShadow(bool value) { Assign(TdxEditStyleValue::svShadow, shadow_, value); }

}  // namespace editors
