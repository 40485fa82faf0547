// The memo editor's lines and keys, and the settings wrapper over an in-memory ini and over
// the registry; erasing many sub-sections.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "editors/memo_edit.h"
#include "editors/reg_ini_wrapper.h"
#include "framework/ini_files.h"
#include "tests/editors/editor_test_support.h"

namespace {

using editortest::EditorForm;
using edittest::Key;
using edittest::Type;

class MemoEdit : public EditorForm {};

TEST_F(MemoEdit, EditsLinesAndHandsEnterToTheGridOnlyWhenAsked) {
  auto& memo = Open<editors::TdxInplaceMemoEdit>({10, 10, 200, 80});
  memo.SetText(L"first");
  memo.SetModified(false);
  memo.InitEditState(true);
  EXPECT_FALSE(memo.Modified()) << "a text set from outside is no change";
  HWND inner = memo.InnerHandle();
  EXPECT_EQ(GetFocus(), inner) << "the focus goes to the lines";
  EXPECT_TRUE(memo.IsEditorWindow(inner));
  EXPECT_TRUE(GetWindowLongW(inner, GWL_STYLE) & ES_MULTILINE);
  EXPECT_NE(form_.FindNextControl(nullptr, true, true), framework::TWinControl::FromHandle(inner))
      << "Tab in the form never stops in the editor's own lines";

  SendMessageW(inner, EM_SETSEL, 5, 5);
  Key(inner, VK_RETURN);
  Type(inner, L"\rsecond");
  EXPECT_EQ(memo.Text(), L"first\r\nsecond");
  EXPECT_TRUE(memo.Modified());
  EXPECT_TRUE(container_->keys.empty());

  memo.WantReturns = false;
  Key(inner, VK_RETURN);
  Type(inner, L"\r");
  EXPECT_EQ(memo.Text(), L"first\r\nsecond");
  EXPECT_EQ(container_->keys, std::vector<WPARAM>{VK_RETURN});

  // Page keys move in the lines; with Ctrl they go to the grid, and the lines stay put.
  for (const bool ctrl : {false, true}) {
    SendMessageW(inner, EM_SETSEL, 0, 0);
    Key(inner, VK_NEXT,
        ctrl ? std::initializer_list<int>{VK_CONTROL} : std::initializer_list<int>{});
    DWORD caret = 0;
    SendMessageW(inner, EM_GETSEL, reinterpret_cast<WPARAM>(&caret), 0);
    EXPECT_EQ(caret > 0, !ctrl);
    EXPECT_EQ(container_->keys.back(), ctrl ? WPARAM{VK_NEXT} : WPARAM{VK_RETURN});
  }
  Key(inner, VK_END);
  DWORD end = 0;
  SendMessageW(inner, EM_GETSEL, reinterpret_cast<WPARAM>(&end), 0);
  EXPECT_EQ(end, 5u) << "other keys move the caret in the lines";

  PressThroughForm(inner, VK_ESCAPE);  // the lines' Escape is the editor's, not the form's
  EXPECT_EQ(memo.Text(), L"first");
  EXPECT_FALSE(memo.Modified());
  EXPECT_EQ(dialog_presses_, 0);
}

TEST_F(MemoEdit, SettersMakeTheInnerWindowAgain) {
  auto& memo = Open<editors::TdxInplaceMemoEdit>({10, 10, 200, 80});
  memo.SetText(L"kept");
  HWND first = memo.InnerHandle();
  memo.SetHideScrollBars(false);
  HWND second = memo.InnerHandle();
  EXPECT_FALSE(IsWindow(first));
  memo.SetScrollBars(editors::TScrollStyle::ssBoth);
  HWND third = memo.InnerHandle();
  EXPECT_FALSE(IsWindow(second));
  EXPECT_EQ(GetWindowLongW(third, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL), WS_VSCROLL)
      << "a sideways bar would end the wrapping";
  memo.SetWordWrap(false);
  EXPECT_TRUE(GetWindowLongW(memo.InnerHandle(), GWL_STYLE) & ES_AUTOHSCROLL);
  EXPECT_TRUE(GetWindowLongW(memo.InnerHandle(), GWL_STYLE) & WS_HSCROLL);
  memo.SetScrollBars(editors::TScrollStyle::ssVertical);
  EXPECT_FALSE(GetWindowLongW(memo.InnerHandle(), GWL_STYLE) & WS_HSCROLL) << "vertical only";
  EXPECT_EQ(memo.Text(), L"kept") << "the text survives a new window";
}

TEST_F(MemoEdit, HiddenScrollBarsShowOnlyWhenTheLinesOverflow) {
  auto& memo = Open<editors::TdxInplaceMemoEdit>({10, 10, 200, 60});
  memo.SetScrollBars(editors::TScrollStyle::ssVertical);
  memo.SetText(L"one line");
  auto vertical = [&] { return (GetWindowLongW(memo.InnerHandle(), GWL_STYLE) & WS_VSCROLL) != 0; };
  EXPECT_FALSE(vertical());
  std::wstring many;
  for (int i = 0; i < 20; ++i) many += L"line\r\n";
  memo.SetText(many);
  EXPECT_TRUE(vertical());
  memo.SetText(L"short again");
  EXPECT_FALSE(vertical());
  memo.SetHideScrollBars(false);
  EXPECT_TRUE(vertical()) << "shown always";
  memo.SetScrollBars(editors::TScrollStyle::ssNone);
  EXPECT_FALSE(vertical());

  // Unwrapped lines: the sideways bar shows once the widest line is wider than the window.
  memo.SetHideScrollBars(true);
  memo.SetWordWrap(false);
  memo.SetScrollBars(editors::TScrollStyle::ssHorizontal);
  auto horizontal = [&] {
    return (GetWindowLongW(memo.InnerHandle(), GWL_STYLE) & WS_HSCROLL) != 0;
  };
  memo.SetText(L"short");
  EXPECT_FALSE(horizontal());
  memo.SetText(std::wstring(80, L'w'));
  EXPECT_TRUE(horizontal());
}

TEST(RegIniWrapper, ReadsDefaultsWritesAndErasesSubSectionsInMemory) {
  framework::TMemIniFile ini("");
  {
    editors::TdxRegIniWrapper wrapper;
    EXPECT_EQ(wrapper.ReadInteger("S", "N", 5), 5) << "no store: the default";
    wrapper.WriteBool("S", "B", true);  // nothing to write to
    wrapper.IniFile = &ini;
    EXPECT_TRUE(wrapper.ReadBool("Grid", "Flag", true));
    EXPECT_EQ(wrapper.ReadInteger("Grid", "Width", -3), -3);
    wrapper.WriteBool("Grid", "Flag", false);
    wrapper.WriteInteger("Grid", "Width", 120);
    wrapper.WriteInteger("Grid\\Column1", "Width", 40);
    wrapper.WriteInteger("GridOther", "Width", 7);
    EXPECT_FALSE(wrapper.ReadBool("Grid", "Flag", true));
    EXPECT_EQ(wrapper.ReadInteger("Grid", "Width", 0), 120);
    wrapper.DeleteValue("Grid", "Width");
    EXPECT_EQ(wrapper.ReadInteger("Grid", "Width", 9), 9);
    wrapper.EraseSection("Grid");
    EXPECT_TRUE(wrapper.ReadBool("Grid", "Flag", true));
    EXPECT_EQ(wrapper.ReadInteger("Grid\\Column1", "Width", 0), 0) << "sub-sections go too";
    EXPECT_EQ(wrapper.ReadInteger("GridOther", "Width", 0), 7) << "a mere prefix stays";
  }
  EXPECT_EQ(ini.ReadInteger("GridOther", "Width", 0), 7) << "the wrapper leaves the ini alive";
}

// An ini in memory that counts the sections its store's calls walk: listing the sections or
// erasing any number of them walks every section there is.
class WalkCountingIni final : public framework::TMemIniFile {
 public:
  WalkCountingIni() : TMemIniFile("") {}
  std::vector<std::string> ReadSections() override {
    Walk();
    return TMemIniFile::ReadSections();
  }
  void EraseSection(const std::string& section) override {
    Walk();
    TMemIniFile::EraseSection(section);
  }
  void EraseSections(const std::vector<std::string>& sections) override {
    Walk();
    TMemIniFile::EraseSections(sections);
  }
  size_t walked = 0;

