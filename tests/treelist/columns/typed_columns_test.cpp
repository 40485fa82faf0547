// The typed columns on a real grid with their real editors: what each hands its editor, how
// values go into and out of the nodes, and what a cell paints.
#include "treelist/input/interaction_state.h"
#include "treelist/columns/typed_columns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "controls/locale_scope.h"
#include "controls/surface.h"
#include "editors/gdi_scope.h"
#include "framework/form_resource.h"
#include "framework/forms.h"
#include "framework/win/handles.h"
#include "framework/win/text.h"
#include "framework/screen.h"
#include "framework/streams.h"
#include "treelist/columns/button_columns.h"
#include "treelist/columns/check_column.h"
#include "treelist/columns/drop_down_columns.h"
#include "treelist/columns/memo_column.h"
#include "treelist/columns/number_columns.h"
#include "treelist/columns/picture_columns.h"
#include "treelist/customize/published_tree_list.h"
#include "treelist/grid_fixture.h"

namespace treelist_test {
namespace {

using namespace treelist;
using editors::TdxInplaceEdit;

// A shown grid with editing, and nodes whose first cell holds the given texts.
struct TypedGrid {
  framework::TForm form{nullptr};
  TCustomdxTreeListControl grid{nullptr};
  TypedGrid() {
    grid.SetName("Grid");
    grid.SetParent(&form);
    form.SetBounds(30, 30, 420, 200);
    grid.SetBounds(5, 5, 400, 160);
    form.Show();
    grid.SetOptions((grid.Options() | aoEditing) & ~aoRowSelect);
  }
  template <class Column>
  Column& Add(std::initializer_list<const wchar_t*> texts = {}) {
    auto* column = grid.CreateColumn<Column>();
    int row = 0;
    for (const wchar_t* text : texts) {
      TdxTreeListNode* node = row < grid.Count() ? grid.Items(row) : grid.Add();
      grid.SetNodeString(node, column->Index(), text);
      ++row;
    }
    return *column;
  }
  // The editor of `column` open on row `row`, or null when none opened.
  TdxInplaceEdit* Edit(const TdxTreeListColumn& column, int row = 0) {
    grid.SetFocusedCell(grid.Items(row), column.Index(), true);
    grid.ShowEditor();
    return grid.State() == tsEditing ? grid.InplaceEditor() : nullptr;
  }
  std::wstring Text(const TdxTreeListColumn& column, int row = 0) {
    return grid.GetNodeString(grid.Items(row), column.Index());
  }
  // The painting record the column fills for its cell in `row`.
  editors::TdxEditViewData& Paint(TdxTreeListColumn& column, int row = 0) {
    TdxCellViewInfo cell;
    cell.node = grid.Items(row);
    cell.rect = {0, 0, 80, 18};
    cell.text = column.GetDisplayText(cell.node, column.GetCellText(cell.node));
    column.SetPaintedNode(cell.node);
    editors::TdxEditViewData& data = column.GetViewData();
    column.PrepareViewData(data, cell);
    column.SetPaintedNode(nullptr);
    return data;
  }
};

// The grid's editors draw no border of their own where the grid draws its lines.
TEST(TypedColumns, EditorsBorderFollowsTheGridLines) {
  TypedGrid g;
  auto& column = g.Add<TdxTreeListColumn>({L"a"});
  for (const bool lines : {false, true}) {
    g.grid.SetShowGrid(lines);
    TdxInplaceEdit* editor = g.Edit(column);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->Style()->BorderStyle(), lines ? editors::TdxEditBorderStyle::xbsNone
                                                    : editors::TdxEditBorderStyle::xbsSingle);
    g.grid.CloseEditor();
  }
}

// A text editor of no typed family that records what is set on it.
class RecordingEditor : public editors::TdxInplaceTextEdit {
 public:
  using TdxInplaceTextEdit::TdxInplaceTextEdit;
  void SetAlignment(framework::TAlignment value) override {
    calls += L"alignment ";
    TdxInplaceTextEdit::SetAlignment(value);
  }
  std::wstring calls;
};

TEST(CheckColumn, TextsMapToStatesWithoutRegardToCaseAndTheGlyphGivesTheMinimumHeight) {
  struct Case {
    const char *checked, *unchecked, *grayed;
    const wchar_t* text;
    editors::TdxCheckBoxState state;
    const wchar_t* shown;
  };
  using S = editors::TdxCheckBoxState;
  const Case cases[] = {
      {"True", "False", "", L"true", S::cbsChecked, L"True"},
      {"True", "False", "", L"FALSE", S::cbsUnchecked, L"False"},
      {"True", "False", "?", L"", S::cbsGrayed, L"?"},
      {"True", "False", "?", L"?", S::cbsGrayed, L"?"},
      {"True", "False", "", L"Truee", S::cbsGrayed, L""},
      {"Yes", "No", "-", L"yES", S::cbsChecked, L"Yes"},
      {"Yes", "No", "-", L"True", S::cbsGrayed, L"-"},
      {"On", "oN", "", L"ON", S::cbsChecked, L"On"},
  };
  TypedGrid g;
  auto& c = g.Add<TdxTreeListCheckColumn>();
  // A new column's texts are the module's strings 38901 and 38902.
  wchar_t checked[16] = {}, unchecked[16] = {};
  ASSERT_GT(LoadStringW(GetModuleHandleW(nullptr), 38901, checked, 16), 0);
  ASSERT_GT(LoadStringW(GetModuleHandleW(nullptr), 38902, unchecked, 16), 0);
  EXPECT_EQ(c.ValueChecked(), win::Narrow(checked));
  EXPECT_EQ(c.ValueUnchecked(), win::Narrow(unchecked));
  for (const Case& k : cases) {
    SCOPED_TRACE(win::Narrow(k.text));
    c.SetValueChecked(k.checked);
    c.SetValueUnchecked(k.unchecked);
    c.SetValueGrayed(k.grayed);
    EXPECT_EQ(c.TextToState(k.text), k.state);
    EXPECT_EQ(c.GetDisplayText(nullptr, k.text), k.shown);
  }
  EXPECT_EQ(c.StateToText(static_cast<S>(7)), "") << "an unknown state is the grayed text";

  // The minimum height comes from the glyph only when it has images.
  int w = 0, system_height = 0;
  editors::GetCheckGlyphSize(nullptr, 0, w, system_height);
  EXPECT_EQ(c.GetMinCellHeight(), system_height + 2);
  c.SetGlyphCount(3);  // no glyph yet: nothing is shown differently
  c.Glyph().SetSize(30, 21);
  EXPECT_EQ(c.GetMinCellHeight(), 23);
  for (const int count : {0, -2}) {
    c.SetGlyphCount(count);
    EXPECT_EQ(c.GetMinCellHeight(), system_height + 2) << count << " images never divide";
  }
}

// What a form description keeps of a column, without the line that names it.
std::string Described(TdxTreeListColumn& column) {
  const std::string text = framework::WriteComponentText(column);
  return text.substr(text.find('\n') + 1);
}

TEST(CheckColumn, EditsToggleTheNodesTextAndTellTheHandler) {
  TypedGrid g;
  auto& c = g.Add<TdxTreeListCheckColumn>({L"true", L""});
  std::string toggles;
  c.OnToggleClick = [&](framework::TComponent* sender, const std::string& text,
                        editors::TdxCheckBoxState state) {
    toggles += (sender == &c ? "" : "?") + text + std::to_string(static_cast<int>(state)) + " ";
  };
  auto* editor = dynamic_cast<editors::TdxInplaceCheckEdit*>(g.Edit(c));
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->State(), editors::TdxCheckBoxState::cbsChecked) << "\"true\" shows checked";
  EXPECT_EQ(editor->Alignment(), framework::TAlignment::taCenter);
  editor->Toggle();
  g.grid.CloseEditor();
  EXPECT_EQ(g.Text(c), L"False");
  ASSERT_EQ(g.Edit(c), editor);
  editor->Toggle();
  g.grid.CloseEditor();
  EXPECT_EQ(g.Text(c), L"True") << "saved as the column's text exactly";
  EXPECT_EQ(toggles, "False0 True1 ");
  auto& data = dynamic_cast<editors::TdxCheckEditViewData&>(g.Paint(c, 1));
  EXPECT_EQ(data.ShownState(), editors::TdxCheckBoxState::cbsGrayed) << "empty shows grayed";
}

// What an editor holds, one word a value: numbers, 0 and 1 for flags, enumerations by position.
std::string Word(bool value) { return value ? "1" : "0"; }
std::string Word(double value) {
  std::ostringstream out;
  out << value;
  return out.str();
}
std::string Word(const std::wstring& value) { return "'" + win::Narrow(value) + "'"; }
std::string Word(const std::vector<std::wstring>& values) {
  std::string out;
  for (const std::wstring& value : values) out += (out.empty() ? "" : ",") + win::Narrow(value);
  return "(" + out + ")";
}
template <class E, class = std::enable_if_t<std::is_enum_v<E> || std::is_integral_v<E>>>
std::string Word(E value) {
  return std::to_string(static_cast<long long>(value));
}
template <class... V>
std::string Held(const V&... values) {
  std::string out;
  ((out += (out.empty() ? "" : " ") + Word(values)), ...);
  return out;
}

// The names a form text sets at its first level.
std::vector<std::string> SettingNames(const std::string& settings) {
  std::vector<std::string> names;
  std::istringstream lines(settings);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("  ", 0) == 0 && line[2] != ' ')
      names.push_back(line.substr(2, line.find(' ', 2) - 2));
  }
  return names;
}

// One typed column's settings: a form text setting each away from its default, what its editor
// holds of them in a new column and in the set one (the defaults and the hand-over), and the
// settings that copies or restored defaults leave as they are.
struct SettingsCase {
  const char* type;
  std::function<TdxTreeListColumn&(TypedGrid&)> add;
  const char* settings;
  std::function<std::string(TdxInplaceEdit&)> editor;
  const char* new_editor;
  const char* set_editor;
  std::vector<std::string> not_copied = {}, not_restored = {};
};

template <class Column>
std::function<TdxTreeListColumn&(TypedGrid&)> Adds() {
  return [](TypedGrid& g) -> TdxTreeListColumn& { return g.Add<Column>({L"a"}); };
}

template <class Editor, class Describe>
std::function<std::string(TdxInplaceEdit&)> Holds(Describe describe) {
  return [describe](TdxInplaceEdit& editor) {
    auto* typed = dynamic_cast<Editor*>(&editor);
    return typed ? describe(*typed) : std::string("another editor");
  };
}

std::string DropDownHeld(editors::TdxInplaceDropDownEdit& e) {
  return Held(e.DropDownRows, e.DropDownWidth, e.ImmediateDropDown, e.ImmediatePopup,
              e.PopupAlignment, e.PopupBorder);
}

