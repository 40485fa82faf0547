// A list of texts in a popup.
#include "editors/popup_list.h"

#include <algorithm>

#include "controls/xp_control_utils.h"

namespace editors {

namespace {
constexpr int kTextIndent = 3;
}  // namespace

TdxPopupListContent::TdxPopupListContent(std::vector<std::wstring> items, int selected, int rows)
    : items_(std::move(items)), rows_(std::max(1, rows)) {
  SetHot(selected);
}

int TdxPopupListContent::Rows() const {
  return std::max(1, std::min<int>(rows_, static_cast<int>(items_.size())));
}

void TdxPopupListContent::SetHot(int index) {
  const int count = static_cast<int>(items_.size());
  hot_ = count == 0 || index < 0 ? -1 : std::min(index, count - 1);
  if (hot_ < 0) return;
  if (hot_ < top_) top_ = hot_;
  if (hot_ >= top_ + Rows()) top_ = hot_ - Rows() + 1;
}

std::wstring TdxPopupListContent::Chosen(const std::wstring& fallback) const {
  return hot_ >= 0 ? items_[hot_] : fallback;
}

void TdxPopupListContent::SetImages(framework::TImageList* images, std::vector<int> indexes) {
  images_ = images;
  image_indexes_ = std::move(indexes);
}

SIZE TdxPopupListContent::PreferredSize(HDC dc, int width) {
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  row_height_ = std::max<int>(1, metrics.tmHeight + 2);
  if (images_) row_height_ = std::max(row_height_, images_->Height() + 2);
  width_ = width;
  return SIZE{width, Rows() * row_height_};
}

void TdxPopupListContent::Paint(HDC dc, const RECT& client) {
  const controls::XPColorPalette& palette = controls::XPPalette();
  SetBkColor(dc, framework::ColorToRGB(palette.clXPWindow));
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
  SetBkMode(dc, TRANSPARENT);
  const int count = static_cast<int>(items_.size());
  for (int i = top_; i < count && i < top_ + Rows(); ++i) {
    RECT row{client.left, (i - top_) * row_height_, client.right, (i - top_ + 1) * row_height_};
    COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
    if (i == hot_) {
      SetBkColor(dc, framework::ColorToRGB(palette.clXPHighlight));
      ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &row, nullptr, 0, nullptr);
      ink = framework::ColorToRGB(palette.clXPHighlightText);
    }
    SetTextColor(dc, ink);
    row.left += kTextIndent;
    if (images_) {
      const size_t at = static_cast<size_t>(i);
      const int image = at < image_indexes_.size() ? image_indexes_[at] : -1;
      if (image >= 0 && image < images_->Count()) {
        ImageList_Draw(images_->Handle(), image, dc, row.left,
                       (row.top + row.bottom - images_->Height()) / 2, ILD_TRANSPARENT);
      }
      row.left += images_->Width() + kTextIndent;
    }
    DrawTextW(dc, items_[i].c_str(), static_cast<int>(items_[i].size()), &row,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
}

bool TdxPopupListContent::KeyDown(WORD key, unsigned) {
  const int count = static_cast<int>(items_.size());
  if (count == 0) return false;
  switch (key) {
    case VK_UP: SetHot(std::max(0, hot_ - 1)); return true;
    case VK_DOWN: SetHot(std::min(count - 1, hot_ + 1)); return true;
    case VK_PRIOR: SetHot(std::max(0, hot_ - Rows())); return true;
    case VK_NEXT: SetHot(std::min(count - 1, std::max(0, hot_) + Rows())); return true;
    case VK_HOME: SetHot(0); return true;
    case VK_END: SetHot(count - 1); return true;
  }
  return false;
}

int TdxPopupListContent::RowAt(POINT point) const {
  if (point.y < 0 || point.x < 0 || row_height_ <= 0 || (width_ > 0 && point.x >= width_)) {
    return -1;
  }
  const int row = top_ + point.y / row_height_;
  return row < static_cast<int>(items_.size()) && row < top_ + Rows() ? row : -1;
}

TdxPopupAction TdxPopupListContent::MouseDown(POINT point) {
  const int row = RowAt(point);
  if (row >= 0) SetHot(row);
  return TdxPopupAction::None;
}

void TdxPopupListContent::MouseMove(POINT point) {
  const int row = RowAt(point);
  if (row >= 0) SetHot(row);
}

TdxPopupAction TdxPopupListContent::MouseUp(POINT point) {
  const int row = RowAt(point);
  if (row < 0) return TdxPopupAction::None;
  SetHot(row);
  return TdxPopupAction::Accept;
}

}  // namespace editors
