// The grid's bands: groups of columns side by side above the header rows, the left and right
// ones optionally fixed while the others scroll.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/classes.h"
#include "framework/persistence.h"
#include "framework/stdctrls.h"

namespace treelist {

class TCustomdxTreeListControl;
class TdxTreeListBands;

enum class TdxGridBandFixed { bfNone, bfLeft, bfRight };

class TdxTreeListBand {
 public:
  explicit TdxTreeListBand(TdxTreeListBands* collection);
  static const framework::TClassInfo& StaticClassInfo();

  TdxTreeListBands* Collection() const noexcept { return collection_; }
  // The collection's identity of the item: unique, never reused, kept in stored layouts.
  int ID() const noexcept { return id_; }
  int Index() const;
  // Moves the band in the collection; the columns keep their bands (fixed bands stay put).
  void SetIndex(int value);

  framework::TAlignment Alignment() const noexcept { return alignment_; }
  void SetAlignment(framework::TAlignment value);
  const std::wstring& Caption() const noexcept { return caption_; }
  void SetCaption(const std::wstring& value);
  bool DisableCustomizing() const noexcept { return disable_customizing_; }
  void SetDisableCustomizing(bool value);
  bool DisableDragging() const noexcept { return disable_dragging_; }
  void SetDisableDragging(bool value) { disable_dragging_ = value; }
  TdxGridBandFixed Fixed() const noexcept { return fixed_; }
  // Moves a left band to the front and a right band to the end; one band of each at most.
  void SetFixed(TdxGridBandFixed value);
  int MinWidth() const noexcept { return min_width_; }
  void SetMinWidth(int value);
  bool OnlyOwnColumns() const noexcept { return only_own_columns_; }
  void SetOnlyOwnColumns(bool value) { only_own_columns_ = value; }
  bool Sizing() const noexcept { return sizing_; }
  void SetSizing(bool value);
  bool Visible() const noexcept { return visible_; }
  // Hiding a band unfixes it.
  void SetVisible(bool value);
  int Width() const noexcept { return width_; }
  void SetWidth(int value);

  // Defaults first, then the source's settings (not its Disable flags).
  void Assign(const TdxTreeListBand& source);

 private:
  friend class TdxTreeListBands;
  friend class TCustomdxTreeListControl;
  void Changed();

  TdxTreeListBands* collection_;
  int id_ = 0;
  framework::TAlignment alignment_ = framework::TAlignment::taCenter;
  std::wstring caption_;
  bool disable_customizing_ = false;
  bool disable_dragging_ = false;
  TdxGridBandFixed fixed_ = TdxGridBandFixed::bfNone;
  int min_width_ = 30;
  bool only_own_columns_ = false;
  bool sizing_ = true;
  bool visible_ = true;
  int width_ = 250;
};

// The bands of one grid, in order. Every change reaches the grid's band update.
class TdxTreeListBands {
 public:
  explicit TdxTreeListBands(TCustomdxTreeListControl* control) : control_(control) {}
  TdxTreeListBands(const TdxTreeListBands&) = delete;
  TdxTreeListBands& operator=(const TdxTreeListBands&) = delete;

  TCustomdxTreeListControl* Control() const noexcept { return control_; }
  int Count() const noexcept { return static_cast<int>(items_.size()); }
  // Null outside 0 .. Count() - 1.
  TdxTreeListBand* Items(int index) const noexcept;
  TdxTreeListBand* Add();
  // Frees the band; the grid's columns of later bands follow it down.
  void Delete(int index);
  void Clear();
  int IndexOf(const TdxTreeListBand* band) const;
  // The band whose identity is `id`, or null.
  TdxTreeListBand* FindItemID(int id) const;

  // Changes inside BeginUpdate/EndUpdate reach the grid once, at the end.
  void BeginUpdate() noexcept { ++update_lock_; }
  void EndUpdate();
  // The grid hears of a change.
  void Changed();
  // Attached once the grid is whole; before that changes reach nobody.
  void Attach() noexcept { attached_ = true; }

 private:
  friend class TdxTreeListBand;
  void Move(int from, int to);

  TCustomdxTreeListControl* control_;
  std::vector<std::unique_ptr<TdxTreeListBand>> items_;
  int next_id_ = 0;
  int update_lock_ = 0;
  bool attached_ = false;
  bool pending_ = false;
};

}  // namespace treelist
