// What the typed columns share: the grid's own editor classes (one per library editor, so that
// columns of one type share an editor and columns of another type do not), the edit-button
// rule, shortcut conversion, and the registration of the typed columns for form descriptions.
#pragma once

#include <string>

#include "editors/button_edits.h"
#include "editors/check_edit.h"
#include "editors/date_edits.h"
#include "editors/editor_class.h"
#include "editors/memo_edit.h"
#include "editors/number_edits.h"
#include "editors/picture_edits.h"
#include "framework/classes.h"
#include "treelist/columns/tree_list_control.h"

namespace treelist {

// A library editor under the grid's own class name: it adds nothing but its class record.
template <class Base, const char* kName>
class TdxInplaceTreeListEdit : public Base {
 public:
  explicit TdxInplaceTreeListEdit(framework::TComponent* owner) : Base(owner) {}
  static const editors::TdxInplaceEditClass& EditorClass() {
    static const editors::TdxInplaceEditClass info{
        kName, &Base::EditorClass(), editors::MakeEditor<TdxInplaceTreeListEdit>,
        Base::EditorClass().create_view_data, Base::EditorClass().hit_in_cell};
    return info;
  }
  const editors::TdxInplaceEditClass& Class() const override { return EditorClass(); }
};

inline constexpr char kMemoEditName[] = "TdxInplaceTreeListMemoEdit";
inline constexpr char kDropDownEditName[] = "TdxInplaceTreeListDropDownEdit";
inline constexpr char kDropDownEditWName[] = "TdxInplaceTreeListDropDownEditW";
inline constexpr char kDateEditName[] = "TdxInplaceTreeListDateEdit";
inline constexpr char kButtonEditName[] = "TdxInplaceTreeListButtonEdit";
inline constexpr char kCheckEditName[] = "TdxInplaceTreeListCheckEdit";
inline constexpr char kImageEditName[] = "TdxInplaceTreeListImageEdit";
inline constexpr char kSpinEditName[] = "TdxInplaceTreeListSpinEdit";
inline constexpr char kPickEditName[] = "TdxInplaceTreeListPickEdit";
inline constexpr char kPickEditWName[] = "TdxInplaceTreeListPickEditW";
inline constexpr char kCalcEditName[] = "TdxInplaceTreeListCalcEdit";
inline constexpr char kHyperLinkEditName[] = "TdxInplaceTreeListHyperLinkEdit";
inline constexpr char kTimeEditName[] = "TdxInplaceTreeListTimeEdit";
inline constexpr char kCurrencyEditName[] = "TdxInplaceTreeListCurrencyEdit";
inline constexpr char kGraphicEditName[] = "TdxInplaceTreeListGraphicEdit";
inline constexpr char kMRUEditName[] = "TdxInplaceTreeListMRUEdit";
inline constexpr char kBlobEditName[] = "TdxInplaceTreeListBlobEdit";

using TdxInplaceTreeListMemoEdit =
    TdxInplaceTreeListEdit<editors::TdxInplaceMemoEdit, kMemoEditName>;
using TdxInplaceTreeListDropDownEdit =
    TdxInplaceTreeListEdit<editors::TdxInplaceDropDownEdit, kDropDownEditName>;
using TdxInplaceTreeListDropDownEditW =
    TdxInplaceTreeListEdit<editors::TXPDXCustomComboBox, kDropDownEditWName>;
using TdxInplaceTreeListDateEdit =
    TdxInplaceTreeListEdit<editors::TdxInplaceDateEdit, kDateEditName>;
using TdxInplaceTreeListButtonEdit =
    TdxInplaceTreeListEdit<editors::TdxInplaceButtonEdit, kButtonEditName>;
using TdxInplaceTreeListCheckEdit =
    TdxInplaceTreeListEdit<editors::TdxInplaceCheckEdit, kCheckEditName>;
using TdxInplaceTreeListImageEdit =
    TdxInplaceTreeListEdit<editors::TdxInplaceImageEdit, kImageEditName>;
using TdxInplaceTreeListSpinEdit =
    TdxInplaceTreeListEdit<editors::TdxInplaceSpinEdit, kSpinEditName>;
using TdxInplaceTreeListPickEdit =
    TdxInplaceTreeListEdit<editors::TdxInplacePickEdit, kPickEditName>;
using TdxInplaceTreeListPickEditW =
    TdxInplaceTreeListEdit<editors::TXPDXCustomComboBox, kPickEditWName>;
using TdxInplaceTreeListCalcEdit =
    TdxInplaceTreeListEdit<editors::TdxInplaceCalcEdit, kCalcEditName>;
using TdxInplaceTreeListHyperLinkEdit =
    TdxInplaceTreeListEdit<editors::TdxInplaceHyperLinkEdit, kHyperLinkEditName>;
using TdxInplaceTreeListTimeEdit =
    TdxInplaceTreeListEdit<editors::TdxInplaceTimeEdit, kTimeEditName>;
using TdxInplaceTreeListCurrencyEdit =
    TdxInplaceTreeListEdit<editors::TdxInplaceCurrencyEdit, kCurrencyEditName>;
using TdxInplaceTreeListGraphicEdit =
    TdxInplaceTreeListEdit<editors::TdxInplaceGraphicEdit, kGraphicEditName>;
using TdxInplaceTreeListMRUEdit = TdxInplaceTreeListEdit<editors::TdxInplaceMRUEdit, kMRUEditName>;
using TdxInplaceTreeListBlobEdit =
    TdxInplaceTreeListEdit<editors::TdxInplaceBlobEdit, kBlobEditName>;

// Whether a column's edit button shows, in the drop-down family and the spin column.
enum class TdxShowButtonStyle { sbDefault, sbAlways, sbNone };
// In a painted cell of `node`: only with aoShowButtonAlways, and then always or when focused.
bool ShowsEditButton(TdxShowButtonStyle style, const TCustomdxTreeListControl* grid,
                     const TdxTreeListNode* node);
// At a mouse position: never without an editor; else by the style, the default asking the grid.
bool HasEditButton(TdxShowButtonStyle style, bool disable_editor,
                   const TCustomdxTreeListControl* grid);

// The value at the position `value` has in its own enumeration (the first for a value out of
// range): a column's setting as its editor's enumeration of other order says it.
template <class To, class From, size_t N>
To ByPosition(From value, const To (&values)[N]) {
  const auto position = static_cast<size_t>(value);
  return position < N ? values[position] : values[0];
}

// A shortcut as forms store it (virtual key, 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt) in the
// editors' key form (virtual key, shift state above bit 16).
unsigned ShortCutToEditorKey(unsigned short_cut);
constexpr unsigned kCtrlEnterShortCut = 16397;

// A typed column's own settings as its class's table describes them (name, default, setter):
// copied from a column of that class (or a derived one; nothing from another), or set back to
// the table's defaults, except those the table keeps from either. The parent class's settings
// are its own Assign's and RestoreDefaults'.
void AssignOwnSettings(const framework::TClassInfo& info, const TdxTreeListColumn& source,
                       TdxTreeListColumn& target);
void RestoreOwnDefaults(const framework::TClassInfo& info, TdxTreeListColumn& target);

// The texts a new check column takes for checked and unchecked.
const std::string& DefaultValueChecked();
const std::string& DefaultValueUnchecked();

// Runs `body` inside the column's tree list's update (at once while detached): a typed column
// copies another so, and the grid lays out and repaints once.
template <class Body>
void InColumnUpdate(TdxTreeListColumn& column, Body&& body) {
  TCustomdxTreeListControl* grid = column.TreeList();
  if (!grid) return body();
  grid->BeginUpdate();
  try {
    body();
  } catch (...) {
    grid->EndUpdate();
    throw;
  }
  grid->EndUpdate();
}

// A typed column whose settings `Self::StaticClassInfo()` describes: a copy of a column of its
// class takes them after the parent's settings, restoring defaults sets them after the parent's,
// and an editor gets the parent's set-up and then, when it is an `Editor`, each setting the table
// hands on. What a table cannot say (objects, events, settings handed on together) `Self` adds in
// AssignMore, RestoreMore and InitMore; a column copied outside the grid's update says so in
// kCopiesInUpdate.
template <class Self, class Parent, class Editor>
class TdxDescribedColumn : public Parent {
 public:
  using Parent::Parent;
  const framework::TClassInfo& ClassInfo() const override { return Self::StaticClassInfo(); }