const SettingsCase kSettingsCases[] = {
    {"TdxTreeListDateColumn", Adds<TdxTreeListDateColumn>(),
     "  DateButtons = [btnClear]\n  DateOnError = deNull\n  DateValidation = True\n"
     "  SaveTime = False\n  UseEditMask = True\n",
     Holds<editors::TdxInplaceDateEdit>([](auto& e) {
       return Held(e.DateButtons, e.DateOnError, e.DateValidation, e.SaveTime, e.UseEditMask());
     }),
     "3 1 0 1 0", "2 2 1 0 1"},
    {"TdxTreeListTimeColumn", Adds<TdxTreeListTimeColumn>(),
     "  TimeEditFormat = tfHour\n  UseCtrlIncrement = True\n",
     Holds<editors::TdxInplaceTimeEdit>(
         [](auto& e) { return Held(e.TimeEditFormat(), e.UseCtrlIncrement); }),
     "1 0", "2 1"},
    {"TdxTreeListSpinColumn", Adds<TdxTreeListSpinColumn>(),
     "  EditorEnabled = False\n  Increment = 0.5\n  MinValue = -2\n  MaxValue = 2.75\n"
     "  ShowButtonStyle = sbNone\n  UseCtrlIncrement = True\n  ValueType = vtFloat\n",
     Holds<editors::TdxInplaceSpinEdit>([](auto& e) {
       return Held(e.EditorEnabled, e.Increment, e.MinValue(), e.MaxValue(), e.UseCtrlIncrement,
                   e.ValueType());
     }),
     "1 1 0 0 0 0", "0 0.5 -2 2.75 1 1"},
    {"TdxTreeListCalcColumn", Adds<TdxTreeListCalcColumn>(),
     "  BeepOnError = False\n  ButtonStyle = bsExtraFlat\n  Precision = 7\n  QuickClose = True\n"
     "  ShowButtonFrame = True\n",
     Holds<editors::TdxInplaceCalcEdit>([](auto& e) {
       return Held(e.BeepOnError, e.ButtonStyle, e.Precision, e.QuickClose, e.ShowButtonFrame);
     }),
     "1 0 13 0 0", "0 3 7 1 1"},
    {"TdxTreeListCurrencyColumn", Adds<TdxTreeListCurrencyColumn>(),
     "  DecimalPlaces = 3\n  DisplayFormat = '0.0'\n  MinValue = 1.5\n  MaxValue = 9\n"
     "  UseThousandSeparator = True\n",
     Holds<editors::TdxInplaceCurrencyEdit>(
         [](auto& e) {  // The editor shows plain numbers: the column's format is the cell's.
           return Held(e.DecimalPlaces, e.DisplayFormat() == editors::BuildCurrencyFormat(),
                       e.UseThousandSeparator);
         }),
     "2 1 0", "3 1 1"},
    {"TdxTreeListHyperLinkColumn", Adds<TdxTreeListHyperLinkColumn>(),
     "  EditBackgroundColor = clYellow\n  EditFontColor = clRed\n  SingleClick = True\n"
     "  StartKey = 8205\n",
     Holds<editors::TdxInplaceHyperLinkEdit>(
         [](auto& e) { return Held(e.Color(), e.LinkColor, e.SingleClick, e.StartKey); }),
     "16777215 16711680 0 262157", "65535 255 1 65549"},
    {"TdxTreeListMaskColumn", Adds<TdxTreeListMaskColumn>(),
     "  EditMask = '!90:00;1;_'\n  IgnoreMaskBlank = True\n",
     Holds<editors::TdxInplaceMaskEdit>(
         [](auto& e) { return Held(e.EditMask(), e.IgnoreMaskBlank); }),
     "'' 0", "'!90:00;1;_' 1"},
    {"TdxTreeListCheckColumn", Adds<TdxTreeListCheckColumn>(),
     "  AllowGrayed = True\n  Border3D = True\n  GlyphCount = 2\n  MinWidth = 30\n"
     "  ShowNullFieldStyle = nsInactive\n  ValueChecked = 'Yes'\n  ValueGrayed = '?'\n"
     "  ValueUnchecked = 'No'\n",
     Holds<editors::TdxInplaceCheckEdit>([](auto& e) {
       return Held(e.AllowGrayed, e.Style()->ButtonStyle(), e.GlyphCount(), e.ShowNullFieldStyle(),
                   e.Alignment());
     }),
     "0 2 6 0 2", "1 0 2 1 2"},
    {"TdxTreeListMemoColumn",
     Adds<TdxTreeListMemoColumn>(),
     "  HeaderMaxLineCount = 3\n  HideScrollBars = False\n  ScrollBars = ssVertical\n"
     "  SelectionBar = True\n  WantReturns = False\n  WantTabs = True\n  WordWrap = False\n",
     Holds<editors::TdxInplaceMemoEdit>([](auto& e) {
       return Held(e.HideScrollBars(), e.ScrollBars(), e.SelectionBar(), e.WantReturns, e.WantTabs,
                   e.WordWrap());
     }),
     "1 0 0 1 0 1",
     "0 2 1 0 1 0",
     {"HideScrollBars", "SelectionBar", "WantReturns", "WantTabs"},
     {"HideScrollBars", "SelectionBar", "WantReturns", "WantTabs"}},
    {"TdxTreeListPickColumn",
     Adds<TdxTreeListPickColumn>(),
     "  CanDeleteText = True\n  CaseSensitive = True\n  DropDownRows = 3\n"
     "  DropDownListStyle = True\n  DropDownWidth = 90\n  ImmediateDropDown = False\n"
     "  Items = ('b' 'a')\n  ItemsSorted = True\n  PopupAlignment = taRightJustify\n"
     "  PopupBorder = pbFlat\n  Revertable = True\n  ShowButtonStyle = sbAlways\n",
     Holds<editors::TdxInplacePickEdit>([](auto& e) {
       return Held(e.CaseSensitive(), e.DropDownListStyle(), e.Items(), e.CanDeleteText,
                   e.Revertable, e.ItemsSorted()) +
              " / " + DropDownHeld(e);
     }),
     "0 0 () 0 0 0 / 7 0 1 0 0 0",
     "1 1 (a,b) 1 1 1 / 3 90 0 0 1 3",
     {"CaseSensitive", "ItemsSorted"},
     {"CaseSensitive", "Items"}},
    // A restored MRU column drops down at once, as a pick column does (a new one does not).
    {"TdxTreeListMRUColumn",
     Adds<TdxTreeListMRUColumn>(),
     "  ImmediateDropDown = True\n  MaxItemCount = 3\n  ShowEllipsis = False\n",
     Holds<editors::TdxInplaceMRUEdit>(
         [](auto& e) { return Held(e.ImmediateDropDown, e.MaxItemCount(), e.ShowEllipsis()); }),
     "0 7 1",
     "1 3 0",
     {},
     {"ImmediateDropDown"}},
    {"TdxTreeListImageColumn",
     Adds<TdxTreeListImageColumn>(),
     "  DefaultImages = False\n  Descriptions = ('B' 'A')\n  ImageIndexes = ('1' '0')\n"
     "  Incremental = True\n  MinWidth = 40\n  MultiLineText = True\n  ShowDescription = True\n"
     "  Values = ('b' 'a')\n",
     Holds<editors::TdxInplaceImageEdit>(
         [](auto& e) { return Held(e.ValueIndex(), e.Incremental); }),
     "-1 0",
     "1 1",
     {},
     {"Descriptions", "ImageIndexes", "Values"}},
    {"TdxTreeListButtonColumn", Adds<TdxTreeListButtonColumn>(),
     "  ButtonOnly = True\n  ClickKey = 13\n  EditButtonStyle = ebsDown\n  HideEditCursor = True\n",
     Holds<editors::TdxInplaceButtonEdit>([](auto& e) {
       return Held(e.Buttons().Count(), e.Buttons().GetItem(0).Kind(), e.ClickKey, e.TextMode());
     }),
     "1 0 262157 0", "1 1 13 2"},
    {"TdxTreeListBlobColumn",
     Adds<TdxTreeListBlobColumn>(),
     "  AlwaysSaveText = True\n  BlobEditKind = bekPict\n  BlobPaintStyle = bpsText\n"
     "  ImmediatePopup = True\n  MaxDisplayLength = 10\n  MemoCharCase = ecUpperCase\n"
     "  MemoHideScrollBars = False\n  MemoMaxLength = 6\n  MemoOEMConvert = True\n"
     "  MemoScrollBars = ssVertical\n  MemoSelectionBar = True\n  MemoWantReturns = False\n"
     "  MemoWantTabs = False\n  MemoWordWrap = False\n  PictureAutoSize = False\n"
     "  PictureFilter = 'Bitmaps|*.bmp'\n  PictureTransparency = gtOpaque\n"
     "  PopupAlignment = taRightJustify\n  PopupBorder = pbFlat\n  PopupHeight = 90\n"
     "  PopupWidth = 120\n  ShowExPopupItems = True\n  ShowPicturePopup = True\n"
     "  SizeablePopup = False\n",
     Holds<editors::TdxInplaceBlobEdit>([](auto& e) {
       const editors::TdxMemoSettings& m = e.Memo;
       return Held(e.BlobEditKind(), e.BlobPaintStyle(), m.CharCase, m.HideScrollBars, m.MaxLength,
                   m.OEMConvert, m.ScrollBars, m.SelectionBar, m.WantReturns, m.WantTabs,
                   m.WordWrap) +
              " / " +
              Held(e.PictureAutoSize, e.PictureFilter, e.PictureTransparency, e.PopupHeight,
                   e.PopupWidth, e.ShowExPopupItems, e.ShowPicturePopup, e.SizeablePopup) +
              " / " + DropDownHeld(e);
     }),
     "0 1 0 1 0 0 3 0 1 1 1 / 1 '' 0 140 200 0 0 1 / 7 0 0 0 0 0",
     "1 2 1 0 6 1 2 1 0 0 0 / 0 'Bitmaps|*.bmp' 1 90 120 1 1 0 / 7 0 0 1 1 3",
     {},
     {"PictureFilter"}},
    {"TdxTreeListGraphicColumn",
     Adds<TdxTreeListGraphicColumn>(),
     "  Center = False\n  CustomFilter = 'Pictures|*.bmp'\n  CustomGraphic = True\n"
     "  DblClickActivate = False\n  GraphicTransparency = gtTransparent\n"
     "  HeaderMaxLineCount = 2\n  PopupToolbarPosStored = False\n  QuickDraw = True\n"
     "  ShadowSelection = False\n  Stretch = False\n",
     Holds<editors::TdxInplaceGraphicEdit>([](auto& e) {
       return Held(e.Center(), e.CustomFilter, e.DblClickActivate, e.QuickDraw, e.Stretch());
     }),
     "1 '' 1 0 1",
     "0 'Pictures|*.bmp' 0 1 0",
     {},
     {"CustomFilter"}},
    {"TdxTreeListButtonColumn", Adds<TdxTreeListButtonColumn>(), "  HideEditCursor = True\n",
     Holds<editors::TdxInplaceButtonEdit>([](auto& e) { return Held(e.TextMode()); }), "0", "1"},
};

