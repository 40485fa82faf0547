// The check editor: its toggle table through every road that toggles it, the text that
// follows the state, read-only, the box's place and size, and the cell hit test.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <vector>

#include "editors/check_edit.h"
#include "tests/editors/editor_test_support.h"

namespace {

using editors::TdxCheckBoxState;
using editortest::EditorForm;
using edittest::Type;

class CheckEdit : public EditorForm {};

// The system's check box: a quarter of OBM_CHECKBOXES' width, a third of its height.
SIZE SystemBox() {
  HBITMAP boxes = LoadBitmapW(nullptr, MAKEINTRESOURCEW(32759));
  BITMAP info{};
  GetObjectW(boxes, sizeof info, &info);
  DeleteObject(boxes);
  return {info.bmWidth / 4, info.bmHeight / 3};
}

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

struct ToggleCase {
  TdxCheckBoxState from;
  bool allow_grayed;
  const wchar_t* text;
  TdxCheckBoxState to;
  const wchar_t* text_after;
};
constexpr ToggleCase kToggleCases[] = {
    {TdxCheckBoxState::cbsUnchecked, false, L"False", TdxCheckBoxState::cbsChecked, L"True"},
    {TdxCheckBoxState::cbsUnchecked, true, L"false", TdxCheckBoxState::cbsGrayed, L"false"},
    {TdxCheckBoxState::cbsGrayed, true, L"", TdxCheckBoxState::cbsChecked, L""},
    {TdxCheckBoxState::cbsGrayed, false, L"TRUE", TdxCheckBoxState::cbsChecked, L"True"},
    {TdxCheckBoxState::cbsChecked, true, L"tRuE", TdxCheckBoxState::cbsUnchecked, L"False"},
    {TdxCheckBoxState::cbsChecked, false, L"Yes", TdxCheckBoxState::cbsUnchecked, L"Yes"},
    {TdxCheckBoxState::cbsUnchecked, false, L"Truer", TdxCheckBoxState::cbsChecked, L"Truer"},
    {TdxCheckBoxState::cbsUnchecked, false, L"True", TdxCheckBoxState::cbsChecked, L"True"},
};

TEST_F(CheckEdit, ToggleTableBySpaceClickAndGridClick) {
  auto& editor = Open<editors::TdxInplaceCheckEdit>({10, 10, 110, 28});
  HWND hwnd = editor.Handle();
  const POINT centre = Centre(editor.ClientRect());  // the box is centred
  // Each road: Space, a left-button release over the box, a click the grid hands on.
  const std::function<void()> roads[] = {
      [&] { Type(hwnd, L" "); },
      [&] {
        SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(centre.x, centre.y));
        SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(centre.x, centre.y));
      },
      [&] { EXPECT_TRUE(editor.ProcessClick(centre)); },
  };
  for (const auto& road : roads) {
    for (const ToggleCase& c : kToggleCases) {
      SCOPED_TRACE(testing::Message() << static_cast<int>(c.from) << " grayed " << c.allow_grayed
                                      << " text " << std::wstring(c.text));
      editor.SetState(c.from);
      editor.AllowGrayed = c.allow_grayed;
      editor.SetText(c.text);
      editor.SetModified(false);
      int changes = 0;
      editor.OnChange = [&](framework::TComponent*) { ++changes; };
      road();
      EXPECT_EQ(editor.State(), c.to);
      EXPECT_EQ(editor.Text(), c.text_after);
      EXPECT_TRUE(editor.Modified());
      EXPECT_EQ(changes, 1);
    }
  }
}

TEST_F(CheckEdit, ReadOnlyAndMissesNeverToggle) {
  auto& editor = Open<editors::TdxInplaceCheckEdit>({10, 10, 110, 28});
  HWND hwnd = editor.Handle();
  editor.SetText(L"False");
  editor.SetModified(false);
  EXPECT_FALSE(editor.ProcessClick(POINT{1, 1})) << "beside the box";
  SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
  Type(hwnd, L"x");
  EXPECT_EQ(editor.State(), TdxCheckBoxState::cbsUnchecked);
  EXPECT_FALSE(editor.Modified());

  editor.SetReadOnly(true);
  Type(hwnd, L" ");
  editor.ProcessClick(Centre(editor.ClientRect()));
  editor.Toggle();
  editor.SetReadOnly(false);
  container_->read_only = true;
  Type(hwnd, L" ");
  EXPECT_EQ(editor.State(), TdxCheckBoxState::cbsUnchecked);
  EXPECT_EQ(editor.Text(), L"False");
  EXPECT_FALSE(editor.Modified());
}

