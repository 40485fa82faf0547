// The own-drawn drop-down list: one of its Items is chosen with the mouse or the keyboard (the
// arrows, Home, End, Page Up and Down, the first letter of an item, F4 or Alt+Down to open the
// list). The open list stays on the monitor of the control.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "controls/xp_control_paint.h"
#include "controls/xp_controls.h"

namespace controls {

// Only the drop-down list: the control has no text of its own to edit.
enum class TXPComboBoxStyle { csDropDownList };

class TXPComboList;

class TXPComboBox : public TXPCustomControl {
 public:
  explicit TXPComboBox(framework::TComponent* owner);
  ~TXPComboBox() override;
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  const std::vector<std::wstring>& Items() const noexcept { return items_; }
  // The selection is kept while it still names an item.
  void SetItems(std::vector<std::wstring> items);
  // -1: nothing chosen; a value that names no item chooses nothing.
  int ItemIndex() const noexcept { return item_index_; }
  void SetItemIndex(int index);
  TXPComboBoxStyle Style() const noexcept { return TXPComboBoxStyle::csDropDownList; }
  void SetStyle(TXPComboBoxStyle) {}
  // Rows the open list shows before it scrolls.
  int DropDownCount() const noexcept { return drop_down_count_; }
  void SetDropDownCount(int count) { drop_down_count_ = count > 0 ? count : 1; }

  bool DroppedDown() const noexcept;
  void SetDroppedDown(bool value);
  // The open list's window (null while it was never opened), for its place on the screen.
  HWND ListHandle() const;

  // The user chose another item.
  framework::TNotifyEvent OnChange;

  bool IsValueChanged() const override { return item_index_ != original_index_; }
  void SaveOriginalValue() override { original_index_ = item_index_; }
  void WndProc(framework::TMessage& message) override;

 protected:
  void Paint() override;
  void KeyDown(WORD& key, unsigned shift) override;
  void KeyPress(wchar_t& key) override;
  void Loaded() override;

 private:
  friend class TXPComboList;
  std::vector<std::string> ItemsText() const;
  void SetItemsText(const std::vector<std::string>& lines);
  // The user's choice: OnChange when it is another item.
  void Choose(int index);
  // Closes the list, choosing its highlighted item when `accept`.
  void CloseUp(bool accept);

  std::vector<std::wstring> items_;
  int item_index_ = -1;
  int original_index_ = -1;
  int drop_down_count_ = 8;
  TXPComboList* list_ = nullptr;  // owned as a component
};

// Where the open list goes: below the control when it fits on the work area, else above when it
// fits there, else on the side with more room (shortened to it); moved sideways into the area.
RECT DropDownBounds(const RECT& control, SIZE list, const RECT& work_area);

}  // namespace controls
