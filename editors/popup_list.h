// A list of texts in a popup: the rows of a pick or MRU editor. The highlighted row follows
// the mouse and the arrow keys; releasing the mouse on a row takes it.
#pragma once

#include <string>
#include <vector>

#include "editors/popup_host.h"
#include "framework/image_list.h"

namespace editors {

class TdxPopupListContent : public TdxPopupContent {
 public:
  TdxPopupListContent(std::vector<std::wstring> items, int selected, int rows);

  int Hot() const noexcept { return hot_; }
  void SetHot(int index);
  const std::vector<std::wstring>& Items() const noexcept { return items_; }
  // The highlighted row's text, or `fallback` when no row is highlighted.
  std::wstring Chosen(const std::wstring& fallback) const;
  // Row i shows image indexes[i] of `images` (none when -1 or past the list) before its text;
  // the rows are as tall as the images. The list is borrowed.
  void SetImages(framework::TImageList* images, std::vector<int> indexes);

  SIZE PreferredSize(HDC dc, int width) override;
  void Paint(HDC dc, const RECT& client) override;
  bool KeyDown(WORD key, unsigned shift) override;
  TdxPopupAction MouseDown(POINT point) override;
  void MouseMove(POINT point) override;
  TdxPopupAction MouseUp(POINT point) override;

 private:
  int RowAt(POINT point) const;
  int Rows() const;

  std::vector<std::wstring> items_;
  framework::TImageList* images_ = nullptr;
  std::vector<int> image_indexes_;
  int hot_ = -1;
  int top_ = 0;
  int rows_;
  int row_height_ = 16;
  int width_ = 0;
};

}  // namespace editors
