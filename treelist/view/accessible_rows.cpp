// The grid's rows as an accessible outline. The object holds the grid's window, not the grid,
// so that a client keeping it after the grid is gone gets an error instead of a dangling
// pointer; the system's own object of the client area answers for the window as a whole.
#include "treelist/view/accessible_rows.h"

#include <oleacc.h>

#include <new>
#include <string>
#include <utility>
#include <vector>

#include "framework/win/com.h"
#include "framework/win/com_object.h"
#include "treelist/core/tree_list.h"

namespace win {
template <>
struct InterfaceId<IAccessible> {
  static constexpr const GUID& iid = IID_IAccessible;
};
}  // namespace win

namespace treelist {
namespace {

// Child id of a row: its visible position, from 1 (CHILDID_SELF is the outline itself).
int RowChildId(int absolute_index) { return absolute_index + 1; }

HRESULT TextResult(const std::wstring& text, BSTR* out) {
  if (text.empty()) return S_FALSE;
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

class AccessibleRows final : public win::ComObject<IAccessible> {
 public:
  AccessibleRows(HWND hwnd, win::ComPtr<IAccessible> standard)
      : hwnd_(hwnd), standard_(std::move(standard)) {}

  // Clients reach the object through its own methods, never by name.
  HRESULT __stdcall GetTypeInfoCount(UINT* count) noexcept override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT __stdcall GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT __stdcall GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
    return E_NOTIMPL;
  }
  HRESULT __stdcall Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                           UINT*) noexcept override {
    return E_NOTIMPL;
  }

  HRESULT __stdcall get_accParent(IDispatch** parent) noexcept override {
    return standard_->get_accParent(parent);
  }
  HRESULT __stdcall get_accChildCount(long* count) noexcept override {
    if (!count) return E_POINTER;
    *count = 0;
    return Guard([&](TCustomdxTreeList& grid) {
      *count = grid.GetVisibleRowCount();
      return S_OK;
    });
  }
  // Rows are simple elements: no object of their own.
  HRESULT __stdcall get_accChild(VARIANT, IDispatch** child) noexcept override {
    if (!child) return E_POINTER;
    *child = nullptr;
    return S_FALSE;
  }
  HRESULT __stdcall get_accName(VARIANT child, BSTR* name) noexcept override {
    return RowText(
        child, name, &IAccessible::get_accName,
        [](TCustomdxTreeList& grid, TdxTreeListNode* row, const std::vector<int>& order) {
          return order.empty() ? std::wstring() : grid.GetCellText(row, order[0]);
        });
  }
  // An outline item's value is its level, as the system's tree view gives it.
  HRESULT __stdcall get_accValue(VARIANT child, BSTR* value) noexcept override {
    return RowText(child, value, &IAccessible::get_accValue,
                   [](TCustomdxTreeList&, TdxTreeListNode* row, const std::vector<int>&) {
                     return std::to_wstring(row->Level());
                   });
  }
  // The further columns, each as "Caption: text", as the system's list view describes its items.
  HRESULT __stdcall get_accDescription(VARIANT child, BSTR* description) noexcept override {
    return RowText(
        child, description, &IAccessible::get_accDescription,
        [](TCustomdxTreeList& grid, TdxTreeListNode* row, const std::vector<int>& order) {
          const HeaderModel& model = grid.GetHeaderModel();
          std::wstring text;
          for (size_t i = 1; i < order.size(); ++i) {
            const std::wstring cell = grid.GetCellText(row, order[i]);
            if (cell.empty()) continue;
            if (!text.empty()) text += L", ";
            text += model.columns[order[i]].caption + L": " + cell;
          }
          return text;
        });
  }
  HRESULT __stdcall get_accRole(VARIANT child, VARIANT* role) noexcept override {
    if (!role) return E_POINTER;
    VariantInit(role);
    return Guard([&](TCustomdxTreeList& grid) {
      if (!IsRow(grid, child)) return E_INVALIDARG;
      role->vt = VT_I4;
      role->lVal = child.lVal == CHILDID_SELF ? ROLE_SYSTEM_OUTLINE : ROLE_SYSTEM_OUTLINEITEM;
      return S_OK;
    });
  }
  HRESULT __stdcall get_accState(VARIANT child, VARIANT* state) noexcept override {
    if (!state) return E_POINTER;
    VariantInit(state);
    if (child.vt == VT_I4 && child.lVal == CHILDID_SELF)
      return standard_->get_accState(child, state);
    return Guard([&](TCustomdxTreeList& grid) {
      TdxTreeListNode* row = Row(grid, child);
      if (!row) return E_INVALIDARG;
      long flags = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;
      if (row->Selected() || row == grid.GetFocusedNode()) flags |= STATE_SYSTEM_SELECTED;
      if (row == grid.GetFocusedNode() && GetFocus() == hwnd_) flags |= STATE_SYSTEM_FOCUSED;
      if (row->HasChildren()) {
        flags |= row->Expanded() ? STATE_SYSTEM_EXPANDED : STATE_SYSTEM_COLLAPSED;
      }
      state->vt = VT_I4;
      state->lVal = flags;
      return S_OK;
    });
  }
  HRESULT __stdcall get_accHelp(VARIANT child, BSTR* help) noexcept override {
    return standard_->get_accHelp(child, help);
  }
  HRESULT __stdcall get_accHelpTopic(BSTR* file, VARIANT child, long* topic) noexcept override {
    return standard_->get_accHelpTopic(file, child, topic);
  }
  HRESULT __stdcall get_accKeyboardShortcut(VARIANT child, BSTR* keys) noexcept override {
    return standard_->get_accKeyboardShortcut(child, keys);
  }
  // The focused row while the grid has the keyboard focus.
  HRESULT __stdcall get_accFocus(VARIANT* focus) noexcept override {
    if (!focus) return E_POINTER;
    VariantInit(focus);
    return Guard([&](TCustomdxTreeList& grid) {
      if (GetFocus() != hwnd_) return S_FALSE;
      focus->vt = VT_I4;
      const int index = grid.GetAbsoluteIndex(grid.GetFocusedNode());
      focus->lVal = index < 0 ? CHILDID_SELF : RowChildId(index);
      return S_OK;
    });
  }
  HRESULT __stdcall get_accSelection(VARIANT* selection) noexcept override {
    return standard_->get_accSelection(selection);
  }
  HRESULT __stdcall get_accDefaultAction(VARIANT child, BSTR* action) noexcept override {
    return standard_->get_accDefaultAction(child, action);
  }
  HRESULT __stdcall accSelect(long flags, VARIANT child) noexcept override {
    return standard_->accSelect(flags, child);
  }
  HRESULT __stdcall accLocation(long* left, long* top, long* width, long* height,
                                VARIANT child) noexcept override {
    return standard_->accLocation(left, top, width, height, child);
  }
  HRESULT __stdcall accNavigate(long direction, VARIANT start, VARIANT* end) noexcept override {
    return standard_->accNavigate(direction, start, end);
  }
  HRESULT __stdcall accHitTest(long x, long y, VARIANT* child) noexcept override {
    return standard_->accHitTest(x, y, child);
  }
  HRESULT __stdcall accDoDefaultAction(VARIANT child) noexcept override {
    return standard_->accDoDefaultAction(child);
  }
  HRESULT __stdcall put_accName(VARIANT, BSTR) noexcept override { return E_NOTIMPL; }
  HRESULT __stdcall put_accValue(VARIANT, BSTR) noexcept override { return E_NOTIMPL; }

