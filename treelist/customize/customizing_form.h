// The grid's columns-customizing form: a small tool window beside the grid listing the bands and
// columns a user may bring back, on a page of bands (while the grid shows bands) and a page of
// headers. An item dragged from a list onto the grid shows where it is dropped; a band or header
// of the grid released over the form is hidden and listed.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "framework/forms.h"

namespace treelist {

class TCustomdxTreeListControl;

// One page: the listed bands or columns drawn as the grid draws their cells, CustomizingRowCount
// rows tall and scrolled when there are more. An item pressed and moved out of the system's drag
// rectangle is dragged by the grid from then on.
class TdxCustomizeList : public framework::TCustomControl {
 public:
  TdxCustomizeList(framework::TComponent* owner, TCustomdxTreeListControl& grid, bool bands);
  bool ListsBands() const noexcept { return bands_; }
  // The absolute indexes of the listed bands or columns, from the top.
  const std::vector<int>& Items();
  // The items are read again when next asked for, and painted again.
  void ItemsChanged();
  int ItemHeight() const;
  int TopIndex() const noexcept { return top_index_; }
  void SetTopIndex(int index);
  // Item `index`'s cell in client coordinates, wherever the list is scrolled to.
  RECT ItemRect(int index) const;
  // The item under a client point, -1 for none.
  int ItemAt(POINT point);
  bool Pressed() const noexcept { return pressed_ >= 0; }
  // A press that has not become a drag ends: the mouse is let go.
  void CancelPress();
  void WndProc(framework::TMessage& message) override;

 protected:
  void CreateParams(framework::TCreateParams& params) override;
  void AfterCreateWnd() override;
  void PaintWindow(HDC dc) override;
  void MouseDown(framework::TMouseButton button, unsigned shift, int x, int y) override;
  void MouseMove(unsigned shift, int x, int y) override;
  void MouseUp(framework::TMouseButton button, unsigned shift, int x, int y) override;
  void KeyDown(WORD& key, unsigned shift) override;

 private:
  int VisibleRows() const;
  void UpdateScrollBar();
  void Scroll(WORD code);

  TCustomdxTreeListControl& grid_;
  bool bands_;
  std::vector<int> items_;
  bool stale_ = true;
  int top_index_ = 0;
  int pressed_ = -1;  // the pressed item's place in the list
  POINT down_{};
  int wheel_rest_ = 0;  // a wheel's turn short of a notch, kept for the next
};

// The system's tab control holding the lists, one tab a page; named "PageControl" in its form.
class TdxCustomizePages : public framework::TWinControl {
 public:
  explicit TdxCustomizePages(framework::TComponent* owner);
  using Page = std::pair<std::wstring, TdxCustomizeList*>;
  // The pages with their tab captions; the first one in front.
  void SetPages(std::vector<Page> pages);
  int PageCount() const noexcept { return static_cast<int>(pages_.size()); }
  int ActivePageIndex() const noexcept { return active_; }
  void SetActivePageIndex(int index);
  // The control's size around a page area of `page`.
  SIZE SizeAround(SIZE page);
  void WndProc(framework::TMessage& message) override;

 protected:
  void CreateParams(framework::TCreateParams& params) override;
  void AfterCreateWnd() override;

 private:
  void InsertTabs();
  void PlaceLists();

  std::vector<Page> pages_;
  int active_ = 0;
};

class TdxTreeListCustomizeForm : public framework::TForm {
 public:
  explicit TdxTreeListCustomizeForm(TCustomdxTreeListControl& grid);
  // Shows the form at the grid's bottom right corner, owned by the grid's top-level window, with
  // a page of bands while the grid shows bands (no pages in the simple box, its headers only).
  void Open();
  bool IsOpen() const;
  bool HasBandsPage() const noexcept { return has_bands_page_; }
  // Brings the page of headers or of bands to the front, when the form has it.
  void ActivatePage(bool headers);
  TdxCustomizeList& BandsList() noexcept { return *bands_; }
  TdxCustomizeList& HeadersList() noexcept { return *headers_; }
  TdxCustomizePages& Pages() noexcept { return *pages_; }
  void ItemsChanged();
  // Escape ends a press in a list or a drag begun here; otherwise it closes the form. The
  // lists and the form itself take it.
  void Escape();
  void WndProc(framework::TMessage& message) override;

 protected:
  void CreateParams(framework::TCreateParams& params) override;
  void KeyDown(WORD& key, unsigned shift) override;

 private:
  // The lists' width: the widest caption of any band or column, with room for the scroll bar.
  int ListWidth();
  SIZE ListSize(const TdxCustomizeList& list, int width) const;
  void PlaceBesideGrid();

  TCustomdxTreeListControl& grid_;
  TdxCustomizePages* pages_;  // the pages and lists are the form's components
  TdxCustomizeList* bands_;
  TdxCustomizeList* headers_;
  bool has_bands_page_ = false;
};

}  // namespace treelist