  void Assign(const TdxTreeListColumn& source) override {
    const auto* same = dynamic_cast<const Self*>(&source);
    if (!same) return Parent::Assign(source);
    const auto copy = [&] {
      Parent::Assign(source);
      AssignOwnSettings(Self::StaticClassInfo(), source, *this);
      static_cast<Self*>(this)->AssignMore(*same);
    };
    if constexpr (Self::kCopiesInUpdate) {
      InColumnUpdate(*this, copy);
    } else {
      copy();
    }
  }
  void RestoreDefaults() override {
    Parent::RestoreDefaults();
    RestoreOwnDefaults(Self::StaticClassInfo(), *this);
    static_cast<Self*>(this)->RestoreMore();
  }
  void InitEditor(editors::TdxInplaceEdit& editor) override {
    Parent::InitEditor(editor);
    auto* own = dynamic_cast<Editor*>(&editor);
    if (!own) return;
    Self::StaticClassInfo().HandOver(static_cast<framework::TComponent*>(this), *own);
    static_cast<Self*>(this)->InitMore(*own);
  }

 protected:
  static constexpr bool kCopiesInUpdate = true;
  void AssignMore(const Self&) {}
  void RestoreMore() {}
  void InitMore(Editor&) {}
};

// Makes the typed columns known to form descriptions (once).
void RegisterTypedColumnClasses();

}  // namespace treelist