bool Named(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// Each typed column's settings, read from a form: a new column has their defaults, a copy takes
// them, restoring gives the defaults back, and the editor gets what the column says.
TEST(TypedColumns, EachSettingHasItsDefaultIsCopiedRestoredAndReachesTheEditor) {
  RegisterTreeListClasses();
  RegisterTypedColumnClasses();
  for (const SettingsCase& c : kSettingsCases) {
    SCOPED_TRACE(std::string(c.type) + "\n" + c.settings);
    TypedGrid g;
    TdxTreeListColumn& fresh = c.add(g);
    TdxTreeListColumn& set = c.add(g);
    TdxTreeListColumn& copy = c.add(g);
    const auto held = [&](TdxTreeListColumn& column) {
      TdxInplaceEdit* editor = g.Edit(column);
      if (!editor) return std::string("no editor");
      std::string text = c.editor(*editor);
      g.grid.CancelEditor();
      return text;
    };
    const std::string fresh_text = Described(fresh);
    framework::ReadComponentText(
        set, std::string("object C: ") + c.type + "\n" + c.settings + "end\n", c.type);
    const auto value = [](TdxTreeListColumn& column, const std::string& name) {
      return framework::GetPropValue(column, name);
    };
    std::vector<framework::TValue> values;
    for (const std::string& name : SettingNames(c.settings)) {
      SCOPED_TRACE(name);
      const framework::PropInfo* prop = fresh.ClassInfo().FindProperty(name);
      ASSERT_NE(prop, nullptr);
      EXPECT_EQ(fresh_text.find("  " + name + " ="), std::string::npos) << "a new column's default";
      if (prop->default_value) {
        EXPECT_EQ(value(fresh, name), *prop->default_value);
      }
      EXPECT_NE(value(set, name), value(fresh, name)) << "the form text sets it";
      values.push_back(value(set, name));
    }
    EXPECT_EQ(held(fresh), c.new_editor);
    EXPECT_EQ(held(set), c.set_editor);

    copy.Assign(set);
    size_t i = 0;
    for (const std::string& name : SettingNames(c.settings)) {
      SCOPED_TRACE(name);
      EXPECT_EQ(value(copy, name),
                Named(c.not_copied, name) ? value(fresh, name) : value(set, name))
          << "copied";
    }
    if (c.not_copied.empty()) {
      EXPECT_EQ(Described(copy), Described(set));
      EXPECT_EQ(held(copy), c.set_editor);
    }
    set.RestoreDefaults();
    for (const std::string& name : SettingNames(c.settings)) {
      SCOPED_TRACE(name);
      EXPECT_EQ(value(set, name), Named(c.not_restored, name) ? values[i] : value(fresh, name))
          << "restored";
      ++i;
    }
    if (c.not_restored.empty()) {
      EXPECT_EQ(Described(set), fresh_text);
      EXPECT_EQ(held(set), c.new_editor);
    }
    // A plain column has none of its own settings: the copy restores their defaults.
    std::vector<framework::TValue> kept;
    for (const std::string& name : SettingNames(c.settings)) kept.push_back(value(copy, name));
    TdxTreeListColumn plain(nullptr);
    copy.Assign(plain);
    i = 0;
    for (const std::string& name : SettingNames(c.settings)) {
      if (plain.ClassInfo().FindProperty(name)) {
        EXPECT_EQ(value(copy, name), value(plain, name)) << name << " of the plain column";
      } else {
        EXPECT_EQ(value(copy, name), Named(c.not_restored, name) ? kept[i] : value(fresh, name))
            << name;
      }
      ++i;
    }
  }
}

TEST(TypedColumns, AnEditorOfAForeignClassGetsOnlyTheBaseSetUpAndStoresNothingOfTheType) {
  TypedGrid g;
  std::vector<TdxTreeListColumn*> columns = {
      &g.Add<TdxTreeListCheckColumn>({L"True"}), &g.Add<TdxTreeListPickColumn>({L"p"}),
      &g.Add<TdxTreeListMRUColumn>({L"m"}), &g.Add<TdxTreeListMemoColumn>({L"a\r\nb"})};
  for (TdxTreeListColumn* c : columns) {
    SCOPED_TRACE(c->ClassInfo().Name());
    RecordingEditor editor(&g.form);
    c->SetReadOnly(true);
    c->InitEditor(editor);
    EXPECT_EQ(editor.calls, L"");
    EXPECT_TRUE(editor.ReadOnly());
    const std::wstring before = g.Text(*c);
    c->LoadEditorValue(g.grid.Items(0), editor);
    editor.SetText(L"other");
    c->SaveEditorValue(g.grid.Items(0), editor);
    if (c == columns[0]) {
      EXPECT_EQ(g.Text(*c), before) << "a check column stores only states";
    }
  }
}

TEST(TypedColumns, OnlyDropDownAndPickColumnsTakeWideEditorsWithUnicodeSupport) {
  TypedGrid g;
  auto& check = g.Add<TdxTreeListCheckColumn>();
  // Owned by the form, shown by the grid: the grid decides.
  auto& drop = *g.grid.CreateColumn<TdxTreeListDropDownColumn>(&g.form);
  auto& pick = g.Add<TdxTreeListPickColumn>({L"\u20AC \u4E2D"});
  auto& mru = g.Add<TdxTreeListMRUColumn>();
  auto& memo = g.Add<TdxTreeListMemoColumn>();
  const auto names = [&] {
    std::string out;
    for (TdxTreeListColumn* c :
         std::initializer_list<TdxTreeListColumn*>{&check, &drop, &pick, &mru, &memo}) {
      out += std::string(c->GetEditorClass().name) + " ";
    }
    return out;
  };
  EXPECT_EQ(names(),
            "TdxInplaceTreeListCheckEdit TdxInplaceTreeListDropDownEdit TdxInplaceTreeListPickEdit "
            "TdxInplaceTreeListMRUEdit TdxInplaceTreeListMemoEdit ");
  g.grid.SetEnableUnicodeSupport(true);
  EXPECT_EQ(names(),
            "TdxInplaceTreeListCheckEdit TdxInplaceTreeListDropDownEditW "
            "TdxInplaceTreeListPickEditW TdxInplaceTreeListMRUEdit TdxInplaceTreeListMemoEdit ");
  TdxInplaceEdit* editor = g.Edit(pick);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->Text(), L"\u20AC \u4E2D") << "the wide editor keeps every character";
}

TEST(DropDownColumns, TheButtonShowsByItsStyleOnlyWhenTheGridShowsButtons) {
  TypedGrid g;
  auto& c = g.Add<TdxTreeListPickColumn>({L"a", L"b"});
  g.grid.SetFocusedCell(g.grid.Items(0), c.Index(), true);
  std::string matrix;
  for (const bool always : {false, true}) {
    g.grid.SetOptionsEx(always ? g.grid.OptionsEx() | aoShowButtonAlways
                               : g.grid.OptionsEx() & ~aoShowButtonAlways);
    for (const auto style : {TdxShowButtonStyle::sbDefault, TdxShowButtonStyle::sbAlways,
                             TdxShowButtonStyle::sbNone}) {
      c.SetShowButtonStyle(style);
      const auto hidden = [&](int row) {
        return dynamic_cast<editors::TdxDropDownEditViewData&>(g.Paint(c, row)).HideButton;
      };
      matrix += std::string(hidden(0) ? "-" : "B") + (hidden(1) ? "-" : "B") +
                (c.HasButtonAt(0, 0, true) ? "b " : ". ");
    }
  }
  EXPECT_EQ(matrix, "--. --b --. B-b BBb --. ");
  c.SetDisableEditor(true);
  EXPECT_FALSE(c.HasButtonAt(0, 0, true)) << "no editor, no button";

  // A glyph with pixels replaces the arrow in the cell and the editor; an empty one gives it back.
  c.SetDisableEditor(false);
  framework::TBitmap glyph(9, 7), empty;
  for (const framework::TBitmap* given :
       std::initializer_list<const framework::TBitmap*>{&glyph, &empty, &glyph, nullptr}) {
    c.SetButtonGlyph(given);
    const bool shown = given == &glyph;
    EXPECT_EQ(dynamic_cast<editors::TdxDropDownEditViewData&>(g.Paint(c)).ButtonGlyph != nullptr,
              shown);
    auto* editor = dynamic_cast<editors::TdxInplaceDropDownEdit*>(g.Edit(c));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->ButtonGlyph() != nullptr, shown);
    g.grid.CancelEditor();
  }
}

TEST(PickColumn, TheCloseUpHandlerMayChangeTheText) {
  TypedGrid g;
  auto& c = g.Add<TdxTreeListPickColumn>({L"vertical"});
  c.SetItems({"horizontal", "vertical", "off"});
  auto* editor = dynamic_cast<editors::TdxInplacePickEdit*>(g.Edit(c));
  ASSERT_NE(editor, nullptr);
  struct Case {
    std::function<void(framework::TComponent*, framework::Variant&, bool&)> handler;
    const wchar_t* text;
    bool accept;
  };
  const Case cases[] = {
      {nullptr, L"off", true},
      {[](auto, framework::Variant& v, bool&) { v = framework::Variant(L"diagonal"); }, L"diagonal",
       true},
      {[](auto, framework::Variant& v, bool&) { v = framework::Variant(); }, L"", true},
      {[](auto, framework::Variant&, bool& accept) { accept = false; }, L"off", false},
  };
  for (const Case& k : cases) {
    c.OnCloseUp = k.handler;
    std::wstring text = L"off";
    bool accept = true;
    editor->OnCloseUp(editor, text, accept);
    EXPECT_EQ(text, k.text);
    EXPECT_EQ(accept, k.accept);
  }
}

// The border a drop-down column's form text names frames the popup its editor opens: the
// frame's colours at its corners and its width, with the list right inside it.
TEST(DropDownColumns, TheFormsPopupBorderFramesThePopup) {
  struct Case {
    const char* border;
    int width;
    int outer, inner;          // system colours at the top left, from the outside
    int outer_end, inner_end;  // at the bottom right
  };
  const Case cases[] = {
      {"pbDefault", 1, COLOR_WINDOWFRAME, -1, COLOR_WINDOWFRAME, -1},
      {"pbSingle", 1, COLOR_WINDOWFRAME, -1, COLOR_WINDOWFRAME, -1},
      {"pbFrame3D", 2, COLOR_3DLIGHT, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW, COLOR_BTNSHADOW},
      {"pbFlat", 1, COLOR_BTNSHADOW, -1, COLOR_BTNSHADOW, -1},
  };
  RegisterTypedColumnClasses();
  TypedGrid g;
  auto& c = g.Add<TdxTreeListPickColumn>({L"b"});
  c.SetItems({"a", "b", "c"});
  for (const Case& k : cases) {
    SCOPED_TRACE(k.border);
    framework::ReadComponentText(
        c, std::string("object C: TdxTreeListPickColumn\n  PopupBorder = ") + k.border + "\nend\n",
        "border");
    auto* editor = dynamic_cast<editors::TdxInplacePickEdit*>(g.Edit(c));
    ASSERT_NE(editor, nullptr);
    HWND popup = editor->PopupHandle();
    ASSERT_NE(popup, nullptr) << "a pick column drops down at once";
    RECT window{}, client{};
    GetWindowRect(popup, &window);
    GetClientRect(popup, &client);
    const int w = window.right - window.left, h = window.bottom - window.top;
    EXPECT_EQ(w - client.right, 2 * k.width);
    EXPECT_EQ(h - client.bottom, 2 * k.width);
    xptest::Surface surface(w, h, RGB(1, 2, 3));
    SendMessageW(popup, WM_PRINT, reinterpret_cast<WPARAM>(surface.dc()),
                 PRF_NONCLIENT | PRF_CLIENT);
    EXPECT_EQ(surface.Pixel(0, 0), GetSysColor(k.outer));
    EXPECT_EQ(surface.Pixel(w / 2, h - 1), GetSysColor(k.outer_end));
    EXPECT_EQ(surface.Pixel(w - 1, h / 2), GetSysColor(k.outer_end));
    if (k.inner >= 0) {
      EXPECT_EQ(surface.Pixel(1, h / 2), GetSysColor(k.inner));
      EXPECT_EQ(surface.Pixel(w - 2, h - 2), GetSysColor(k.inner_end));
    }
    // Right inside the frame the list's own window colour begins.
    EXPECT_EQ(surface.Pixel(k.width, h - 1 - k.width), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(surface.Pixel(w - 1 - k.width, h - 1 - k.width), GetSysColor(COLOR_WINDOW));
    g.grid.CancelEditor();
  }
}

TEST(MRUColumn, TheEditorsListOutlivesTheEdit) {
  TypedGrid g;
  auto& c = g.Add<TdxTreeListMRUColumn>({L"a"});
  c.SetItems({"x"});
  c.SetMaxItemCount(2);
  for (const wchar_t* text : {L"y", L"z"}) {
    TdxInplaceEdit* editor = g.Edit(c);
    ASSERT_NE(editor, nullptr);
    editor->SetText(text);
    g.grid.CloseEditor();
  }
  EXPECT_EQ(c.Items(), (std::vector<std::string>{"z", "y"}));
  EXPECT_EQ(g.Text(c), L"z");
}

TEST(MemoColumn, LoadsItsLinesAndPaintsItsSelectionBar) {
  TypedGrid g;
  auto& c = g.Add<TdxTreeListMemoColumn>({L"one\r\ntwo"});
  EXPECT_TRUE(c.IsMemoColumn());
  c.SetSelectionBar(true);
  auto* editor = dynamic_cast<editors::TdxInplaceMemoEdit*>(g.Edit(c));
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->Text(), L"one\r\ntwo");
  g.grid.CancelEditor();
  EXPECT_TRUE(dynamic_cast<editors::TdxTextEditViewData&>(g.Paint(c)).SelectionBar);
}

// Each line of the memo's editor lies inside its window: none scrolled off above or cut below.
std::string LinesOutOfView(editors::TdxInplaceMemoEdit& editor) {
  HWND inner = editor.InnerHandle();
  RECT client{};
  GetClientRect(inner, &client);
  TEXTMETRICW metrics{};
  {
    const win::WindowDC dc(inner);
    editors::SelectScope font(dc.get(),
                              reinterpret_cast<HFONT>(SendMessageW(inner, WM_GETFONT, 0, 0)));
    GetTextMetricsW(dc.get(), &metrics);
  }
  const int height = metrics.tmHeight;
  std::string out;
  const int lines = static_cast<int>(SendMessageW(inner, EM_GETLINECOUNT, 0, 0));
  for (int line = 0; line < lines; ++line) {
    const LRESULT first = SendMessageW(inner, EM_LINEINDEX, line, 0);
    const LRESULT at = SendMessageW(inner, EM_POSFROMCHAR, first, 0);
    const int y = static_cast<short>(HIWORD(at));
    if (at == -1 || y < 0 || y + height > client.bottom) out += " " + std::to_string(line);
  }
  return out;
}