// Inside the client less 2 pixels a side: 1 pixel in from the left, centred, or 1 pixel in
// from the right; always centred vertically.
TEST_F(CheckEdit, TheBoxSitsWhereItsAlignmentPutsItAndOnlyItsPixelsToggle) {
  auto& editor = Open<editors::TdxInplaceCheckEdit>({10, 10, 110, 30});
  const SIZE box = SystemBox();
  const RECT client = editor.ClientRect();
  const LONG w = client.right, h = client.bottom;
  ASSERT_GT(w, box.cx + 8);
  const LONG top = (h - box.cy) / 2;
  const struct {
    framework::TAlignment alignment;
    LONG left;
  } cases[] = {
      {framework::TAlignment::taLeftJustify, 3},
      {framework::TAlignment::taCenter, (w - box.cx) / 2},
      {framework::TAlignment::taRightJustify, w - 3 - box.cx},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.alignment));
    editor.SetAlignment(c.alignment);
    const LONG right = c.left + box.cx, bottom = top + box.cy;
    const struct {
      POINT at;
      bool toggles;
    } probes[] = {{{c.left, top}, true},           {{c.left - 1, top + 4}, false},
                  {{right - 1, bottom - 1}, true}, {{right, top + 4}, false},
                  {{c.left + 4, top - 1}, false},  {{c.left + 4, bottom}, false}};
    for (const auto& probe : probes) {
      editor.SetState(TdxCheckBoxState::cbsUnchecked);
      editor.ProcessClick(probe.at);
      EXPECT_EQ(editor.State() == TdxCheckBoxState::cbsChecked, probe.toggles)
          << probe.at.x << "," << probe.at.y;
    }
  }
}

TEST_F(CheckEdit, EscapeTakesTheLoadedStateBack) {
  auto& editor = Open<editors::TdxInplaceCheckEdit>();
  editor.SetState(TdxCheckBoxState::cbsChecked);
  editor.SetText(L"True");
  editor.SetModified(false);
  editor.InitEditState(true);
  Type(editor.Handle(), L" ");
  ASSERT_EQ(editor.State(), TdxCheckBoxState::cbsUnchecked);
  edittest::Key(editor.Handle(), VK_ESCAPE);
  EXPECT_EQ(editor.State(), TdxCheckBoxState::cbsChecked);
  EXPECT_EQ(editor.Text(), L"True");
  EXPECT_FALSE(editor.Modified());
  EXPECT_TRUE(container_->keys.empty());
  edittest::Key(editor.Handle(), VK_ESCAPE);
  EXPECT_EQ(container_->keys, std::vector<WPARAM>{VK_ESCAPE}) << "nothing left to revert";
}

