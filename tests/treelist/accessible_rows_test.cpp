// The grid's rows as an accessibility client reads them: through WM_GETOBJECT and the system's
// marshalling, the way a screen reader or the stand-in host's journal gets them.
#include <gtest/gtest.h>
#include <oleacc.h>

#include <string>

#include "framework/win/com.h"
#include "grid_fixture.h"

using treelist::TdxTreeListNode;
using treelist_test::AddNamed;

namespace {

VARIANT Child(long id) {
  VARIANT child;
  VariantInit(&child);
  child.vt = VT_I4;
  child.lVal = id;
  return child;
}

using TextGetter = HRESULT (__stdcall IAccessible::*)(VARIANT, BSTR*);

std::wstring Text(IAccessible& outline, TextGetter get, long id) {
  win::Bstr text;
  const HRESULT result = (outline.*get)(Child(id), text.put());
  return result == S_OK ? text.str() : L"<" + std::to_wstring(result) + L">";
}

// One line a child: name | level | description | role | states (Expanded, Collapsed,
// Selected, Focused).
std::wstring Outline(IAccessible& outline) {
  long count = -1;
  outline.get_accChildCount(&count);
  std::wstring text = L"rows " + std::to_wstring(count) + L"\n";
  for (long id = 1; id <= count + 1; ++id) {
    VARIANT role, state;
    const HRESULT role_result = outline.get_accRole(Child(id), &role);
    outline.get_accState(Child(id), &state);
    text += Text(outline, &IAccessible::get_accName, id) + L" | " +
            Text(outline, &IAccessible::get_accValue, id) + L" | " +
            Text(outline, &IAccessible::get_accDescription, id) + L" | ";
    text += role_result != S_OK ? L"none" : role.lVal == ROLE_SYSTEM_OUTLINEITEM ? L"item" : L"?";
    text += L" | ";
    if (state.vt == VT_I4) {
      if (state.lVal & STATE_SYSTEM_EXPANDED) text += L'E';
      if (state.lVal & STATE_SYSTEM_COLLAPSED) text += L'C';
      if (state.lVal & STATE_SYSTEM_SELECTED) text += L'S';
      if (state.lVal & STATE_SYSTEM_FOCUSED) text += L'F';
    }
    text += L"\n";
  }
  return text;
}

win::ComPtr<IAccessible> OutlineOf(HWND window) {
  win::ComPtr<IAccessible> outline;
  EXPECT_EQ(AccessibleObjectFromWindow(window, OBJID_CLIENT, IID_IAccessible,
                                       reinterpret_cast<void**>(outline.put())),
            S_OK);
  return outline;
}

TEST(TreeListAccessibleRows, VisibleRowsReadAsAnOutlineThatOutlivesTheGridSafely) {
  win::ComPtr<IAccessible> outline;
  {
    treelist_test::GridForm f;
    f.grid.SetModel(treelist_test::TwoBandModel());
    TdxTreeListNode* gnd = AddNamed(f.grid, nullptr, L"GND");
    AddNamed(f.grid, gnd, L"U1");
    AddNamed(f.grid, gnd, L"U2");
    TdxTreeListNode* vcc = AddNamed(f.grid, nullptr, L"VCC");
    AddNamed(f.grid, vcc, L"U3");
    gnd->Expand(false);
    f.grid.SetFocus();
    f.grid.SetFocusedNode(gnd->Items(0));
    outline = OutlineOf(f.hwnd());
    ASSERT_TRUE(outline);

    VARIANT role;
    ASSERT_EQ(outline->get_accRole(Child(CHILDID_SELF), &role), S_OK);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_OUTLINE);
    EXPECT_EQ(Outline(*outline.get()),
              L"rows 4\n"
              L"GND | 0 | Width: GND.1, Clearance: GND.2 | item | E\n"
              L"U1 | 1 | Width: U1.1, Clearance: U1.2 | item | SF\n"
              L"U2 | 1 | Width: U2.1, Clearance: U2.2 | item | \n"
              L"VCC | 0 | Width: VCC.1, Clearance: VCC.2 | item | C\n"
              L"<-2147024809> | <-2147024809> | <-2147024809> | none | \n")
        << "one line a visible row; past the last, an invalid argument";

    VARIANT focus;
    ASSERT_EQ(outline->get_accFocus(&focus), S_OK);
    EXPECT_EQ(focus.lVal, 2) << "the focused row's child id";
    f.grid.SetFocusedNode(gnd);
    ASSERT_EQ(outline->get_accFocus(&focus), S_OK);
    EXPECT_EQ(focus.lVal, 1) << "the first row is child 1, not the outline itself";
    SetFocus(nullptr);
    EXPECT_EQ(outline->get_accFocus(&focus), S_FALSE) << "no focus, no focused row";
  }
  long count = 0;
  EXPECT_EQ(outline->get_accChildCount(&count), RPC_E_DISCONNECTED) << "the grid is gone";
}

}  // namespace
