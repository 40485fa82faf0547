// A tree list with a band and column model and texts of its own, in a shown form, for the
// tests that drive a real grid window.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <unordered_map>

#include "framework/forms.h"
#include "framework/image_list.h"
#include "treelist/tree_list.h"

namespace treelist_test {

using treelist::TdxTreeListNode;

class TestTreeList : public treelist::TCustomdxTreeList {
 public:
  using TCustomdxTreeList::TCustomdxTreeList;

  void SetModel(treelist::HeaderModel model);
  const treelist::HeaderModel& GetHeaderModel() const override { return model_; }
  // Column 0 shows the node's name; column k > 0 shows "<name>.<k>".
  void SetName(const TdxTreeListNode* node, std::wstring name) { names_[node] = std::move(name); }
  std::wstring Name(const TdxTreeListNode* node) const;
  // Image and state image by level (-1: none).
  int image_by_level[3] = {-1, -1, -1};
  int state_by_level[3] = {-1, -1, -1};

 protected:
  std::wstring GetNodeString(const TdxTreeListNode* node, int column) override;
  void SetNodeString(TdxTreeListNode* node, int column, const std::wstring& text) override;
  int GetNodeImageIndex(const TdxTreeListNode* node, ImageKind kind) override;

 private:
  treelist::HeaderModel model_;
  std::unordered_map<const TdxTreeListNode*, std::wstring> names_;
  std::map<std::pair<const TdxTreeListNode*, int>, std::wstring> edited_;
};

// Two bands: "Net" with column "Name", "Rules" with "Width" and "Clearance".
treelist::HeaderModel TwoBandModel();

// The grid as a child of a shown form.
struct GridForm {
  framework::TForm form{nullptr};
  TestTreeList grid{nullptr};
  explicit GridForm(int width = 360, int height = 220);
  HWND hwnd() { return grid.Handle(); }
  void Click(int x, int y, WPARAM keys = 0);
  void Key(WORD key);
};

// Runs the messages that come in for 200 ms, so that the screen shows what was painted.
void Pump();

// A node named `name` under `parent` (null: top level).
TdxTreeListNode* AddNamed(TestTreeList& grid, TdxTreeListNode* parent, const std::wstring& name);

// 16 x 16 images: a filled square in each colour, with a dark frame.
void FillImages(framework::TImageList& images, std::initializer_list<COLORREF> colours);

}  // namespace treelist_test
