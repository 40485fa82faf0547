// The grid's stored layout: where it lives, and its values read, written and erased.
#include "treelist/stored_layout.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "editors/reg_ini_wrapper.h"
#include "framework/application.h"
#include "framework/forms.h"
#include "framework/registry.h"
#include "treelist/sizing.h"
#include "treelist/tree_list_control.h"

namespace treelist {
namespace {

TRegistryRootProvider g_root_provider = nullptr;

std::string Below(const std::string& base, const std::string& sub) {
  return base.empty() ? sub : base + "\\" + sub;
}

std::string BandSection(const std::string& base, int index) {
  return Below(base, "Band\\Band" + std::to_string(index));
}

std::string ColumnSection(const std::string& base, const TdxTreeListColumn& column) {
  return Below(base, "Columns\\" + column.Name());
}

// The store opened on HKEY_CURRENT_USER at `path`, whose values then sit at its root.
std::unique_ptr<framework::TRegIniFile> OpenRegistry(const std::string& path) {
  return std::make_unique<framework::TRegIniFile>(NormalizeLayoutPath(path).substr(1));
}

// Layouts of an older version lay below the root's "Software" key, which goes once a layout is
// read. An empty root would name HKEY_CURRENT_USER's own "Software": nothing is deleted then.
void DeleteObsoleteKey(const std::string& root) {
  const std::string key = NormalizeLayoutPath(root);
  if (key.empty()) return;
  framework::TRegistry registry;
  registry.SetRootKey(HKEY_CURRENT_USER);
  registry.DeleteKey(key.substr(1) + "\\Software");
}

// Holds the grid's update (and with multi-sort its sort) while a layout is read.
class LayoutLoading {
 public:
  explicit LayoutLoading(TCustomdxTreeListControl& grid)
      : grid_(grid), sort_locked_(grid.OptionsEx() & aoMultiSort) {
    grid_.BeginUpdate();
    if (sort_locked_) grid_.BeginSortLock();
  }
  ~LayoutLoading() {
    try {
      if (sort_locked_) grid_.EndSortLock();
    } catch (...) {
      framework::Application::Instance().HandleException();
    }
    grid_.EndUpdate();
  }
  LayoutLoading(const LayoutLoading&) = delete;
  LayoutLoading& operator=(const LayoutLoading&) = delete;