// A user opens a memo cell with F2 or by typing, and breaks lines with Enter: the caret waits
// after the text, and the one-row editor grows with its lines, a row at a time (as far as the grid
// reaches) so that the first line never scrolls out of view.
TEST(MemoColumn, EditorOpensWithTheCaretAfterTheTextAndGrowsWithItsLines) {
  TypedGrid g;
  auto& c = g.Add<TdxTreeListMemoColumn>({L"one", L"two\r\nlines", L"x"});
  c.SetWidth(150);
  c.SetWantTabs(true);
  HWND grid = g.grid.Handle();
  const auto key = [](HWND hwnd, WORD vk, wchar_t ch) {
    SendMessageW(hwnd, WM_KEYDOWN, vk, 0);
    if (ch) SendMessageW(hwnd, WM_CHAR, ch, 0);
    SendMessageW(hwnd, WM_KEYUP, vk, 0xC0000000);
  };
  const auto open = [&](int row, WORD vk, wchar_t ch) {
    g.grid.SetFocusedCell(g.grid.Items(row), c.Index(), true);
    SetFocus(grid);
    key(grid, vk, ch);
    auto* editor = dynamic_cast<editors::TdxInplaceMemoEdit*>(g.grid.InplaceEditor());
    EXPECT_TRUE(editor && g.grid.State() == tsEditing);
    return editor;
  };
  const auto caret = [](editors::TdxInplaceMemoEdit& editor) {
    DWORD start = 0, end = 0;
    SendMessageW(editor.InnerHandle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    return start == end ? static_cast<int>(end) : -1;
  };
  const RECT cell = g.grid.GetCellRect(g.grid.Items(0), c.Index());

  auto* editor = open(0, VK_F2, 0);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(caret(*editor), 3) << "after \"one\"";
  HWND inner = editor->InnerHandle();
  key(inner, VK_RETURN, L'\r');
  key(inner, 'Z', L'z');
  key(inner, VK_TAB, L'\t');
  EXPECT_EQ(editor->Text(), L"one\r\nz\t") << "a tab too, as the column wants";
  EXPECT_EQ(LinesOutOfView(*editor), "") << "lines out of view after Enter";
  EXPECT_EQ(editor->Left(), cell.left - 2) << "it grows down, as wide as before";
  EXPECT_EQ(editor->Width(), cell.right - cell.left + 4);
  const RECT next = g.grid.GetCellRect(g.grid.Items(1), c.Index());
  EXPECT_EQ(editor->Top() + editor->Height(), next.bottom + 2)
      << "it ends with a row, as it ends with its own: no sliver of the next row's text";
  for (int i = 0; i < 3; ++i) key(inner, VK_BACK, L'\b');
  EXPECT_EQ(editor->Height(), cell.bottom - cell.top + 4) << "back to the cell's height";
  g.grid.CloseEditor();
  EXPECT_EQ(g.Text(c), L"one");

  editor = open(1, VK_F2, 0);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(caret(*editor), 10) << "after \"lines\"";
  EXPECT_EQ(LinesOutOfView(*editor), "") << "lines out of view on opening";
  g.grid.CancelEditor();

  editor = open(2, 'Q', L'q');
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->Text(), L"q") << "the typed character replaces the text";
  EXPECT_EQ(caret(*editor), 1);
  g.grid.CancelEditor();

  // More lines than the grid holds: the editor ends at the grid's bottom and scrolls.
  g.grid.SetNodeString(g.grid.Items(2), c.Index(), Lines(30));
  editor = open(2, VK_F2, 0);
  ASSERT_NE(editor, nullptr);
  RECT client{};
  GetClientRect(grid, &client);
  EXPECT_LE(editor->Top() + editor->Height(), client.bottom);
  EXPECT_GE(editor->Top(), 0);
  EXPECT_EQ(caret(*editor), static_cast<int>(Lines(30).size())) << "at the end, in view";
  g.grid.CancelEditor();
}

TEST(SpinColumn, IntegerCellsRoundHalvesToEvenAndEditsStoreTheRoundedNumber) {
  const std::pair<double, const wchar_t*> cases[] = {
      {2.5, L"2"},           {3.5, L"4"},
      {-2.5, L"-2"},         {-3.5, L"-4"},
      {2.4999, L"2"},        {2.5001, L"3"},
      {0.5, L"0"},           {1.5, L"2"},
      {1e12, L"2147483647"}, {-1e12, L"-2147483648"},
      {std::nan(""), L"0"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(IntegerCellText(value), text) << value;
  EXPECT_EQ(FloatCellText(0.1 + 0.2), L"0.3");
  EXPECT_EQ(FloatCellText(1.5e20), L"1.5E20");
  EXPECT_EQ(FloatCellText(-2.5e-7), L"-2.5E-7");
  std::wstring parsed;
  for (const wchar_t* text : {L" 2.5 ", L"-7", L"1e3", L"", L"  ", L"abc", L"2.5x", L"inf"}) {
    double value = -1;
    parsed += TryParseNumber(text, value) ? std::to_wstring(value) + L" " : L"- ";
  }
  EXPECT_EQ(parsed, L"2.500000 -7.000000 1000.000000 - - - - - ");

  // Edits store the rounded number; anything else opens at zero.
  TypedGrid g;
  auto& c = g.Add<TdxTreeListSpinColumn>({L"abc", L"7"});
  auto* editor = dynamic_cast<editors::TdxInplaceSpinEdit*>(g.Edit(c));
  ASSERT_NE(editor, nullptr) << "a text that is no number opens the editor";
  EXPECT_EQ(editor->Value(), 0);
  EXPECT_EQ(c.LoadEditorValue(g.grid.Items(0), *editor).ToString(), L"abc");
  for (const auto& [typed, stored] : {std::pair{L"2.5", L"2"}, std::pair{L"3.5", L"4"}}) {
    editor->SetText(typed);
    c.SaveEditorValue(g.grid.Items(0), *editor);
    EXPECT_EQ(g.Text(c), stored);
  }
  g.grid.CancelEditor();
  c.SetValueType(TdxSpinEditValueType::vtFloat);
  ASSERT_EQ(g.Edit(c, 1), editor);
  EXPECT_EQ(c.LoadEditorValue(g.grid.Items(1), *editor).ToDouble(), 7.0);
  editor->SetText(L"2.25");
  g.grid.CloseEditor();
  EXPECT_EQ(g.Text(c, 1), L"2.25");
}

// The first click acts: on a shown spin button it steps the value of an unfocused cell at once
// (its upper half up, its lower half down), and with aoImmediateEditor a click on an unfocused
// cell's text opens its editor, as far as the column's handler allows.
TEST(SpinColumn, TheFirstClickOnTheButtonStepsAndAnImmediateEditorOpensOnTheClick) {
  TypedGrid g;
  auto& name = g.Add<TdxTreeListColumn>({L"a", L"b", L"c"});
  auto& spin = g.Add<TdxTreeListSpinColumn>({L"5", L"5", L"5"});
  g.grid.SetOptionsEx(g.grid.OptionsEx() | aoShowButtonAlways);
  const auto click = [&](POINT p) {
    SendMessageW(g.grid.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    SendMessageW(g.grid.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    return g.grid.State() == tsEditing;
  };
  const RECT cell = g.grid.GetCellRect(g.grid.Items(1), spin.Index());
  ASSERT_TRUE(click({cell.right - 4, cell.top + 3}));
  EXPECT_EQ(g.grid.GetFocusedNode(), g.grid.Items(1));
  EXPECT_EQ(g.grid.InplaceEditor()->Text(), L"6") << "the upper half steps up";
  const RECT below = g.grid.GetCellRect(g.grid.Items(2), spin.Index());
  ASSERT_TRUE(click({below.right - 4, below.bottom - 3}));
  EXPECT_EQ(g.Text(spin, 1), L"6") << "the first cell kept its step";
  EXPECT_EQ(g.grid.InplaceEditor()->Text(), L"4") << "the lower half steps down";
  g.grid.CloseEditor();

  const auto text_of = [&](int row, const TdxTreeListColumn& c) {
    const RECT r = g.grid.GetCellRect(g.grid.Items(row), c.Index());
    return POINT{r.left + 30, (r.top + r.bottom) / 2};
  };
  g.grid.SetFocusedCell(g.grid.Items(0), name.Index(), true);
  EXPECT_FALSE(click(text_of(1, name))) << "without aoImmediateEditor a click only focuses";
  g.grid.SetOptions(g.grid.Options() | aoImmediateEditor);
  ASSERT_TRUE(click(text_of(2, name)));
  EXPECT_EQ(g.grid.EditingNode(), g.grid.Items(2));
  EXPECT_EQ(g.grid.EditingColumn(), name.Index());
  g.grid.OnGetImmediateEditor = [&](framework::TComponent*, int column, bool& answer) {
    answer = column != name.Index();
  };
  EXPECT_FALSE(click(text_of(0, name))) << "the handler keeps this column's editor closed";
  EXPECT_EQ(g.grid.GetFocusedNode(), g.grid.Items(0));
}

// Steps and limits with decimals come from form text and decide what the Up and Down keys give
// in the cell; a number the reader cannot take names the form, the line and the object.
TEST(SpinColumn, AFormSetsTheStepAndLimitsTheKeysInTheCellFollow) {
  TypedGrid g;
  auto& c = g.Add<TdxTreeListSpinColumn>({L"1"});
  framework::ReadComponentText(c,
                               "object C: TdxTreeListSpinColumn\n  Increment = 2.5\n"
                               "  MinValue = -1.25E0\n  MaxValue = 6\n  ValueType = vtFloat\nend\n",
                               "spin");
  auto* editor = dynamic_cast<editors::TdxInplaceSpinEdit*>(g.Edit(c));
  ASSERT_NE(editor, nullptr);
  std::wstring seen;
  for (WORD key : {VK_UP, VK_UP, VK_DOWN, VK_DOWN, VK_DOWN}) {
    SendMessageW(editor->Handle(), WM_KEYDOWN, key, 0);
    seen += editor->Text() + L" ";
  }
  EXPECT_EQ(seen, L"3.500000 6.000000 3.500000 1.000000 -1.250000 ") << "held at the limits";
  g.grid.CloseEditor();
  EXPECT_EQ(g.Text(c), L"-1.25");
  const std::string described = Described(c);
  EXPECT_NE(described.find("Increment = 2.5\r\n  MinValue = -1.25\r\n  MaxValue = 6\r\n"),
            std::string::npos)
      << described;

  for (const char* bad : {"1.2.3", "1e999", "2.5x", "1E"}) {
    try {
      framework::ReadComponentText(
          c, std::string("object C: TdxTreeListSpinColumn\n\n  MaxValue = ") + bad + "\nend\n",
          "spin");
      ADD_FAILURE() << bad << " was taken";
    } catch (const framework::EFormError& e) {
      EXPECT_EQ(
          e.what(),
          std::string("spin:3: object C: property MaxValue needs a number, not \"") + bad + "\"");
    }
  }
  EXPECT_EQ(c.MaxValue(), 6) << "unchanged by the refused numbers";
}

TEST(CurrencyColumn, AFormSetsTheLimitsTheEditorHoldsTheCellTo) {
  TypedGrid g;
  auto& c = g.Add<TdxTreeListCurrencyColumn>({L"10"});
  framework::ReadComponentText(
      c, "object C: TdxTreeListCurrencyColumn\n  MinValue = -0.5\n  MaxValue = 50.25\nend\n",
      "currency");
  TdxInplaceEdit* editor = g.Edit(c);
  ASSERT_NE(editor, nullptr);
  editor->SetText(L"50.26");
  EXPECT_THROW(g.grid.CloseEditor(), editors::EdxEditError);
  ASSERT_EQ(g.grid.State(), tsEditing) << "still editing after the refusal";
  editor->SetText(L"50.25");
  g.grid.CloseEditor();
  EXPECT_EQ(g.Text(c), L"50.25");
}

TEST(TimeAndCurrencyColumns, ZeroIsStoredAsAnEmptyCellAndOtherValuesAsTheyShow) {
  TypedGrid g;
  auto& time = g.Add<TdxTreeListTimeColumn>({L"12:30:00"});
  auto& money = g.Add<TdxTreeListCurrencyColumn>({L"abc", L"12.5"});
  auto* t = dynamic_cast<editors::TdxInplaceTimeEdit*>(g.Edit(time));
  ASSERT_NE(t, nullptr);
  t->SetTimeValue(0);
  g.grid.CloseEditor();
  EXPECT_EQ(g.Text(time), L"") << "midnight";
  ASSERT_EQ(g.Edit(time), t);
  t->SetTimeValue(0.75);
  g.grid.CloseEditor();
  EXPECT_EQ(g.Text(time), L"18:00:00");
  time.SetTimeEditFormat(TdxTimeEditFormat::tfHour);
  ASSERT_EQ(g.Edit(time), t);
  EXPECT_EQ(t->GetEditText(), L"18") << "hours alone";
  g.grid.CancelEditor();
  auto* m = dynamic_cast<editors::TdxInplaceCurrencyEdit*>(g.Edit(money));
  ASSERT_NE(m, nullptr) << "a text that is no amount opens the editor";
  EXPECT_EQ(m->GetValue(), 0);
  EXPECT_EQ(m->Text(), L"") << "an amount of 0 shows an empty editor";
  m->SetText(L"0");
  g.grid.CloseEditor();
  EXPECT_EQ(g.Text(money), L"") << "amount 0";
  ASSERT_EQ(g.Edit(money, 1), m);
  EXPECT_EQ(m->GetValue(), 12.5);
  g.grid.CloseEditor();
  EXPECT_EQ(editors::NumberFromText(g.Text(money, 1)), 12.5);
  // An amount loads to four decimal places.
  money.SetDecimalPlaces(4);
  g.grid.SetNodeString(g.grid.Items(1), money.Index(), L"1.23456");
  ASSERT_EQ(g.Edit(money, 1), m);
  EXPECT_DOUBLE_EQ(m->GetValue(), 1.2346);
  g.grid.CancelEditor();
}

TEST(CurrencyColumn, ASetDisplayFormatSurvivesALocaleChangeAndTheDefaultFollowsIt) {
  TypedGrid g;
  auto& own = g.Add<TdxTreeListCurrencyColumn>({L"1234.5", L"abc"});
  auto& locale = g.Add<TdxTreeListCurrencyColumn>();
  own.SetDisplayFormat(L"\"EUR \",0.00");
  const std::wstring before = locale.DisplayFormat();
  {
    xptest::DecimalSeparatorScope comma(L",");
    SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ICURRDIGITS, "3");
    SendMessageW(g.grid.Handle(), kSettingsChangedMessage, 0, 0);
    EXPECT_EQ(own.DisplayFormat(), L"\"EUR \",0.00");
    EXPECT_NE(locale.DisplayFormat(), before);
    EXPECT_NE(locale.DisplayFormat().find(L".000"), std::wstring::npos) << "three digits now";
    EXPECT_EQ(g.Paint(own).Value.ToString(),
              editors::FormatCurrencyValue(1234.5, L"\"EUR \",0.00"));
    SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ICURRDIGITS, "2");
  }
  EXPECT_EQ(g.Paint(own, 1).Value.ToString(), L"abc") << "no number paints as it stands";
}

TEST(ButtonColumn, TheStyleMakesOrRemovesTheFirstButtonAndTheEditorGetsThem) {
  TypedGrid g;
  auto& c = g.Add<TdxTreeListButtonColumn>({L"x"});
  std::string kinds;
  for (const auto style : {TdxEditButtonStyle::ebsSimple, TdxEditButtonStyle::ebsDown,
                           TdxEditButtonStyle::ebsEllipsis, TdxEditButtonStyle::ebsGlyph}) {
    c.SetEditButtonStyle(style);
    kinds += c.Buttons().Count() ? std::to_string(static_cast<int>(c.Buttons().GetItem(0).Kind()))
                                 : std::string("-");
  }
  EXPECT_EQ(kinds, "-102");
  c.Buttons().Add();
  c.SetHideEditCursor(true);
  auto* editor = dynamic_cast<editors::TdxInplaceButtonEdit*>(g.Edit(c));
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->Buttons().Count(), 2);
  EXPECT_EQ(editor->TextMode(), editors::TdxButtonTextMode::tmNoCaret);
  EXPECT_EQ(editor->ClickKey, VK_RETURN | (framework::ssCtrl << 16)) << "Ctrl+Enter";
  int clicked = -1;
  c.OnButtonClick = [&](framework::TComponent*, int index) { clicked = index; };
  editor->ClickEditButton(1);
  EXPECT_EQ(clicked, 1);
  g.grid.CancelEditor();

  // A cell shows buttons alone only with ButtonOnly and while there are buttons to show.
  g.grid.SetOptionsEx(g.grid.OptionsEx() | aoShowButtonAlways);
  c.SetShowButtonStyle(TdxShowButtonStyle::sbAlways);
  const auto buttons_only = [&] {
    return dynamic_cast<editors::TdxButtonEditViewData&>(g.Paint(c)).ButtonsOnly;
  };
  EXPECT_FALSE(buttons_only());
  c.SetButtonOnly(true);
  EXPECT_TRUE(buttons_only());
  c.SetEditButtonStyle(TdxEditButtonStyle::ebsSimple);
  EXPECT_FALSE(buttons_only()) << "no buttons";
}

TEST(ButtonColumn, AFormDescriptionListsTheButtonsTheEditorGets) {
  TypedGrid g;
  auto& c = g.Add<TdxTreeListButtonColumn>({L"x"});
  EXPECT_EQ(Described(c).find("Buttons"), std::string::npos) << "the one ellipsis is the default";
  framework::ReadComponentText(c,
                               "object C: TdxTreeListButtonColumn\n  Buttons = <\n    item\n"
                               "      Kind = bkDown\n    end\n    item\n    end>\nend\n",
                               "buttons");
  auto* editor = dynamic_cast<editors::TdxInplaceButtonEdit*>(g.Edit(c));
  ASSERT_NE(editor, nullptr);
  ASSERT_EQ(editor->Buttons().Count(), 2);
  EXPECT_EQ(editor->Buttons().GetItem(0).Kind(), editors::TdxEditButtonKind::bkDown);
  EXPECT_EQ(editor->Buttons().GetItem(1).Kind(), editors::TdxEditButtonKind::bkEllipsis);
  const std::string described = Described(c);
  EXPECT_NE(described.find("Kind = bkDown"), std::string::npos) << described;
}

// A glyph written into form text comes back onto the first button of the editor in the cell.
TEST(ButtonColumn, AFormDescriptionCarriesTheGlyphToTheEditorsFirstButton) {
  TypedGrid g;
  auto& source = g.Add<TdxTreeListButtonColumn>();
  EXPECT_EQ(Described(source).find("Glyph"), std::string::npos) << "no glyph, nothing written";
  framework::TBitmap glyph;
  glyph.SetSize(9, 7);
  glyph.Canvas().Brush().SetColor(framework::clRed);
  glyph.Canvas().FillRect({0, 0, 9, 7});
  source.SetGlyph(glyph);
  source.SetEditButtonStyle(TdxEditButtonStyle::ebsGlyph);
  auto& c = g.Add<TdxTreeListButtonColumn>({L"x"});
  framework::ReadComponentText(c, "object C: TdxTreeListButtonColumn\n" + Described(source),
                               "glyph");
  auto* editor = dynamic_cast<editors::TdxInplaceButtonEdit*>(g.Edit(c));
  ASSERT_NE(editor, nullptr);
  HBITMAP shown = editor->Buttons().GetItem(0).Glyph();
  ASSERT_NE(shown, nullptr);
  BITMAP size{};
  GetObjectW(shown, sizeof size, &size);
  EXPECT_EQ(size.bmWidth * 100 + size.bmHeight, 907);
  win::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  editors::SelectScope selected(dc.get(), shown);
  EXPECT_EQ(GetPixel(dc.get(), 4, 3), RGB(255, 0, 0)) << "the glyph's own pixels";

  try {
    framework::ReadComponentText(c, "object C: TdxTreeListButtonColumn\n  Glyph = { 0102 }\nend\n",
                                 "glyph");
    ADD_FAILURE() << "two bytes taken as a bitmap";
  } catch (const framework::EFormError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("glyph:2: object C: property Glyph: ", 0), 0u)
        << e.what();
  }
}