 private:
  void Walk() { walked += TMemIniFile::ReadSections().size(); }
};

// A layout of many bands is erased in a few walks of the sections, whatever their number:
// erasing section by section, each erase walking all the sections left, made a layout of 16,000
// bands cost a hundred times what sixteen of 1,000 did. The time itself is the benchmark's.
TEST(RegIniWrapper, ErasingSubSectionsWalksTheSectionsAFewTimesNotOncePerSubSection) {
  constexpr int kBands = 1000;
  WalkCountingIni ini;
  ini.WriteInteger("Tree", "Width", 1);
  ini.WriteInteger("Tree\\Bands", "Width", 1);
  for (int i = 0; i < kBands; ++i) {
    const std::string band = (i % 2 ? "Tree\\Band\\Band" : "TREE\\band\\Band") + std::to_string(i);
    ini.WriteInteger(band, "ID", i);
    ini.WriteInteger(band, "Width", 80);
  }
  editors::TdxRegIniWrapper wrapper;
  wrapper.IniFile = &ini;
  wrapper.EraseSection("Tree\\Band");
  EXPECT_LE(ini.walked, 2u * (kBands + 2)) << "sections walked to erase " << kBands;
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Tree", "Tree\\Bands"}));
}

TEST(RegIniWrapper, ErasesARegistrySectionWithItsSubKeys) {
  const std::string key = "Software\\TralvekTests\\Wrapper" + std::to_string(GetCurrentProcessId());
  struct Cleanup {
    std::string key;
    ~Cleanup() { RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str()); }
  } cleanup{key};
  framework::TRegIniFile ini(key);
  editors::TdxRegIniWrapper wrapper;
  wrapper.IniFile = &ini;
  EXPECT_EQ(wrapper.ReadInteger("Layout", "Bands", 2), 2);
  wrapper.WriteInteger("Layout", "Bands", 3);
  wrapper.WriteBool("Layout\\Band0", "Visible", false);
  EXPECT_EQ(wrapper.ReadInteger("Layout", "Bands", 2), 3);
  EXPECT_FALSE(wrapper.ReadBool("Layout\\Band0", "Visible", true));
  wrapper.EraseSection("Layout");
  EXPECT_EQ(wrapper.ReadInteger("Layout", "Bands", 2), 2);
  EXPECT_TRUE(wrapper.ReadBool("Layout\\Band0", "Visible", true));
  HKEY opened = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, (key + "\\Layout").c_str(), 0, KEY_READ, &opened),
            ERROR_SUCCESS);
}

}  // namespace