 private:
  TCustomdxTreeListControl& grid_;
  bool sort_locked_;
};

// No wider than a user may size it: a damaged store must not overflow the layout's sums.
int StoredWidth(editors::TdxRegIniWrapper& store, const std::string& section, int current) {
  return std::min(store.ReadInteger(section, "Width", current), kMaxSizingWidth);
}

// Items in the order of their stored indexes; equal ones keep their present order.
template <class Item>
std::vector<Item*> ByStoredIndex(std::vector<std::pair<int, Item*>> items) {
  std::stable_sort(items.begin(), items.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Item*> ordered;
  for (const auto& item : items) ordered.push_back(item.second);
  return ordered;
}

}  // namespace

void SetRegistryRootProvider(TRegistryRootProvider provider) { g_root_provider = provider; }
TRegistryRootProvider RegistryRootProvider() { return g_root_provider; }

std::string NormalizeLayoutPath(const std::string& path) {
  std::string result = path;
  while (!result.empty() && result.back() == '\\') result.pop_back();
  if (!result.empty() && result.front() != '\\') result.insert(result.begin(), '\\');
  return result;
}

// ---- the values -------------------------------------------------------------------------------

void TCustomdxTreeListControl::SaveLayoutToIni(framework::TCustomIniFile& ini,
                                               const std::string& path) {
  const std::string base = NormalizeLayoutPath(path);
  editors::TdxRegIniWrapper store;
  store.IniFile = &ini;
  store.WriteBool(base, "ShowGrid", ShowGrid());
  store.WriteBool(base, "ShowPreviewGrid", ShowPreviewGrid());
  store.WriteInteger(base, "BandRowCount", band_row_count_);
  store.WriteInteger(base, "DefaultRowHeight", DefaultRowHeight());
  const bool auto_rows = OptionsEx() & aoAutoHeaderPanelHeight;
  store.WriteInteger(base, "HeaderPanelRowCount", auto_rows ? -1 : header_panel_row_count_);
  for (int i = 0; i < bands_->Count(); ++i) {
    const TdxTreeListBand& band = *bands_->Items(i);
    const std::string section = BandSection(base, i);
    store.WriteInteger(section, "ID", band.ID());
    store.WriteBool(section, "Visible", band.Visible());
    store.WriteInteger(section, "Index", i);
    store.WriteInteger(section, "Width", band.Width());
  }
  for (const TdxTreeListColumn* column : columns_) {
    const std::string section = ColumnSection(base, *column);
    store.WriteInteger(section, "BandIndex", column->BandIndex());
    store.WriteInteger(section, "RowIndex", column->RowIndex());
    store.WriteInteger(section, "ColIndex", column->ColIndex());
    store.WriteBool(section, "Visible", column->Visible());
    store.WriteInteger(section, "Index", column->GetDataIndex());
    store.WriteInteger(section, "Width", column->Width());
    store.WriteInteger(section, "Sorted", static_cast<int>(column->Sorted()));
    store.WriteInteger(section, "SortedOrder", column->SortedOrder());
    store.WriteInteger(section, "StoredRowIndex", column->StoredRowIndex());
  }
}

void TCustomdxTreeListControl::LoadLayoutFromIni(framework::TCustomIniFile& ini,
                                                 const std::string& path) {
  const std::string base = NormalizeLayoutPath(path);
  editors::TdxRegIniWrapper store;
  store.IniFile = &ini;
  LayoutLoading loading(*this);
  SetShowGrid(store.ReadBool(base, "ShowGrid", ShowGrid()));
  SetShowPreviewGrid(store.ReadBool(base, "ShowPreviewGrid", ShowPreviewGrid()));
  // Counts below 1 are not counts: a damaged store must not reach the setters.
  const int band_rows = store.ReadInteger(base, "BandRowCount", band_row_count_);
  if (band_rows >= 1) SetBandRowCount(band_rows);
  const int row_height = store.ReadInteger(base, "DefaultRowHeight", DefaultRowHeight());
  if (row_height >= 1) SetDefaultRowHeight(row_height);
  const int header_rows = store.ReadInteger(base, "HeaderPanelRowCount", header_panel_row_count_);
  if (header_rows >= 1) SetHeaderPanelRowCount(header_rows);

  // A band the store does not name keeps its index among the others.
  std::vector<std::pair<int, TdxTreeListBand*>> bands;
  for (int i = 0; i < bands_->Count(); ++i) bands.emplace_back(i, bands_->Items(i));
  for (int i = 0; i < bands_->Count(); ++i) {
    const std::string section = BandSection(base, i);
    TdxTreeListBand* band = bands_->FindItemID(store.ReadInteger(section, "ID", -1));
    if (!band) continue;
    band->SetVisible(store.ReadBool(section, "Visible", band->Visible()));
    band->SetWidth(StoredWidth(store, section, band->Width()));
    bands[band->Index()].first = store.ReadInteger(section, "Index", band->Index());
  }
  const std::vector<TdxTreeListBand*> band_order = ByStoredIndex(std::move(bands));
  for (size_t i = 0; i < band_order.size(); ++i) band_order[i]->SetIndex(static_cast<int>(i));

  std::vector<std::pair<int, TdxTreeListColumn*>> columns;
  for (TdxTreeListColumn* column : columns_) {
    const std::string section = ColumnSection(base, *column);
    column->SetVisible(store.ReadBool(section, "Visible", column->Visible()));
    column->SetWidth(StoredWidth(store, section, column->Width()));
    const int sorted = store.ReadInteger(section, "Sorted", static_cast<int>(column->Sorted()));
    if (sorted >= 0 && sorted <= 2) column->SetSorted(static_cast<TdxTreeListColumnSort>(sorted));
    column->SetLoadedSortOrder(store.ReadInteger(section, "SortedOrder", -1));
    columns.emplace_back(store.ReadInteger(section, "Index", column->GetDataIndex()), column);
  }
  const std::vector<TdxTreeListColumn*> column_order = ByStoredIndex(std::move(columns));
  for (size_t i = 0; i < column_order.size(); ++i) column_order[i]->SetIndex(static_cast<int>(i));

  ++load_positions_lock_;
  try {
    for (TdxTreeListColumn* column : columns_) {
      const std::string section = ColumnSection(base, *column);
      column->SetBandIndex(store.ReadInteger(section, "BandIndex", column->BandIndex()));
      column->SetRowIndex(store.ReadInteger(section, "RowIndex", column->RowIndex()));
      const int stored_row = store.ReadInteger(section, "StoredRowIndex", column->StoredRowIndex());
      if (stored_row >= 0) column->SetStoredRowIndex(stored_row);
    }
  } catch (...) {
    --load_positions_lock_;
    throw;
  }
  --load_positions_lock_;
  ColumnChanged();
  if (OptionsEx() & aoMultiSort) RebuildSortedColumns();
}

void TCustomdxTreeListControl::EraseLayoutFromIni(framework::TCustomIniFile& ini,
                                                  const std::string& path) {
  const std::string base = NormalizeLayoutPath(path);
  editors::TdxRegIniWrapper store;
  store.IniFile = &ini;
  store.EraseSection(Below(base, "Band"));
  store.EraseSection(Below(base, "Columns"));
  for (const char* name :
       {"ShowGrid", "ShowPreviewGrid", "BandRowCount", "DefaultRowHeight", "HeaderPanelRowCount"}) {
    store.DeleteValue(base, name);
  }
}

// ---- the stores -------------------------------------------------------------------------------

void TCustomdxTreeListControl::SetParent(framework::TWinControl* parent) {
  TCustomdxTreeList::SetParent(parent);
  CaptureFormName();
}

void TCustomdxTreeListControl::CaptureFormName() {
  if (framework::TForm* form = framework::GetParentForm(this)) form_name_ = form->Name();
}

std::string TCustomdxTreeListControl::IniSection(bool saving) const {
  if (!ini_section_name_.empty()) return ini_section_name_;
  std::string form = form_name_;
  if (!saving) {
    const framework::TForm* parent_form =
        framework::GetParentForm(const_cast<TCustomdxTreeListControl*>(this));
    form = parent_form ? parent_form->Name() : std::string();
  }
  return form + "_" + Name();
}

void TCustomdxTreeListControl::LoadLayoutFromIniFile(const std::string& file_name) {
  if (file_name.empty()) return;
  framework::TMemIniFile ini(file_name);
  LoadLayoutFromIni(ini, IniSection(false));
}

void TCustomdxTreeListControl::SaveLayoutToIniFile(const std::string& file_name) {
  if (file_name.empty()) return;
  framework::TMemIniFile ini(file_name);
  SaveLayoutToIni(ini, IniSection(true));
  ini.UpdateFile();
}

void TCustomdxTreeListControl::LoadLayoutFromRegistry(const std::string& path) {
  const std::string key = NormalizeLayoutPath(path);
  if (key.empty()) return;
  framework::TRegistry probe;  // read only where the key exists; reading creates nothing
  probe.SetRootKey(HKEY_CURRENT_USER);
  if (!probe.KeyExists(key)) return;
  LoadLayoutFromIni(*OpenRegistry(key), "");
}

void TCustomdxTreeListControl::SaveLayoutToRegistry(const std::string& path) {
  if (NormalizeLayoutPath(path).empty()) return;  // never at the root of HKEY_CURRENT_USER
  SaveLayoutToIni(*OpenRegistry(path), "");
}

void TCustomdxTreeListControl::EraseLayoutFromRegistry(const std::string& path) {
  if (NormalizeLayoutPath(path).empty()) return;
  EraseLayoutFromIni(*OpenRegistry(path), "");
}

std::string TCustomdxTreeListControl::RegistryOldLocation() const {
  if (!g_root_provider) return registry_path_;
  std::string name = registry_path_;
  if (name.empty()) name = Owner() ? Owner()->ClassName() : Name();
  return g_root_provider() + "\\" + name;
}

std::string TCustomdxTreeListControl::RegistryLocation() const {
  if (!g_root_provider) return registry_path_;
  std::string name = Name();
  if (Owner()) name = Owner()->ClassName() + (Name().empty() ? "" : "\\" + Name());
  return g_root_provider() + "\\" + name + "\\" + registry_path_;
}

void TCustomdxTreeListControl::LoadLayout() {
  if (layout_loaded_) return;
  layout_loaded_ = true;
  if (Options() & aoStoreToRegistry) {
    const std::string old_location = RegistryOldLocation();
    const std::string location = RegistryLocation();
    // The old place is emptied only when the layout moved: erasing the place it is read from
    // would lose the user's layout to a crash before the next save.
    LoadLayoutFromRegistry(old_location);
    const bool moved = NormalizeLayoutPath(old_location) != NormalizeLayoutPath(location);
    if (moved) EraseLayoutFromRegistry(old_location);
    if (g_root_provider) DeleteObsoleteKey(g_root_provider());
    if (moved) LoadLayoutFromRegistry(location);
  }
  if ((Options() & aoStoreToIniFile) && !ini_file_name_.empty()) {
    LoadLayoutFromIniFile(ini_file_name_);
  }
}

void TCustomdxTreeListControl::SaveLayout() {
  if (layout_saved_) return;
  layout_saved_ = true;
  if (Options() & aoStoreToRegistry) SaveLayoutToRegistry(RegistryLocation());
  if ((Options() & aoStoreToIniFile) && !ini_file_name_.empty()) {
    SaveLayoutToIniFile(ini_file_name_);
  }
}

}  // namespace treelist
