// The check column: the node keeps the cell as one of three texts (checked, unchecked, grayed)
// and the cell shows and edits it as a check box.
#pragma once

#include <memory>
#include <string>

#include "editors/check_edit.h"
#include "treelist/core/check_texts.h"
#include "treelist/columns/column.h"
#include "treelist/columns/typed_columns.h"

namespace treelist {

using editors::TdxCheckBoxState;
using editors::TdxShowNullFieldStyle;

// (column, the new state's text, the new state)
using TdxToggleEvent =
    framework::TEvent<framework::TComponent*, const std::string&, TdxCheckBoxState>;

class TdxTreeListCheckColumn : public TdxDescribedColumn<TdxTreeListCheckColumn, TdxTreeListColumn,
                                                         editors::TdxInplaceCheckEdit> {
 public:
  explicit TdxTreeListCheckColumn(framework::TComponent* owner);
  static const framework::TClassInfo& StaticClassInfo();

  bool AllowGrayed() const noexcept { return allow_grayed_; }
  void SetAllowGrayed(bool value) { allow_grayed_ = value; }
  bool Border3D() const noexcept { return border_3d_; }
  void SetBorder3D(bool value);
  // Made empty on first read; null or any bitmap given is copied (null frees it).
  framework::TBitmap& Glyph();
  bool HasGlyph() const noexcept { return glyph_ != nullptr; }
  void SetGlyph(const framework::TBitmap* value);
  int GlyphCount() const noexcept { return glyph_count_; }
  // Notifies only once a glyph exists: without one the count changes nothing shown.
  void SetGlyphCount(int value);
  TdxShowNullFieldStyle ShowNullFieldStyle() const noexcept { return null_style_; }
  void SetShowNullFieldStyle(TdxShowNullFieldStyle value);
  const std::string& ValueChecked() const noexcept { return texts_.checked; }
  void SetValueChecked(const std::string& value);
  const std::string& ValueGrayed() const noexcept { return texts_.grayed; }
  void SetValueGrayed(const std::string& value);
  const std::string& ValueUnchecked() const noexcept { return texts_.unchecked; }
  void SetValueUnchecked(const std::string& value);

  // The checked and unchecked texts match without regard to case; any other text is grayed.
  TdxCheckBoxState TextToState(const std::wstring& text) const { return texts_.ToState(text); }
  std::string StateToText(TdxCheckBoxState state) const { return texts_.ToText(state); }

  std::wstring GetDisplayText(TdxTreeListNode* node, const std::wstring& source) const override;
  const editors::TdxInplaceEditClass& GetEditorClass() const override;
  framework::Variant LoadEditorValue(TdxTreeListNode* node,
                                     editors::TdxInplaceEdit& editor) override;
  framework::Variant SaveEditorValue(TdxTreeListNode* node,
                                     editors::TdxInplaceEdit& editor) override;
  void DoChange() override;
  void PrepareViewData(editors::TdxEditViewData& data, const TdxCellViewInfo& cell) override;
  int GetMinCellHeight() override;

  TdxToggleEvent OnToggleClick;

 protected:
  friend TdxDescribedColumn;
  // The glyph, copied only from a column that has one, and the box's alignment and style.
  void AssignMore(const TdxTreeListCheckColumn& source);
  void RestoreMore() { SetGlyph(nullptr); }
  void InitMore(editors::TdxInplaceCheckEdit& editor);

 private:
  // A setting that changed is stored and the grid lays the column out again.
  template <class T>
  void Store(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Changed();
  }
  editors::TdxEditButtonStyle BoxStyle() const;
  HBITMAP GlyphHandle();

  bool allow_grayed_ = false;
  bool border_3d_ = false;
  std::unique_ptr<framework::TBitmap> glyph_;
  int glyph_count_ = 6;
  TdxShowNullFieldStyle null_style_ = TdxShowNullFieldStyle::nsUnchecked;
  TdxCheckTexts texts_;
};

}  // namespace treelist