TEST(ImageColumn, ACellShowsTheDescriptionItsValueHasNotTheOneAtItsImageIndex) {
  TypedGrid g;
  auto& c = g.Add<TdxTreeListImageColumn>({L"a", L"z"});
  c.SetValues({"a", "b"});
  c.SetDescriptions({"Alpha", "Beta"});
  c.SetImageIndexes({"1", "0"});
  c.SetDefaultImages(false);
  EXPECT_EQ(c.GetDisplayText(nullptr, g.Text(c)), L"Alpha");
  EXPECT_EQ(c.GetDisplayText(nullptr, g.Text(c, 1)), L"z") << "no description: as it is";
  framework::TImageList large(nullptr);
  c.SetLargeImages(&large);
  {
    framework::TImageList images(nullptr);
    images.SetHeight(24);
    c.SetImages(&images);
    EXPECT_EQ(c.GetMinCellHeight(), 24);
  }
  EXPECT_EQ(c.Images(), nullptr) << "a list that goes is dropped";
  EXPECT_EQ(c.LargeImages(), &large) << "the other stays";
}

TEST(HyperLinkColumn, TheLinkColourAndCursorFollowSingleClickAndRestoredDefaults) {
  TypedGrid g;
  auto& c = g.Add<TdxTreeListHyperLinkColumn>({L"http://localhost/", L""});
  HCURSOR cursor = nullptr;
  c.GetCellCursor(g.grid.Items(0), cursor);
  EXPECT_EQ(c.LinkFont().Color(), framework::clDefault);
  EXPECT_EQ(cursor, nullptr) << "a double-click link shows no link cursor";
  c.SetSingleClick(true);
  c.SetEditFontColor(framework::clRed);
  EXPECT_EQ(c.LinkFont().Color(), framework::clRed);
  EXPECT_TRUE(c.LinkFont().Style() & framework::fsUnderline);
  c.GetCellCursor(g.grid.Items(1), cursor);
  EXPECT_EQ(cursor, nullptr) << "an empty cell has no link";
  c.GetCellCursor(g.grid.Items(0), cursor);
  EXPECT_EQ(cursor, framework::Screen().CursorHandle(editors::crdxLink));
  EXPECT_EQ(g.Paint(c).TextColor, RGB(255, 0, 0));
  c.RestoreDefaults();
  EXPECT_EQ(c.LinkFont().Color(), framework::clDefault) << "the font follows the defaults";
}

// Every byte value, as a picture file (a 24-bit bitmap whose pixels hold them) and as a text.
std::string AllBytesBitmap() {
  framework::TBitmap bitmap(16, 16, framework::TPixelFormat::pf24bit);
  for (int y = 0; y < 16; ++y) {
    auto* row = static_cast<uint8_t*>(bitmap.ScanLine(y));
    for (int x = 0; x < 48; ++x) row[x] = static_cast<uint8_t>(y * 48 + x);
  }
  framework::TMemoryStream stream;
  bitmap.SaveToStream(stream);
  return std::string(stream.Bytes().begin(), stream.Bytes().begin() + stream.Size());
}

TEST(PictureColumns, GraphicAndBlobValuesComeBackByteForByteAndGarbagePaintsEmpty) {
  TypedGrid g;
  auto& graphic = g.Add<TdxTreeListGraphicColumn>({L"", L"no picture"});
  auto& blob = g.Add<TdxTreeListBlobColumn>();
  std::wstring every_byte;
  for (int b = 0; b < 256; ++b) every_byte += static_cast<wchar_t>(b);
  const std::wstring picture = editors::BytesToValue(AllBytesBitmap());
  g.grid.SetNodeString(g.grid.Items(0), graphic.Index(), picture);
  g.grid.SetNodeString(g.grid.Items(0), blob.Index(), every_byte);
  for (TdxTreeListColumn* c : std::initializer_list<TdxTreeListColumn*>{&graphic, &blob}) {
    SCOPED_TRACE(c->ClassInfo().Name());
    const std::wstring before = g.Text(*c);
    TdxInplaceEdit* editor = g.Edit(*c);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->Text(), before);
    editor->SetModified(true);
    g.grid.CloseEditor();
    EXPECT_EQ(g.Text(*c), before);
  }
  EXPECT_EQ(graphic.LoadNodeGraphic(g.grid.Items(0)).Width(), 16);
  auto& shown = dynamic_cast<editors::TdxGraphicEditViewData&>(g.Paint(graphic, 1));
  EXPECT_TRUE(editors::IsPictureEmpty(*shown.Picture)) << "a value that does not decode";
  EXPECT_EQ(graphic.GetBestFitWidth(g.grid.Items(0), nullptr), 0) << "stretched";
  graphic.SetStretch(false);
  EXPECT_EQ(graphic.GetBestFitWidth(g.grid.Items(0), nullptr), 16);
  EXPECT_TRUE(dynamic_cast<editors::TdxBlobEditViewData&>(g.Paint(blob, 1)).IsEmpty);
}

