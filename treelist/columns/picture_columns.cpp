// The graphic, blob and wrapper columns.
#include "treelist/columns/picture_columns.h"

namespace treelist {
namespace {

const std::vector<std::string> kTransparencyNames = {"gtDefault", "gtOpaque", "gtTransparent"};
const std::vector<std::string> kCharCaseNames = {"ecNormal", "ecUpperCase", "ecLowerCase"};
const std::vector<std::string> kScrollNames = {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"};

// The node's value slot of `column` as bytes; false when the value holds a character that is
// no byte (it was never a picture).
bool NodeBytes(TdxTreeListColumn& column, TdxTreeListNode* node, std::string& bytes) {
  TCustomdxTreeListControl* grid = column.TreeList();
  bytes.clear();
  if (!grid || !node) return false;
  return editors::ValueToBytes(grid->GetNodeValue(node, column.GetDataIndex()).ToString(), bytes);
}

// Lends the wrapper's value slot to the reference column for one call.
class DataIndexLoan {
 public:
  DataIndexLoan(TdxTreeListColumn& column, int index) : column_(column) {
    column_.SetDataIndexOverride(index);
  }
  ~DataIndexLoan() { column_.SetDataIndexOverride(-1); }
  DataIndexLoan(const DataIndexLoan&) = delete;
  DataIndexLoan& operator=(const DataIndexLoan&) = delete;

 private:
  TdxTreeListColumn& column_;
};

}  // namespace

// ---- graphic -------------------------------------------------------------------------------

const framework::TClassInfo& TdxTreeListGraphicColumn::StaticClassInfo() {
  using C = TdxTreeListGraphicColumn;
  using E = editors::TdxInplaceGraphicEdit;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListColumn>("TdxTreeListGraphicColumn")
          .Bool("Center", &C::Center, &C::SetCenter, true)
          .To(&E::SetCenter)
          .WideString("CustomFilter", &C::CustomFilter, &C::SetCustomFilter)
          .NotRestored()
          .To(&E::CustomFilter)
          .Bool("CustomGraphic", &C::CustomGraphic, &C::SetCustomGraphic, false)
          .To(&E::SetCustomGraphic)
          .Bool("DblClickActivate", &C::DblClickActivate, &C::SetDblClickActivate, true)
          .To(&E::DblClickActivate)
          .Enum("GraphicTransparency", &C::GraphicTransparency, &C::SetGraphicTransparency,
                kTransparencyNames, TdxGraphicTransparency::gtDefault)
          .To(&E::SetGraphicTransparency)
          .Publish("HeaderMaxLineCount", int64_t{0})
          .Object("PopupToolBar", &C::PopupToolBar,
                  editors::TdxPopupToolBarWindow::StaticClassInfo())
          .Bool("PopupToolbarPosStored", &C::PopupToolbarPosStored, &C::SetPopupToolbarPosStored,
                true)
          .Bool("QuickDraw", &C::QuickDraw, &C::SetQuickDraw, false)
          .To(&E::QuickDraw)
          .Bool("ShadowSelection", &C::ShadowSelection, &C::SetShadowSelection, true)
          .Bool("Stretch", &C::Stretch, &C::SetStretch, true)
          .To(&E::SetStretch)
          .Event("OnAssignPicture", &C::OnAssignPicture)
          .Event("OnCustomClick", &C::OnCustomClick)
          .Event("OnGetGraphicClass", &C::OnGetGraphicClass);
  return info;
}

TdxTreeListGraphicColumn::TdxTreeListGraphicColumn(framework::TComponent* owner)
    : TdxDescribedColumn(owner) {
  SetHeaderMaxLineCount(0);
}

void TdxTreeListGraphicColumn::SetFlag(bool& field, bool value) {
  if (field == value) return;
  field = value;
  Changed();
}

void TdxTreeListGraphicColumn::SetGraphicTransparency(TdxGraphicTransparency value) {
  if (transparency_ == value) return;
  transparency_ = value;
  Changed();
}

void TdxTreeListGraphicColumn::SetPopupToolbarPosStored(bool value) {
  toolbar_pos_stored_ = value;
  if (!value) toolbar_pos_ = {-10000, -10000};
}

framework::GraphicFactory TdxTreeListGraphicColumn::GetGraphicClass(TdxTreeListNode* node) {
  framework::GraphicFactory graphic_class = nullptr;
  OnGetGraphicClass(this, node, graphic_class);
  return graphic_class;
}

framework::TPicture& TdxTreeListGraphicColumn::LoadNodeGraphic(TdxTreeListNode* node) {
  std::string bytes;
  if (!NodeBytes(*this, node, bytes)) bytes.clear();
  editors::LoadPictureFromValue(picture_, GetGraphicClass(node), bytes);
  return picture_;
}

const editors::TdxInplaceEditClass& TdxTreeListGraphicColumn::GetEditorClass() const {
  return TdxInplaceTreeListGraphicEdit::EditorClass();
}

void TdxTreeListGraphicColumn::InitMore(editors::TdxInplaceGraphicEdit& graphic) {
  graphic.ClipboardFormat = clipboard_format_;
  graphic.PopupToolBar = toolbar_;
  graphic.ToolbarPos = toolbar_pos_;
  graphic.SetPopupToolbarPosStored(toolbar_pos_stored_);
  graphic.OnAssignPicture = [this](framework::TComponent*, framework::TPicture& picture) {
    OnAssignPicture(this, picture);
  };
  graphic.OnCustomClick = [this](framework::TComponent*) { OnCustomClick(this); };
  graphic.OnGetGraphicClass = [this](framework::TComponent*, framework::GraphicFactory& cls) {
    cls = GetGraphicClass(TreeList() ? TreeList()->GetFocusedNode() : nullptr);
  };
}

framework::Variant TdxTreeListGraphicColumn::LoadEditorValue(TdxTreeListNode* node,
                                                             editors::TdxInplaceEdit& editor) {
  auto* graphic = dynamic_cast<editors::TdxInplaceGraphicEdit*>(&editor);
  if (!graphic) return TdxTreeListColumn::LoadEditorValue(node, editor);
  graphic->SetTextOffsets(0, 0, 0, 0);
  TCustomdxTreeListControl* grid = TreeList();
  framework::Variant value = grid ? grid->GetNodeValue(node, GetDataIndex()) : framework::Variant();
  graphic->SetText(value.ToString());  // the bytes as they are: no code page in between
  return value;
}

framework::Variant TdxTreeListGraphicColumn::SaveEditorValue(TdxTreeListNode* node,
                                                             editors::TdxInplaceEdit& editor) {
  auto* graphic = dynamic_cast<editors::TdxInplaceGraphicEdit*>(&editor);
  TCustomdxTreeListControl* grid = TreeList();
  if (!graphic || !grid) return TdxTreeListColumn::SaveEditorValue(node, editor);
  grid->SetNodeValue(node, GetDataIndex(), framework::Variant(graphic->Text()));
  return grid->GetNodeValue(node, GetDataIndex());
}

int TdxTreeListGraphicColumn::GetBestFitWidth(TdxTreeListNode* node, HDC) {
  return stretch_ ? 0 : LoadNodeGraphic(node).Width();
}

void TdxTreeListGraphicColumn::PrepareViewData(editors::TdxEditViewData& data,
                                               const TdxCellViewInfo& cell) {
  TdxTreeListColumn::PrepareViewData(data, cell);
  auto* graphic = dynamic_cast<editors::TdxGraphicEditViewData*>(&data);
  if (!graphic) return;
  framework::TPicture& picture = LoadNodeGraphic(cell.node);
  editors::ApplyTransparency(picture, transparency_);
  graphic->Picture = &picture;
  graphic->Value = framework::Variant(std::wstring());
  graphic->Center = center_;
  graphic->Stretch = stretch_;
  graphic->QuickDraw = quick_draw_;
  graphic->Shadow = shadow_selection_ && cell.selected;
}

// ---- blob ----------------------------------------------------------------------------------

const framework::TClassInfo& TdxTreeListBlobColumn::StaticClassInfo() {
  using C = TdxTreeListBlobColumn;
  using E = editors::TdxInplaceBlobEdit;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListDropDownColumn>("TdxTreeListBlobColumn")
          .Bool("AlwaysSaveText", &C::AlwaysSaveText, &C::SetAlwaysSaveText, false)
          .To(&E::AlwaysSaveText)
          .Enum("BlobEditKind", &C::BlobEditKind, &C::SetBlobEditKind,
                {"bekMemo", "bekPict", "bekOle", "bekBlob"}, TdxBlobEditKind::bekMemo)
          .To(&E::SetBlobEditKind)
          .Enum("BlobPaintStyle", &C::BlobPaintStyle, &C::SetBlobPaintStyle,
                {"bpsDefault", "bpsIcon", "bpsText"}, TdxBlobPaintStyle::bpsIcon)
          .To(&E::SetBlobPaintStyle)
          .Publish("ImmediatePopup")
          .Int("MaxDisplayLength", &C::MaxDisplayLength, &C::SetMaxDisplayLength, 255)
          .To(&E::MaxDisplayLength)
          .Enum("MemoCharCase", &C::MemoCharCase, &C::SetMemoCharCase, kCharCaseNames,
                controls::TEditCharCase::ecNormal)
          .Bool("MemoHideScrollBars", &C::MemoHideScrollBars, &C::SetMemoHideScrollBars, true)
          .Int("MemoMaxLength", &C::MemoMaxLength, &C::SetMemoMaxLength, 0)
          .Bool("MemoOEMConvert", &C::MemoOEMConvert, &C::SetMemoOEMConvert, false)
          .Enum("MemoScrollBars", &C::MemoScrollBars, &C::SetMemoScrollBars, kScrollNames,
                editors::TScrollStyle::ssBoth)
          .Bool("MemoSelectionBar", &C::MemoSelectionBar, &C::SetMemoSelectionBar, false)
          .Bool("MemoWantReturns", &C::MemoWantReturns, &C::SetMemoWantReturns, true)
          .Bool("MemoWantTabs", &C::MemoWantTabs, &C::SetMemoWantTabs, true)
          .Bool("MemoWordWrap", &C::MemoWordWrap, &C::SetMemoWordWrap, true)
          .Bool("PictureAutoSize", &C::PictureAutoSize, &C::SetPictureAutoSize, true)
          .To(&E::PictureAutoSize)
          .WideString("PictureFilter", &C::PictureFilter, &C::SetPictureFilter)
          .NotRestored()
          .To(&E::PictureFilter)
          .Enum("PictureTransparency", &C::PictureTransparency, &C::SetPictureTransparency,
                kTransparencyNames, TdxGraphicTransparency::gtDefault)
          .To(&E::PictureTransparency)
          .Publish("PopupAlignment")
          .Publish("PopupBorder")
          .Int("PopupHeight", &C::PopupHeight, &C::SetPopupHeight, 140)
          .To(&E::PopupHeight)
          .Int("PopupWidth", &C::PopupWidth, &C::SetPopupWidth, 200)
          .To(&E::PopupWidth)
          .Bool("ShowExPopupItems", &C::ShowExPopupItems, &C::SetShowExPopupItems, false)
          .To(&E::ShowExPopupItems)
          .Bool("ShowPicturePopup", &C::ShowPicturePopup, &C::SetShowPicturePopup, false)
          .To(&E::ShowPicturePopup)
          .Bool("SizeablePopup", &C::SizeablePopup, &C::SetSizeablePopup, true)
          .To(&E::SizeablePopup)
          .Event("OnAssignPicture", &C::OnAssignPicture)
          .Event("OnGetGraphicClass", &C::OnGetGraphicClass);
  return info;
}

void TdxTreeListBlobColumn::SetBlobEditKind(TdxBlobEditKind value) {
  if (kind_ == value) return;
  kind_ = value;
  Changed();
}

void TdxTreeListBlobColumn::SetBlobPaintStyle(TdxBlobPaintStyle value) {
  if (paint_style_ == value) return;
  paint_style_ = value;
  Changed();
}

void TdxTreeListBlobColumn::SetMaxDisplayLength(int value) {
  if (max_display_length_ == value) return;
  max_display_length_ = value;
  Changed();
}

framework::GraphicFactory TdxTreeListBlobColumn::GetGraphicClass(TdxTreeListNode* node) {
  framework::GraphicFactory graphic_class = nullptr;
  OnGetGraphicClass(this, node, graphic_class);
  return graphic_class;
}

const editors::TdxInplaceEditClass& TdxTreeListBlobColumn::GetEditorClass() const {
  return TdxInplaceTreeListBlobEdit::EditorClass();
}

void TdxTreeListBlobColumn::InitMore(editors::TdxInplaceBlobEdit& blob) {
  blob.Memo = memo_;
  blob.ClipboardFormat = clipboard_format_;
  // Read after the picture settings, so the picture shows as they say.
  if (TCustomdxTreeListControl* grid = TreeList(); grid && grid->GetFocusedNode()) {
    blob.SetTextSilently(GetCellText(grid->GetFocusedNode()));
  }
  blob.OnAssignPicture = [this](framework::TComponent*, framework::TPicture& picture) {
    OnAssignPicture(this, picture);
  };
  blob.OnGetGraphicClass = [this](framework::TComponent*, framework::GraphicFactory& cls) {
    cls = GetGraphicClass(TreeList() ? TreeList()->GetFocusedNode() : nullptr);
  };
  // A popup the user resized opens at that size next time.
  blob.OnSavePopupSize = [this](editors::TdxInplaceBlobEdit& edit) {
    popup_width_ = edit.PopupWidth;
    popup_height_ = edit.PopupHeight;
  };
}

framework::Variant TdxTreeListBlobColumn::LoadEditorValue(TdxTreeListNode* node,
                                                          editors::TdxInplaceEdit& editor) {
  auto* blob = dynamic_cast<editors::TdxInplaceBlobEdit*>(&editor);
  if (!blob) return TdxTreeListDropDownColumn::LoadEditorValue(node, editor);
  const std::wstring text = GetCellText(node);
  blob->SetBlobText(text);
  return framework::Variant(text);
}

framework::Variant TdxTreeListBlobColumn::SaveEditorValue(TdxTreeListNode* node,
                                                          editors::TdxInplaceEdit& editor) {
  auto* blob = dynamic_cast<editors::TdxInplaceBlobEdit*>(&editor);
  TCustomdxTreeListControl* grid = TreeList();
  if (!blob || !grid) return TdxTreeListDropDownColumn::SaveEditorValue(node, editor);
  grid->SetNodeString(node, GetDataIndex(), blob->BlobText());
  return grid->GetNodeValue(node, GetDataIndex());
}

void TdxTreeListBlobColumn::PrepareViewData(editors::TdxEditViewData& data,
                                            const TdxCellViewInfo& cell) {
  TdxTreeListDropDownColumn::PrepareViewData(data, cell);
  auto* blob = dynamic_cast<editors::TdxBlobEditViewData*>(&data);
  if (!blob) return;
  blob->BlobEditKind = kind_;
  blob->BlobPaintStyle = paint_style_;
  blob->MaxDisplayLength = max_display_length_;
  blob->Images = editors::GetBlobImages();
  const framework::Variant value = TreeList() && cell.node
                                       ? TreeList()->GetNodeValue(cell.node, GetDataIndex())
                                       : framework::Variant();
  blob->Value = value;
  blob->IsEmpty = value.IsEmpty() || value.ToString().empty();
}

// ---- wrapper -------------------------------------------------------------------------------

const framework::TClassInfo& TdxTreeListWrapperColumn::StaticClassInfo() {
  using C = TdxTreeListWrapperColumn;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListColumn>("TdxTreeListWrapperColumn")
          .Event("OnGetReferenceColumn", &C::OnGetReferenceColumn);
  return info;
}

TdxTreeListColumn* TdxTreeListWrapperColumn::GetReferenceColumn(TdxTreeListNode* node) const {
  if (!node && TreeList()) node = TreeList()->GetFocusedNode();
  if (!node || !OnGetReferenceColumn) return nullptr;
  TdxTreeListColumn* column = nullptr;
  OnGetReferenceColumn(const_cast<TdxTreeListWrapperColumn*>(this), node, column);
  return dynamic_cast<TdxTreeListWrapperColumn*>(column) ? nullptr : column;
}

framework::Variant TdxTreeListWrapperColumn::LoadEditorValue(TdxTreeListNode* node,
                                                             editors::TdxInplaceEdit& editor) {
  TdxTreeListColumn* reference = GetReferenceColumn(node);
  if (!reference) return TdxTreeListColumn::LoadEditorValue(node, editor);
  DataIndexLoan loan(*reference, GetDataIndex());
  return reference->LoadEditorValue(node, editor);
}

framework::Variant TdxTreeListWrapperColumn::SaveEditorValue(TdxTreeListNode* node,
                                                             editors::TdxInplaceEdit& editor) {
  TdxTreeListColumn* reference = GetReferenceColumn(node);
  if (!reference) return TdxTreeListColumn::SaveEditorValue(node, editor);
  DataIndexLoan loan(*reference, GetDataIndex());
  return reference->SaveEditorValue(node, editor);
}

void TdxTreeListWrapperColumn::GetCellCursor(TdxTreeListNode* node, HCURSOR& cursor) {
  TdxTreeListColumn* reference = GetReferenceColumn(node);
  if (!reference) return TdxTreeListColumn::GetCellCursor(node, cursor);
  DataIndexLoan loan(*reference, GetDataIndex());
  reference->GetCellCursor(node, cursor);
}

void TdxTreeListWrapperColumn::PrepareViewData(editors::TdxEditViewData& data,
                                               const TdxCellViewInfo& cell) {
  TdxTreeListColumn* reference = GetReferenceColumn(cell.node);
  if (!reference) return TdxTreeListColumn::PrepareViewData(data, cell);
  DataIndexLoan loan(*reference, GetDataIndex());
  reference->PrepareViewData(data, cell);
}

const editors::TdxInplaceEditClass& TdxTreeListWrapperColumn::GetEditorClass() const {
  TdxTreeListColumn* reference = GetReferenceColumn(PaintedNode());
  return reference ? reference->GetEditorClass() : TdxTreeListColumn::GetEditorClass();
}

editors::TdxEditViewData& TdxTreeListWrapperColumn::GetViewData() {
  TdxTreeListColumn* reference = GetReferenceColumn(PaintedNode());
  return reference ? reference->GetViewData() : TdxTreeListColumn::GetViewData();
}

void TdxTreeListWrapperColumn::InitEditor(editors::TdxInplaceEdit& editor) {
  TdxTreeListColumn* reference = GetReferenceColumn(PaintedNode());
  if (!reference) return TdxTreeListColumn::InitEditor(editor);
  reference->InitEditor(editor);
}

bool TdxTreeListWrapperColumn::HasButtonAt(int x, int y, bool grid_default) {
  TdxTreeListColumn* reference = GetReferenceColumn(PaintedNode());
  return reference ? reference->HasButtonAt(x, y, grid_default)
                   : TdxTreeListColumn::HasButtonAt(x, y, grid_default);
}

}  // namespace treelist
