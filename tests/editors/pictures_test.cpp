// Pictures of every full editor, closed and with its popup open, in the three paint styles
// (build/pictures/editors_closed.png, editors_open.png), and what must hold in them.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editors/button_edits.h"
#include "editors/check_edit.h"
#include "editors/date_edits.h"
#include "editors/memo_edit.h"
#include "editors/number_edits.h"
#include "editors/picture_edits.h"
#include "tests/controls/paint_styles.h"
#include "tests/controls/surface.h"
#include "tests/editors/editor_test_support.h"

namespace {

using editortest::TestContainer;

constexpr int kEditorWidth = 150, kEditorHeight = 22, kRowStep = 28;

class EditorPictures : public edittest::EditForm {
 protected:
  void SetUp() override {
    edittest::EditForm::SetUp();
    form_.SetBounds(20, 20, 700, 600);
  }
  TestContainer& NewContainer() {
    auto* container = new TestContainer(&form_);
    container->SetParent(&form_);
    container->SetBounds(0, 0, 680, 560);
    container->Handle();
    return *container;
  }
  template <class Editor>
  Editor& Place(TestContainer& container, int column, int row, const std::wstring& text) {
    auto* editor = new Editor(&container);
    editor->SetParent(&container);
    editor->SetStyle(std::make_unique<editors::TdxEditStyle>(editor));
    const int left = 6 + column * (kEditorWidth + 12), top = 6 + row * kRowStep;
    editor->ShowAndFocus({left, top, left + kEditorWidth - 4, top + kEditorHeight - 4});
    if (!text.empty()) editor->SetText(text);
    return *editor;
  }
};

// Every full editor with a value, in two columns.
std::vector<editors::TdxInplaceEdit*> PlaceAll(
    const std::function<editors::TdxInplaceEdit&(int kind, int column, int row)>& place) {
  std::vector<editors::TdxInplaceEdit*> placed;
  for (int kind = 0; kind < 16; ++kind) placed.push_back(&place(kind, kind / 8, kind % 8));
  return placed;
}

TEST_F(EditorPictures, EveryEditorClosedInEachPaintStyle) {
  const int row_height = 8 * kRowStep + 10;
  xptest::Surface surface(2 * (kEditorWidth + 12) + 10, 3 * row_height, RGB(236, 233, 216));
  int style_row = 0;
  xptest::ForEachPaintStyle([&](int) {
    TestContainer& container = NewContainer();
    auto editors_placed = PlaceAll([&](int kind, int column, int row) -> editors::TdxInplaceEdit& {
      switch (kind) {
        case 0: return Place<editors::TdxInplaceTextEdit>(container, column, row, L"Text editor");
        case 1: {
          auto& check = Place<editors::TdxInplaceCheckEdit>(container, column, row, L"True");
          check.SetState(editors::TdxCheckBoxState::cbsChecked);
          return check;
        }
        case 2: {
          auto& pick = Place<editors::TdxInplacePickEdit>(container, column, row, L"Vertical");
          pick.SetWideItems({L"Horizontal", L"Vertical", L"Any"});
          return pick;
        }
        case 3: return Place<editors::TdxInplaceMemoEdit>(container, column, row, L"Memo line");
        case 4: {
          auto& date = Place<editors::TdxInplaceDateEdit>(container, column, row, L"");
          date.SetDate(editors::EncodeDate(2024, 5, 17));
          return date;
        }
        case 5: return Place<editors::TdxInplaceCalcEdit>(container, column, row, L"42");
        case 6: return Place<editors::TdxInplaceSpinEdit>(container, column, row, L"17");
        case 7: return Place<editors::TdxInplaceCurrencyEdit>(container, column, row, L"12.50");
        case 8: return Place<editors::TdxInplaceButtonEdit>(container, column, row, L"Button");
        case 9:
          return Place<editors::TdxInplaceHyperLinkEdit>(container, column, row,
                                                         L"http://127.0.0.1/");
        case 10: {
          auto& image = Place<editors::TdxInplaceImageEdit>(container, column, row, L"");
          image.SetValues({L"1", L"2"});
          image.SetDescriptions({L"First image", L"Second"});
          image.SetText(L"1");
          return image;
        }
        case 11: {
          auto& blob = Place<editors::TdxInplaceBlobEdit>(container, column, row, L"");
          blob.SetTextSilently(L"Blob text");
          return blob;
        }
        case 12: {
          auto& mask = Place<editors::TdxInplaceMaskEdit>(container, column, row, L"");
          mask.SetEditMask(L"!\\(999\\) 000-0000;0;_");
          mask.SetText(L"5551234");
          return mask;
        }
        case 13: return Place<editors::TdxInplaceTimeEdit>(container, column, row, L"12:30");
        case 14: {
          auto& mru = Place<editors::TdxInplaceMRUEdit>(container, column, row, L"Recent");
          return mru;
        }
        default:
          return Place<editors::TXPDXEdit>(container, column, row, L"\u0391\u03b2 \u6f22\u5b57");
      }
    });
    container.PaintTo(surface.dc(), 0, style_row * row_height);
    for (editors::TdxInplaceEdit* editor : editors_placed) {
      SCOPED_TRACE(editor->Class().name);
      const RECT bounds = editor->BoundsRect();
      int ink = 0;
      for (int y = bounds.top + 3; y < bounds.bottom - 3; ++y) {
        for (int x = bounds.left + 3; x < bounds.right - 3; ++x) {
          if (surface.Pixel(x, y + style_row * row_height) !=
              surface.Pixel(bounds.left + 2, bounds.top + 2 + style_row * row_height)) {
            ++ink;
          }
        }
      }
      EXPECT_GT(ink, 20) << "the editor shows its value";
    }
    delete &container;
    ++style_row;
  });
  surface.MakeOpaque();
  xptest::WritePicture(surface, "editors_closed", 2);
}

TEST_F(EditorPictures, PopupsOpenInEachPaintStyle) {
  const int column_width = 200, row_height = 300;
  xptest::Surface surface(3 * column_width, 3 * row_height, RGB(236, 233, 216));
  int style_row = 0;
  xptest::ForEachPaintStyle([&](int) {
    TestContainer& container = NewContainer();
    auto& pick = Place<editors::TdxInplacePickEdit>(container, 0, 0, L"Vertical");
    pick.SetWideItems({L"Horizontal", L"Vertical", L"Any", L"Diagonal 45", L"Diagonal 135"});
    auto& date = Place<editors::TdxInplaceDateEdit>(container, 1, 0, L"");
    date.SetDate(editors::EncodeDate(2024, 5, 17));
    auto& calc = Place<editors::TdxInplaceCalcEdit>(container, 2, 0, L"42");
    calc.SetBounds(calc.Left() + 24, calc.Top(), calc.Width(), calc.Height());
    int column = 0;
    for (editors::TdxInplaceDropDownEdit* editor :
         std::vector<editors::TdxInplaceDropDownEdit*>{&pick, &date, &calc}) {
      SCOPED_TRACE(editor->Class().name);
      editor->SetFocus();
      editor->DropDown();
      ASSERT_TRUE(editor->DroppedDown());
      const int x = column * column_width + 4, y = style_row * row_height + 4;
      editor->PaintTo(surface.dc(), x, y);
      auto* popup = framework::TWinControl::FromHandle(editor->PopupHandle());
      ASSERT_NE(popup, nullptr);
      popup->PaintTo(surface.dc(), x, y + editor->Height());
      EXPECT_GT(popup->Height(), editor->Height()) << "the popup shows its content";
      editor->CloseUp(false);
      ++column;
    }
    delete &container;
    ++style_row;
  });
  surface.MakeOpaque();
  xptest::WritePicture(surface, "editors_open", 2);
}

}  // namespace