// A key on the focused window as a user presses it, Ctrl, Shift and Alt held or not, with the
// character the key types (Enter and Escape) going where the key went down.
void PressKey(WORD key, bool ctrl = false, bool shift = false, bool alt = false) {
  BYTE saved[256], state[256];
  GetKeyboardState(saved);
  std::copy(saved, saved + 256, state);
  state[VK_CONTROL] = ctrl ? 0x80 : 0;
  state[VK_SHIFT] = shift ? 0x80 : 0;
  state[VK_MENU] = alt ? 0x80 : 0;
  SetKeyboardState(state);
  HWND target = GetFocus();
  SendMessageW(target, WM_KEYDOWN, key, 1);
  const wchar_t typed = key == VK_RETURN ? (ctrl ? L'\n' : L'\r') : key == VK_ESCAPE ? 27 : 0;
  if (typed && IsWindow(target)) SendMessageW(target, WM_CHAR, typed, 1);
  SendMessageW(GetFocus(), WM_KEYUP, key, 0xC0000001);
  SetKeyboardState(saved);
}

void TypeText(const std::wstring& text) {
  for (wchar_t c : text) SendMessageW(GetFocus(), WM_CHAR, c, 1);
}

// The memo settings of a blob column, set by form text, reach the popup F4 opens: typed letters
// take the case, tabs are refused, Enter takes the text and Ctrl+Enter breaks the line, typing
// stops at the maximum length; by default Enter breaks the line and Ctrl+Enter takes it.
TEST(BlobColumn, TheMemoPopupTypesAsTheColumnsMemoSettingsSay) {
  TypedGrid g;
  auto& set = g.Add<TdxTreeListBlobColumn>({L"ab"});
  auto& plain = g.Add<TdxTreeListBlobColumn>({L"ab"});
  RegisterTypedColumnClasses();
  framework::ReadComponentText(set,
                               "object C: TdxTreeListBlobColumn\n  MemoCharCase = ecUpperCase\n"
                               "  MemoMaxLength = 6\n  MemoWantReturns = False\n"
                               "  MemoWantTabs = False\nend\n",
                               "memo");
  struct Case {
    TdxTreeListBlobColumn* column;
    bool ctrl_breaks;
    const wchar_t* stored;
  };
  for (const Case& c : {Case{&set, true, L"abC\r\nD"}, Case{&plain, false, L"abc\r\nd\te"}}) {
    SCOPED_TRACE(c.column == &set ? "set" : "defaults");
    auto* editor = dynamic_cast<editors::TdxInplaceBlobEdit*>(g.Edit(*c.column));
    ASSERT_NE(editor, nullptr);
    PressKey(VK_F4);
    ASSERT_TRUE(editor->DroppedDown());
    TypeText(L"c");
    PressKey(VK_RETURN, c.ctrl_breaks);
    EXPECT_TRUE(editor->DroppedDown()) << "the line break does not close the popup";
    TypeText(L"d\te");
    PressKey(VK_RETURN, !c.ctrl_breaks);
    EXPECT_FALSE(editor->DroppedDown()) << "the other Enter takes the text";
    g.grid.CloseEditor();
    EXPECT_EQ(g.Text(*c.column), c.stored);
  }
}

// The memo popup is the system's multi-line edit, focused while it is open and left with
// Escape. Form text sets its scroll bars (hidden ones show only once the lines overflow), OEM
// conversion of typed characters and a selection bar where a click selects the line; a click
// on a scroll bar scrolls; long lines wrap only with MemoWordWrap.
TEST(BlobColumn, TheMemoPopupIsAnEditWithTheColumnsBarsConversionAndWrapping) {
  RegisterTypedColumnClasses();
  TypedGrid g;
  const std::wstring words = L"one two three four five six seven eight nine ten eleven twelve";
  auto& set = g.Add<TdxTreeListBlobColumn>({L"first\r\nsecond\r\nthird"});
  auto& plain = g.Add<TdxTreeListBlobColumn>({words.c_str()});
  framework::ReadComponentText(set,
                               "object C: TdxTreeListBlobColumn\n  MemoHideScrollBars = False\n"
                               "  MemoOEMConvert = True\n  MemoScrollBars = ssVertical\n"
                               "  MemoSelectionBar = True\nend\n",
                               "memo");
  const auto open = [&](TdxTreeListBlobColumn& c) {
    auto* editor = dynamic_cast<editors::TdxInplaceBlobEdit*>(g.Edit(c));
    if (!editor) return std::pair<HWND, HWND>{};
    PressKey(VK_F4);
    return std::pair<HWND, HWND>{editor->PopupHandle(), GetFocus()};
  };
  const auto style = [](HWND memo) { return GetWindowLongW(memo, GWL_STYLE); };
  const auto click = [](HWND popup, POINT at) {
    PostMessageW(popup, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));  // ends a scroll bar's drag
    SendMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  };

  auto [popup, memo] = open(set);
  ASSERT_NE(popup, nullptr);
  ASSERT_TRUE(IsChild(popup, memo)) << "the focus is in the popup's edit";
  EXPECT_TRUE(GetWindowLongW(memo, GWL_STYLE) & ES_MULTILINE);
  EXPECT_TRUE(style(memo) & WS_VSCROLL) << "not hidden: shown with nothing to scroll";
  EXPECT_FALSE(style(memo) & WS_HSCROLL) << "vertical only";
  TypeText(L"\x20AC");
  click(popup, {3, 1});  // the selection bar beside the first line
  DWORD start = 0, end = 0;
  SendMessageW(memo, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start * 100 + end, 7u) << "the first line with its break";
  EXPECT_EQ(GetCapture(), popup) << "the popup holds the mouse again";
  PressKey(VK_ESCAPE);
  EXPECT_EQ(GetFocus(), g.grid.InplaceEditor()->Handle()) << "back in the cell";
  PressKey(VK_F4);
  memo = GetFocus();
  SendMessageW(memo, EM_SETSEL, 0, 0);
  TypeText(L"\x20AC\x00E9");
  PressKey(VK_RETURN, true);
  g.grid.CloseEditor();
  EXPECT_EQ(g.Text(set).substr(0, 3),
            L"?\x00E9"
            L"f")
      << "the OEM code page has no euro sign";

  std::tie(popup, memo) = open(plain);
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(style(memo) & (WS_VSCROLL | WS_HSCROLL), 0) << "hidden while nothing overflows";
  TypeText(L"\x20AC");
  for (int i = 0; i < 12; ++i) PressKey(VK_RETURN);
  EXPECT_TRUE(style(memo) & WS_VSCROLL) << "the lines overflow";
  EXPECT_FALSE(style(memo) & WS_HSCROLL) << "wrapped lines never do sideways";
  SendMessageW(memo, EM_SETSEL, 0, 0);
  SendMessageW(memo, EM_SCROLLCARET, 0, 0);
  RECT bar{};
  GetWindowRect(memo, &bar);
  POINT arrow{bar.right - GetSystemMetrics(SM_CXVSCROLL) / 2,
              bar.bottom - GetSystemMetrics(SM_CYVSCROLL) / 2};
  ScreenToClient(popup, &arrow);
  click(popup, arrow);
  EXPECT_EQ(SendMessageW(memo, EM_GETFIRSTVISIBLELINE, 0, 0), 1) << "the down arrow scrolled";
  EXPECT_EQ(GetCapture(), popup);
  SendMessageW(memo, EM_SETSEL, static_cast<WPARAM>(words.size() + 1), -1);
  PressKey(VK_DELETE);
  EXPECT_FALSE(style(memo) & WS_VSCROLL) << "the lines fit again";
  PressKey(VK_UP);
  EXPECT_EQ(GetFocus(), memo) << "an arrow moves in the lines, the popup stays";
  // A press in the text is the edit's, which holds the mouse for a selection; the popup takes
  // the mouse back when the button comes up there.
  SendMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 5));
  EXPECT_EQ(GetCapture(), memo);
  SendMessageW(memo, WM_LBUTTONUP, 0, MAKELPARAM(40, 5));
  EXPECT_EQ(GetCapture(), popup);
  PressKey(VK_UP, false, false, true);
  EXPECT_FALSE(IsWindowVisible(popup)) << "Alt+Up takes the text";
  g.grid.CloseEditor();
  EXPECT_EQ(g.Text(plain).substr(words.size()), L"\x20AC") << "converted only when set";

  int heights[2] = {};
  for (bool wrap : {true, false}) {
    plain.SetMemoWordWrap(wrap);
    g.grid.SetNodeString(g.grid.Items(0), plain.Index(), words + L" " + words);
    std::tie(popup, memo) = open(plain);
    ASSERT_NE(popup, nullptr);
    RECT client{};
    GetClientRect(memo, &client);
    xptest::Surface surface(client.right, client.bottom);
    SendMessageW(memo, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface.dc()), PRF_CLIENT);
    const RECT ink = surface.InkBox(GetSysColor(COLOR_WINDOW));
    heights[wrap ? 0 : 1] = ink.bottom - ink.top;
    EXPECT_EQ((style(memo) & WS_HSCROLL) != 0, !wrap) << "a line past the width to scroll";
    PressKey(VK_ESCAPE);
    g.grid.CloseEditor();
  }
  EXPECT_GT(heights[0], 2 * heights[1]) << "wrapped over several rows against one";
  EXPECT_GT(heights[1], 0);
}