 private:
  using StandardText = HRESULT (__stdcall IAccessible::*)(VARIANT, BSTR*);

  // Runs `body` on the grid while its window lives; nothing thrown leaves.
  template <class Body>
  HRESULT Guard(Body&& body) const noexcept {
    auto* grid = dynamic_cast<TCustomdxTreeList*>(framework::TWinControl::FromHandle(hwnd_));
    if (!grid || !IsWindow(hwnd_)) return RPC_E_DISCONNECTED;
    try {
      return body(*grid);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
  }

  static bool IsRow(TCustomdxTreeList& grid, const VARIANT& child) {
    return child.vt == VT_I4 && (child.lVal == CHILDID_SELF || Row(grid, child));
  }
  static TdxTreeListNode* Row(TCustomdxTreeList& grid, const VARIANT& child) {
    if (child.vt != VT_I4 || child.lVal < RowChildId(0)) return nullptr;
    return grid.GetNodeAtAbsoluteIndex(child.lVal - RowChildId(0));
  }

  // A text of a row from `text` (grid, row, visible column order); of the outline itself, the
  // system's object's.
  template <class Text>
  HRESULT RowText(const VARIANT& child, BSTR* out, StandardText standard, Text&& text) const {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (child.vt == VT_I4 && child.lVal == CHILDID_SELF)
      return (standard_.get()->*standard)(child, out);
    return Guard([&](TCustomdxTreeList& grid) {
      TdxTreeListNode* row = Row(grid, child);
      if (!row) return E_INVALIDARG;
      return TextResult(text(grid, row, VisibleColumnOrder(grid.GetHeaderModel())), out);
    });
  }

  const HWND hwnd_;
  const win::ComPtr<IAccessible> standard_;
};

}  // namespace

LRESULT AnswerAccessibleObject(HWND hwnd, WPARAM flags, LPARAM object_id) noexcept {
  if (static_cast<LONG>(object_id) != OBJID_CLIENT) return 0;
  win::ComPtr<IAccessible> standard;
  if (FAILED(CreateStdAccessibleObject(hwnd, OBJID_CLIENT, IID_IAccessible,
                                       reinterpret_cast<void**>(standard.put())))) {
    return 0;
  }
  auto* rows = new (std::nothrow) AccessibleRows(hwnd, std::move(standard));
  if (!rows) return 0;
  const LRESULT result = LresultFromObject(IID_IAccessible, flags, rows);
  rows->Release();  // the result holds its own reference
  return result < 0 ? 0 : result;
}

}  // namespace treelist