TEST_F(CheckEdit, AClickBesideTheBoxTakesTheFocusWithoutToggling) {
  auto& editor = Open<editors::TdxInplaceCheckEdit>();
  outside_->SetFocus();
  ASSERT_NE(GetFocus(), editor.Handle());
  SendMessageW(editor.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
  SendMessageW(editor.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
  EXPECT_EQ(GetFocus(), editor.Handle());
  EXPECT_EQ(editor.State(), TdxCheckBoxState::cbsUnchecked);
}

TEST(CheckGlyph, SizeOfAGlyphOrOfTheSystemBox) {
  int width = 0, height = 0;
  EXPECT_FALSE(editors::GetCheckGlyphSize(nullptr, 3, width, height));
  HBITMAP boxes = LoadBitmapW(nullptr, MAKEINTRESOURCEW(32759));
  ASSERT_NE(boxes, nullptr);
  BITMAP info{};
  GetObjectW(boxes, sizeof info, &info);
  EXPECT_EQ(width, info.bmWidth / 4);
  EXPECT_EQ(height, info.bmHeight / 3);
  DeleteObject(boxes);

  HDC screen = GetDC(nullptr);
  HBITMAP glyph = CreateCompatibleBitmap(screen, 36, 11);
  ReleaseDC(nullptr, screen);
  EXPECT_TRUE(editors::GetCheckGlyphSize(glyph, 3, width, height));
  EXPECT_EQ(width, 12);
  EXPECT_EQ(height, 11);
  EXPECT_TRUE(editors::GetCheckGlyphSize(glyph, 36, width, height)) << "one column per image";
  EXPECT_EQ(width, 1);
  EXPECT_FALSE(editors::GetCheckGlyphSize(glyph, 37, width, height));
  EXPECT_FALSE(editors::GetCheckGlyphSize(glyph, 0, width, height)) << "no count, no division";
  EXPECT_FALSE(editors::GetCheckGlyphSize(glyph, -2, width, height));
  DeleteObject(glyph);
}

TEST(CheckGlyph, CellHitTestFindsTheCentredBox) {
  const editors::TdxInplaceEditClass& check = editors::TdxInplaceCheckEdit::EditorClass();
  EXPECT_TRUE(check.InheritsFrom(editors::TdxInplaceEdit::EditorClass()));
  // The cell less 2 pixels a side is 102..198 x 52..68: the box is centred in it.
  const RECT cell{100, 50, 200, 70};
  const SIZE box = SystemBox();
  const int left = (300 - box.cx) / 2, top = (120 - box.cy) / 2;
  const int right = left + box.cx, bottom = top + box.cy;
  const struct {
    int x, y;
    bool hit;
  } probes[] = {{left, top, true},       {left - 1, top + 4, false}, {right - 1, bottom - 1, true},
                {right, top + 4, false}, {left + 4, top - 1, false}, {left + 4, bottom, false}};
  for (const auto& p : probes) {
    EXPECT_EQ(check.hit_in_cell(cell, editors::kHitModeClick, p.x, p.y), p.hit)
        << p.x << "," << p.y;
  }
  EXPECT_FALSE(check.hit_in_cell(cell, 1, left + 4, top + 4)) << "only the click mode acts";
}

TEST(CheckGlyph, ViewDataPaintsTheStateItsValueNames) {
  editors::TdxCheckEditViewData data;
  data.Value = framework::Variant(2);
  EXPECT_EQ(data.ShownState(), TdxCheckBoxState::cbsGrayed);
  data.Value = framework::Variant(3);  // one past the last state
  data.State = TdxCheckBoxState::cbsChecked;
  EXPECT_EQ(data.ShownState(), TdxCheckBoxState::cbsChecked);
  data.Value = framework::Variant(7);
  EXPECT_EQ(data.ShownState(), TdxCheckBoxState::cbsChecked) << "no state number: the field";
  data.Value = framework::Variant(L"abc");
  EXPECT_EQ(data.ShownState(), TdxCheckBoxState::cbsChecked);
}

}  // namespace

namespace {

// Three 10 x 10 images side by side: red (unchecked), green (checked), blue (grayed), with a
// magenta corner pixel as the see-through colour.
HBITMAP ThreeColourGlyph() {
  HDC screen = GetDC(nullptr);
  HBITMAP glyph = CreateCompatibleBitmap(screen, 30, 10);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, glyph);
  const COLORREF colours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
  for (int i = 0; i < 3; ++i) {
    RECT image{i * 10, 0, i * 10 + 10, 10};
    SetBkColor(dc, colours[i]);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &image, nullptr, 0, nullptr);
  }
  SetPixel(dc, 0, 9, RGB(255, 0, 255));
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return glyph;
}

TEST_F(CheckEdit, OwnGlyphShowsTheImageOfTheState) {
  auto& editor = Open<editors::TdxInplaceCheckEdit>({10, 10, 110, 28});
  HBITMAP glyph = ThreeColourGlyph();
  editor.SetGlyph(glyph);
  editor.SetGlyphCount(3);
  DeleteObject(glyph);                               // the editor keeps a copy
  const POINT centre = Centre(editor.ClientRect());  // one 10 x 10 image, centred
  const struct {
    TdxCheckBoxState state;
    editors::TdxShowNullFieldStyle null_style;
    COLORREF colour;
  } cases[] = {
      {TdxCheckBoxState::cbsUnchecked, editors::TdxShowNullFieldStyle::nsGrayedChecked,
       RGB(255, 0, 0)},
      {TdxCheckBoxState::cbsChecked, editors::TdxShowNullFieldStyle::nsGrayedChecked,
       RGB(0, 255, 0)},
      {TdxCheckBoxState::cbsGrayed, editors::TdxShowNullFieldStyle::nsGrayedChecked,
       RGB(0, 0, 255)},
      {TdxCheckBoxState::cbsGrayed, editors::TdxShowNullFieldStyle::nsUnchecked, RGB(255, 0, 0)},
  };
  for (const auto& c : cases) {
    editor.SetState(c.state);
    editor.SetShowNullFieldStyle(c.null_style);
    auto picture = edittest::Picture(editor, "check_edit_own_glyph");
    EXPECT_EQ(picture->Pixel(centre.x, centre.y), c.colour) << static_cast<int>(c.state);
  }
  editor.SetGlyph(nullptr);
  int width = 0, height = 0;
  EXPECT_FALSE(editors::GetCheckGlyphSize(editor.Glyph(), editor.GlyphCount(), width, height));
}

}  // namespace