// A blob cell and its open editor show the text (bpsText, or bpsDefault for a memo), ended
// with an ellipsis where it does not fit, else the icon of the blob's kind at the same place.
TEST(BlobColumn, CellAndEditorShowTheTextOrTheKindsIcon) {
  TypedGrid g;
  auto& c = g.Add<TdxTreeListBlobColumn>({L"wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww"});
  c.SetWidth(90);
  struct Case {
    TdxBlobPaintStyle style;
    TdxBlobEditKind kind;
    bool text;
  };
  using S = TdxBlobPaintStyle;
  using K = TdxBlobEditKind;
  for (const Case& k :
       {Case{S::bpsIcon, K::bekMemo, false}, Case{S::bpsText, K::bekPict, true},
        Case{S::bpsDefault, K::bekMemo, true}, Case{S::bpsDefault, K::bekPict, false}}) {
    SCOPED_TRACE(static_cast<int>(k.style) * 10 + static_cast<int>(k.kind));
    c.SetBlobPaintStyle(k.style);
    c.SetBlobEditKind(k.kind);
    editors::TdxEditViewData& data = g.Paint(c);
    data.Bounds = {0, 0, 90, 30};
    xptest::Surface cell(90, 30);
    data.Paint(cell.dc());
    TdxInplaceEdit* editor = g.Edit(c);
    ASSERT_NE(editor, nullptr);
    RECT client{};
    GetClientRect(editor->Handle(), &client);
    xptest::Surface open(client.right - 20, client.bottom);  // without the button
    SendMessageW(editor->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(open.dc()), PRF_CLIENT);
    g.grid.CancelEditor();
    // Dark pixels in the columns [left, left + 6) of a surface.
    const auto dark = [](const xptest::Surface& shown, int left) {
      int count = 0;
      for (int y = 0; y < shown.height(); ++y) {
        for (int x = left; x < left + 6; ++x) {
          const COLORREF p = shown.Pixel(x, y);
          count += GetRValue(p) + GetGValue(p) + GetBValue(p) < 384;
        }
      }
      return count;
    };
    const RECT ink = cell.InkBox(GetSysColor(COLOR_WINDOW));
    const RECT shown = open.InkBox(GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(ink.right - ink.left > 40, k.text) << "the cell";
    EXPECT_EQ(shown.right - shown.left > 40, k.text) << "the open editor";
    if (k.text) {
      EXPECT_LT(2 * dark(cell, ink.right - 6), dark(cell, ink.left))
          << "the last letters give way to the ellipsis's dots";
    } else {
      // The text area starts three pixels into the cell, the icon one further, its page two
      // into the icon.
      EXPECT_GE(ink.left, 6) << "the icon's place";
      EXPECT_LE(std::abs(ink.top + ink.bottom - 30), 2) << "the icon centred in the cell's height";
      EXPECT_EQ(cell.Pixel(ink.left + 1, ink.top + 1), RGB(255, 255, 255)) << "the icon's page";
    }
  }
}

// A blob cell and its closed editor show at most MaxDisplayLength characters of the text (255
// by default, all with 0); the node and the popup keep the whole text.
TEST(BlobColumn, CellAndEditorShowAtMostMaxDisplayLengthCharacters) {
  RegisterTypedColumnClasses();
  TypedGrid g;
  const std::wstring note = std::wstring(200, L'a') + std::wstring(100, L'b');
  const std::wstring long_line(40, L'w');
  auto& c = g.Add<TdxTreeListBlobColumn>({note.c_str(), long_line.c_str(), L"wwwww"});
  c.SetBlobPaintStyle(TdxBlobPaintStyle::bpsDefault);  // a memo's text
  c.SetWidth(90);
  EXPECT_EQ(g.Paint(c, 0).DisplayText(), note.substr(0, 255));

  // The width of the ink the cell in `row` paints, and that of its open editor.
  const auto cell_ink = [&](int row) {
    editors::TdxEditViewData& data = g.Paint(c, row);
    data.Bounds = {0, 0, 90, 30};
    xptest::Surface cell(90, 30);
    data.Paint(cell.dc());
    const RECT ink = cell.InkBox(GetSysColor(COLOR_WINDOW));
    return ink.right - ink.left;
  };
  const auto editor_ink = [&](int row) {
    TdxInplaceEdit* editor = g.Edit(c, row);
    if (!editor) return LONG{-1};
    EXPECT_EQ(editor->Text(), g.Text(c, row)) << "the popup gets the whole text";
    RECT client{};
    GetClientRect(editor->Handle(), &client);
    xptest::Surface open(client.right - 20, client.bottom);  // without the button
    SendMessageW(editor->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(open.dc()), PRF_CLIENT);
    g.grid.CancelEditor();
    const RECT ink = open.InkBox(GetSysColor(COLOR_WINDOW));
    return ink.right - ink.left;
  };
  framework::ReadComponentText(c, "object C: TdxTreeListBlobColumn\n  MaxDisplayLength = 5\nend\n",
                               "five");
  c.SetBlobPaintStyle(TdxBlobPaintStyle::bpsText);
  EXPECT_EQ(g.Paint(c, 1).DisplayText(), L"wwwww");
  EXPECT_GT(cell_ink(2), 20);
  EXPECT_EQ(cell_ink(1), cell_ink(2)) << "five letters, no ellipsis";
  EXPECT_EQ(editor_ink(1), editor_ink(2));
  c.SetMaxDisplayLength(0);
  EXPECT_GT(cell_ink(1), cell_ink(2) + 10) << "no limit: the line fills the cell";
  EXPECT_GT(editor_ink(1), editor_ink(2) + 10);
  EXPECT_EQ(g.Text(c, 1), long_line) << "the node keeps the whole text";
}

// Taking the memo popup's text (Enter, or Ctrl+Enter where Enter breaks lines) writes it back
// and announces the edit: with AlwaysSaveText even when the user changed nothing, so that a
// value changed meanwhile gets the editor's text; without it only a changed text.
TEST(BlobColumn, AlwaysSaveTextWritesBackTheTakenTextEvenUnchanged) {
  RegisterTypedColumnClasses();
  TypedGrid g;
  auto& always = g.Add<TdxTreeListBlobColumn>({L"note"});
  auto& plain = g.Add<TdxTreeListBlobColumn>({L"note"});
  framework::ReadComponentText(always,
                               "object C: TdxTreeListBlobColumn\n  AlwaysSaveText = True\n"
                               "  MemoWantReturns = False\nend\n",
                               "always");
  int changes = 0;
  g.grid.OnEditChange = [&](framework::TComponent*) { ++changes; };
  struct Case {
    TdxTreeListBlobColumn* column;
    const wchar_t* typed;
    const wchar_t* stored;
    int changes;
  };
  for (const Case& k : {Case{&always, L"", L"note", 1}, Case{&always, L"s", L"notes", 1},
                        Case{&plain, L"", L"other", 0}, Case{&plain, L"s", L"notes", 1}}) {
    SCOPED_TRACE(win::Narrow(std::wstring(k.column == &always ? L"always " : L"plain ") + k.typed));
    changes = 0;
    auto* editor = dynamic_cast<editors::TdxInplaceBlobEdit*>(g.Edit(*k.column));
    ASSERT_NE(editor, nullptr);
    g.grid.SetNodeString(g.grid.Items(0), k.column->Index(), L"other");  // the program's
    PressKey(VK_F4);
    ASSERT_TRUE(editor->DroppedDown());
    TypeText(k.typed);
    PressKey(VK_RETURN, k.column == &plain);
    ASSERT_FALSE(editor->DroppedDown());
    PressKey(VK_RETURN);
    EXPECT_NE(g.grid.State(), tsEditing) << "Enter in the cell ends the editing";
    EXPECT_EQ(g.Text(*k.column), k.stored);
    EXPECT_EQ(changes, k.changes);
    g.grid.SetNodeString(g.grid.Items(0), k.column->Index(), L"note");
  }
}

// A sizeable popup grows by its lower right corner and opens at that size next time; one that
// is not sizeable has no sizing frame, and a press there closes it.
TEST(BlobColumn, ASizeablePopupKeepsTheSizeTheUserDragsItTo) {
  RegisterTypedColumnClasses();
  TypedGrid g;
  auto& c = g.Add<TdxTreeListBlobColumn>({L"text"});
  auto* editor = dynamic_cast<editors::TdxInplaceBlobEdit*>(g.Edit(c));
  ASSERT_NE(editor, nullptr);
  PressKey(VK_F4);
  HWND popup = editor->PopupHandle();
  ASSERT_NE(popup, nullptr);
  RECT client{};
  GetClientRect(popup, &client);
  EXPECT_EQ(client.right, 200);
  EXPECT_EQ(client.bottom, 140);
  const auto mouse = [&](UINT msg, int x, int y) {
    SendMessageW(popup, msg, msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(x, y));
  };
  const int corner = 1;  // just outside the client area: on the frame
  mouse(WM_LBUTTONDOWN, 200 + corner, 140 + corner);
  mouse(WM_MOUSEMOVE, 240 + corner, 170 + corner);
  mouse(WM_LBUTTONUP, 240 + corner, 170 + corner);
  ASSERT_TRUE(editor->DroppedDown()) << "a press on the frame sizes, it does not close";
  GetClientRect(popup, &client);
  EXPECT_EQ(client.right, 240);
  EXPECT_EQ(client.bottom, 170);
  mouse(WM_LBUTTONDOWN, 240, 170);  // the frame's first pixel
  mouse(WM_MOUSEMOVE, -500, -500);
  mouse(WM_LBUTTONUP, -500, -500);
  GetClientRect(popup, &client);
  EXPECT_EQ(client.right, 20) << "never smaller than a little room inside the frame";
  EXPECT_EQ(client.bottom, 20);
  mouse(WM_LBUTTONDOWN, 20, 20);
  mouse(WM_MOUSEMOVE, 240, 170);
  mouse(WM_LBUTTONUP, 240, 170);
  PressKey(VK_RETURN, true);
  EXPECT_EQ(c.PopupWidth(), 240);
  EXPECT_EQ(c.PopupHeight(), 170);
  g.grid.CloseEditor();

  framework::ReadComponentText(c, "object C: TdxTreeListBlobColumn\n  SizeablePopup = False\nend\n",
                               "fixed");
  editor = dynamic_cast<editors::TdxInplaceBlobEdit*>(g.Edit(c));
  ASSERT_NE(editor, nullptr);
  PressKey(VK_F4);
  popup = editor->PopupHandle();
  ASSERT_NE(popup, nullptr);
  GetClientRect(popup, &client);
  EXPECT_EQ(client.right, 240) << "opens at the size it was left at";
  EXPECT_EQ(GetWindowLongW(popup, GWL_STYLE) & WS_THICKFRAME, 0);
  mouse(WM_LBUTTONDOWN, 240 + corner, 170 + corner);
  EXPECT_FALSE(editor->DroppedDown());
}

// A picture's popup takes the picture's size with PictureAutoSize, the column's popup size
// without it.
TEST(BlobColumn, APicturePopupFitsThePictureOnlyWithPictureAutoSize) {
  TypedGrid g;
  auto& c = g.Add<TdxTreeListBlobColumn>({L""});
  c.SetBlobEditKind(TdxBlobEditKind::bekPict);
  framework::TBitmap bitmap(64, 48);
  framework::TMemoryStream stream;
  bitmap.SaveToStream(stream);
  g.grid.SetNodeString(g.grid.Items(0), c.Index(),
                       editors::BytesToValue(std::string(stream.Bytes().begin(),
                                                         stream.Bytes().begin() + stream.Size())));
  for (bool fit : {true, false}) {
    SCOPED_TRACE(fit ? "auto size" : "fixed");
    c.SetPictureAutoSize(fit);
    auto* editor = dynamic_cast<editors::TdxInplaceBlobEdit*>(g.Edit(c));
    ASSERT_NE(editor, nullptr);
    PressKey(VK_F4);
    ASSERT_NE(editor->PopupHandle(), nullptr);
    RECT client{};
    GetClientRect(editor->PopupHandle(), &client);
    EXPECT_EQ(client.right, fit ? 64 : 200);
    EXPECT_EQ(client.bottom, fit ? 48 : 140);
    PressKey(VK_ESCAPE);
    g.grid.CloseEditor();
  }
  c.SetPopupWidth(5);
  c.SetPopupHeight(5);
  auto* editor = dynamic_cast<editors::TdxInplaceBlobEdit*>(g.Edit(c));
  ASSERT_NE(editor, nullptr);
  PressKey(VK_F4);
  RECT client{};
  GetClientRect(editor->PopupHandle(), &client);
  EXPECT_EQ(client.right * 100 + client.bottom, 2020) << "never smaller than a little room";
  PressKey(VK_ESCAPE);
}

// A bitmap file of `width` x `height` in `ground` with a `centre` square, as a node value.
std::wstring PictureValue(int width, int height, COLORREF ground, COLORREF centre) {
  framework::TBitmap bitmap(width, height, framework::TPixelFormat::pf24bit);
  const RECT all{0, 0, width, height}, middle{width / 4, height / 4, width * 3 / 4, height * 3 / 4};
  const win::UniqueBrush ground_brush(CreateSolidBrush(ground)),
      centre_brush(CreateSolidBrush(centre));
  FillRect(bitmap.Canvas().Handle(), &all, ground_brush.get());
  FillRect(bitmap.Canvas().Handle(), &middle, centre_brush.get());
  framework::TMemoryStream stream;
  bitmap.SaveToStream(stream);
  return editors::BytesToValue(
      std::string(stream.Bytes().begin(), stream.Bytes().begin() + stream.Size()));
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// A right click on `window` whose menu (if one opens) takes the item with access key `key`; an
// Escape queued behind it closes a menu without such an item.
void ChooseFromMenu(HWND window, wchar_t key) {
  PostMessageW(window, WM_CHAR, key, 1);
  PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1);
  SendMessageW(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
  SendMessageW(window, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
  PumpMessages();
}

// Answers the picture file dialogs with `path`, recording what they asked.
struct FileDialogAnswer {
  std::wstring path, asked;
  FileDialogAnswer() {
    editors::SetPictureFileHandler([this](const editors::PictureFileRequest& request) {
      asked += (request.kind == editors::TdxPictureFileDialog::Load ? L"load " : L"save ") +
               request.filter + L";";
      return path;
    });
  }
  ~FileDialogAnswer() { editors::SetPictureFileHandler(nullptr); }
};

std::string FileBytes(const std::wstring& path) {
  framework::TFileStream file(path, framework::fmOpenRead);
  std::string bytes(static_cast<size_t>(file.Size()), '\0');
  file.ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  return bytes;
}

// The picture popup shows the picture through its transparent colour with PictureTransparency;
// with ShowPicturePopup a right click gives its menu: Copy puts the picture on the clipboard in
// the picture format, which Paste in another row takes byte for byte, Delete works on the
// popup's copy until Enter, and with ShowExPopupItems Load and Save ask for a file with the
// column's PictureFilter. Without ShowPicturePopup no menu shows, without ShowExPopupItems no
// Load.
TEST(BlobColumn, ThePicturePopupsMenuMovesPicturesAsTheColumnSays) {
  RegisterTypedColumnClasses();
  TypedGrid g;
  auto& shown = g.Add<TdxTreeListBlobColumn>({L"", L""});
  auto& plain = g.Add<TdxTreeListBlobColumn>({L"", L""});
  framework::ReadComponentText(shown,
                               "object C: TdxTreeListBlobColumn\n  BlobEditKind = bekPict\n"
                               "  PictureFilter = 'Bitmaps|*.bmp'\n"
                               "  PictureTransparency = gtTransparent\n"
                               "  ShowExPopupItems = True\n  ShowPicturePopup = True\nend\n",
                               "picture");
  plain.SetBlobEditKind(TdxBlobEditKind::bekPict);
  plain.SetPictureAutoSize(false);
  const std::wstring red_blue = PictureValue(24, 24, RGB(255, 0, 0), RGB(0, 0, 255));
  g.grid.SetNodeString(g.grid.Items(0), shown.Index(), red_blue);
  g.grid.SetNodeString(g.grid.Items(0), plain.Index(), red_blue);
  const auto popup_of = [&](TdxTreeListBlobColumn& c, int row) -> HWND {
    auto* editor = dynamic_cast<editors::TdxInplaceBlobEdit*>(g.Edit(c, row));
    if (!editor) return nullptr;
    PressKey(VK_F4);
    return editor->PopupHandle();
  };
  // The popup's pixel `offset` from its centre, where the picture's centre shows.
  const auto pixel = [](HWND popup, int offset) {
    RECT client{};
    GetClientRect(popup, &client);
    xptest::Surface surface(client.right, client.bottom);
    SendMessageW(popup, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface.dc()), PRF_CLIENT);
    return surface.Pixel(client.right / 2 + offset, client.bottom / 2 + offset);
  };
  const auto clipboard_has = [](UINT format) { return IsClipboardFormatAvailable(format) != 0; };

  for (TdxTreeListBlobColumn* c : {&plain, &shown}) {
    SCOPED_TRACE(c == &shown ? "shown" : "plain");
    HWND popup = popup_of(*c, 0);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(pixel(popup, -10) == RGB(255, 0, 0), c == &plain)
        << "the ground is the transparent colour";
    EXPECT_EQ(pixel(popup, 0), RGB(0, 0, 255)) << "centred in the popup";
    ASSERT_TRUE(OpenClipboard(popup));
    EmptyClipboard();
    CloseClipboard();
    ChooseFromMenu(popup, L'c');
    EXPECT_EQ(clipboard_has(shown.ClipboardFormat()), c == &shown) << "copied from the menu";
    EXPECT_EQ(clipboard_has(CF_BITMAP), c == &shown) << "and as a bitmap for other programs";
    PressKey(VK_ESCAPE);
    g.grid.CloseEditor();
  }

  // The menu key opens the menu too; Shift with another key does not.
  HWND popup = popup_of(shown, 0);
  ASSERT_NE(popup, nullptr);
  for (const bool menu_key : {false, true}) {
    ASSERT_TRUE(OpenClipboard(popup));
    EmptyClipboard();
    CloseClipboard();
    PressKey(menu_key ? VK_APPS : 'A', false, !menu_key);
    PostMessageW(popup, WM_CHAR, L'c', 1);
    PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 1);
    PumpMessages();
    EXPECT_EQ(clipboard_has(shown.ClipboardFormat()), menu_key);
  }
  PressKey(VK_ESCAPE);
  g.grid.CloseEditor();

  popup = popup_of(shown, 1);
  ASSERT_NE(popup, nullptr);
  ChooseFromMenu(popup, L'p');
  PressKey(VK_RETURN);
  g.grid.CloseEditor();
  EXPECT_EQ(g.Text(shown, 1), red_blue) << "pasted as it was copied";
  for (bool take : {false, true}) {
    popup = popup_of(shown, 1);
    ChooseFromMenu(popup, L'd');
    PressKey(take ? VK_RETURN : VK_ESCAPE);
    g.grid.CloseEditor();
    EXPECT_EQ(g.Text(shown, 1).empty(), take) << "deleted only when taken";
  }

  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  FileDialogAnswer answer;
  answer.path = std::wstring(folder) + L"blob_" + std::to_wstring(GetCurrentProcessId()) + L".bmp";
  const std::wstring green = PictureValue(10, 8, RGB(0, 160, 0), RGB(0, 160, 0));
  std::string green_bytes;
  ASSERT_TRUE(editors::ValueToBytes(green, green_bytes));
  {
    framework::TFileStream file(answer.path, framework::fmCreate);
    file.WriteBuffer(green_bytes.data(), static_cast<int32_t>(green_bytes.size()));
  }
  popup = popup_of(shown, 1);
  ChooseFromMenu(popup, L'l');
  PressKey(VK_RETURN);
  g.grid.CloseEditor();
  EXPECT_EQ(g.Text(shown, 1), green) << "loaded from the file the dialog gave";
  DeleteFileW(answer.path.c_str());
  popup = popup_of(shown, 0);
  ChooseFromMenu(popup, L's');
  PressKey(VK_ESCAPE);
  g.grid.CloseEditor();
  std::string red_blue_bytes;
  ASSERT_TRUE(editors::ValueToBytes(red_blue, red_blue_bytes));
  EXPECT_EQ(FileBytes(answer.path), red_blue_bytes) << "saved where the dialog said";
  DeleteFileW(answer.path.c_str());
  EXPECT_EQ(answer.asked, L"load Bitmaps|*.bmp;save Bitmaps|*.bmp;");

  shown.SetShowExPopupItems(false);
  const size_t asked = answer.asked.size();
  popup = popup_of(shown, 1);
  ChooseFromMenu(popup, L'l');
  PressKey(VK_RETURN);
  g.grid.CloseEditor();
  EXPECT_EQ(answer.asked.size(), asked) << "no Load in the short menu";
}

// The graphic column's tool bar, set from form text, shows the buttons it names in that order:
// Copy puts the picture on the clipboard in the column's format, Paste in another row takes it
// byte for byte, Load asks for a file with CustomFilter. A tool bar that is not visible never
// pops up. Copies take the tool bar and restored defaults give the default one back.
TEST(GraphicColumn, TheToolBarShowsTheButtonsFormTextNames) {
  RegisterTypedColumnClasses();
  TypedGrid g;
  auto& c = g.Add<TdxTreeListGraphicColumn>({L"", L""});
  auto& plain = g.Add<TdxTreeListGraphicColumn>();
  framework::ReadComponentText(c,
                               "object C: TdxTreeListGraphicColumn\n"
                               "  CustomFilter = 'Pictures|*.bmp'\n"
                               "  PopupToolBar.Buttons = [tbCopy, tbPaste, tbLoad]\nend\n",
                               "graphic");
  const std::wstring picture = PictureValue(24, 24, RGB(255, 0, 0), RGB(0, 0, 255));
  g.grid.SetNodeString(g.grid.Items(0), c.Index(), picture);
  const auto press_button = [&](int row, int button) {
    auto* editor = dynamic_cast<editors::TdxInplaceGraphicEdit*>(g.Edit(c, row));
    ASSERT_NE(editor, nullptr);
    SendMessageW(editor->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_TRUE(editor->ToolBarShowing());
    RECT client{};
    GetClientRect(editor->ToolBarHandle(), &client);
    EXPECT_EQ(client.right, 184) << "three buttons";
    const LPARAM at = MAKELPARAM(32 + button * 60, client.bottom / 2);
    SendMessageW(editor->ToolBarHandle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(editor->ToolBarHandle(), WM_LBUTTONUP, 0, at);
    EXPECT_FALSE(editor->ToolBarShowing());
    g.grid.CloseEditor();
  };
  ASSERT_TRUE(OpenClipboard(g.grid.Handle()));
  EmptyClipboard();
  CloseClipboard();
  press_button(0, 0);
  EXPECT_TRUE(IsClipboardFormatAvailable(c.ClipboardFormat()));
  press_button(1, 1);
  EXPECT_EQ(g.Text(c, 1), picture) << "pasted as it was copied";

  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  FileDialogAnswer answer;
  answer.path =
      std::wstring(folder) + L"graphic_" + std::to_wstring(GetCurrentProcessId()) + L".bmp";
  const std::wstring green = PictureValue(10, 8, RGB(0, 160, 0), RGB(0, 160, 0));
  std::string green_bytes;
  ASSERT_TRUE(editors::ValueToBytes(green, green_bytes));
  {
    framework::TFileStream file(answer.path, framework::fmCreate);
    file.WriteBuffer(green_bytes.data(), static_cast<int32_t>(green_bytes.size()));
  }
  press_button(1, 2);
  DeleteFileW(answer.path.c_str());
  EXPECT_EQ(g.Text(c, 1), green);
  EXPECT_EQ(answer.asked, L"load Pictures|*.bmp;");

  // The keys of any editor: Ctrl+C copies, Ctrl+X cuts, Shift+Insert pastes.
  auto* keyed = dynamic_cast<editors::TdxInplaceGraphicEdit*>(g.Edit(c));
  ASSERT_NE(keyed, nullptr);
  PressKey('C', true);
  EXPECT_FALSE(editors::IsPictureEmpty(keyed->Picture())) << "copying leaves the picture";
  PressKey('X', true);
  EXPECT_TRUE(editors::IsPictureEmpty(keyed->Picture())) << "cut";
  PressKey(VK_INSERT, false, true);
  EXPECT_EQ(keyed->Text(), picture) << "pasted back";
  g.grid.CancelEditor();

  auto copy = std::make_unique<TdxTreeListGraphicColumn>(nullptr);
  copy->Assign(c);
  EXPECT_EQ(Described(*copy), Described(c));
  copy->RestoreDefaults();
  copy->SetCustomFilter(L"");
  EXPECT_EQ(Described(*copy), Described(plain));

  framework::ReadComponentText(c,
                               "object C: TdxTreeListGraphicColumn\n"
                               "  PopupToolBar.Visible = False\nend\n",
                               "hidden");
  auto* editor = dynamic_cast<editors::TdxInplaceGraphicEdit*>(g.Edit(c));
  ASSERT_NE(editor, nullptr);
  SendMessageW(editor->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_FALSE(editor->ToolBarShowing());
}

TEST(WrapperColumn, CellsRunInTheReferenceColumnOnTheWrappersSlotAndSelfReferenceIsRefused) {
  TypedGrid g;
  auto& check = g.Add<TdxTreeListCheckColumn>({L"False"});
  auto& wrapper = g.Add<TdxTreeListWrapperColumn>({L"true"});
  TdxTreeListColumn* answer = &wrapper;
  wrapper.OnGetReferenceColumn = [&](framework::TComponent*, TdxTreeListNode*,
                                     TdxTreeListColumn*& column) { column = answer; };
  EXPECT_EQ(wrapper.GetReferenceColumn(g.grid.Items(0)), nullptr);
  EXPECT_STREQ(wrapper.GetEditorClass().name, "TdxInplaceTreeListTextEdit") << "the base's";
  answer = &check;
  auto& data = dynamic_cast<editors::TdxCheckEditViewData&>(g.Paint(wrapper));
  EXPECT_EQ(data.ShownState(), editors::TdxCheckBoxState::cbsChecked) << "the wrapper's value";
  auto* editor = dynamic_cast<editors::TdxInplaceCheckEdit*>(g.Edit(wrapper));
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->State(), editors::TdxCheckBoxState::cbsChecked);
  editor->Toggle();
  g.grid.CloseEditor();
  EXPECT_EQ(g.Text(wrapper), L"False");
  EXPECT_EQ(g.Text(check), L"False");
  EXPECT_EQ(check.DataIndexOverride(), -1) << "the loan ends with the call";
}

TEST(TypedColumns, FifteenClassesAreKnownToFormDescriptions) {
  RegisterTypedColumnClasses();
  std::string missing;
  for (const char* name :
       {"TdxTreeListMemoColumn", "TdxTreeListDateColumn", "TdxTreeListButtonColumn",
        "TdxTreeListCheckColumn", "TdxTreeListImageColumn", "TdxTreeListSpinColumn",
        "TdxTreeListPickColumn", "TdxTreeListCalcColumn", "TdxTreeListHyperLinkColumn",
        "TdxTreeListTimeColumn", "TdxTreeListCurrencyColumn", "TdxTreeListGraphicColumn",
        "TdxTreeListBlobColumn", "TdxTreeListMRUColumn", "TdxTreeListWrapperColumn"}) {
    if (!framework::FindClass(name)) missing += std::string(name) + " ";
  }
  EXPECT_EQ(missing, "");
  EXPECT_EQ(framework::FindClass("TdxTreeListDropDownColumn"), nullptr);
}

}  // namespace
}  // namespace treelist_test
