// The grid's stored layout: where it lives, and its values read, written and erased.
#include "treelist/customize/stored_layout.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "editors/reg_ini_wrapper.h"
#include "framework/application.h"
#include "framework/forms.h"
#include "framework/registry.h"
#include "treelist/core/sizing.h"
#include "treelist/columns/tree_list_control.h"

namespace treelist {
namespace {

TRegistryRootProvider g_root_provider = nullptr;

std::string Below(const std::string& base, const std::string& sub) {
  return base.empty() ? sub : base + "\\" + sub;
}

// The sections below the base path: each band's and each column's.
constexpr const char* kBandsKey = "Band";
constexpr const char* kColumnsKey = "Columns";

std::string BandSection(const std::string& base, int index) {
  return Below(base, std::string(kBandsKey) + "\\Band" + std::to_string(index));
}

std::string ColumnSection(const std::string& base, const TdxTreeListColumn& column) {
  return Below(base, std::string(kColumnsKey) + "\\" + column.Name());
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

// ---- the keys: every stored value, its name, and how it is written and read back -------------

// When a load reads a value: never (written for other readers), to find the band a section
// names, with the other values, to order the bands or columns, or with the column positions once
// the columns are in order.
enum class Step { Written, Identity, Values, Order, Positions };

template <class Item>
struct StoredValue {
  const char* name;
  bool boolean;
  Step step;
  int (*get)(const Item&);
  // Takes a value read; one outside what the item can hold is not applied. Null when the load
  // reads it by its own step.
  void (*set)(Item&, int);
  // The value that a missing one stands for; null: the item's own (a missing value changes
  // nothing).
  int (*missing)(const Item&) = nullptr;
};

using Grid = TCustomdxTreeListControl;
using Band = TdxTreeListBand;
using Column = TdxTreeListColumn;

// No wider than a user may size it: a damaged store must not overflow the layout's sums.
int SizableWidth(int width) { return std::min(width, kMaxSizingWidth); }

// Under the base path, in the order written. Counts below 1 are not counts: a damaged store
// must not reach the setters; a stored -1 header rows (rows the grid sizes itself) leaves them.
const StoredValue<Grid> kGridValues[] = {
    {"ShowGrid", true, Step::Values, [](const Grid& g) { return int{g.ShowGrid()}; },
     [](Grid& g, int v) { g.SetShowGrid(v != 0); }},
    {"ShowPreviewGrid", true, Step::Values, [](const Grid& g) { return int{g.ShowPreviewGrid()}; },
     [](Grid& g, int v) { g.SetShowPreviewGrid(v != 0); }},
    {"BandRowCount", false, Step::Values, [](const Grid& g) { return g.BandRowCount(); },
     [](Grid& g, int v) {
       if (v >= 1) g.SetBandRowCount(v);
     }},
    {"DefaultRowHeight", false, Step::Values, [](const Grid& g) { return g.DefaultRowHeight(); },
     [](Grid& g, int v) {
       if (v >= 1) g.SetDefaultRowHeight(v);
     }},
    {"HeaderPanelRowCount", false, Step::Values,
     [](const Grid& g) {
       return (g.OptionsEx() & aoAutoHeaderPanelHeight) ? -1 : g.HeaderPanelRowCount();
     },
     [](Grid& g, int v) {
       if (v >= 1) g.SetHeaderPanelRowCount(v);
     },
     [](const Grid& g) { return g.HeaderPanelRowCount(); }},
};

// Under "Band\Band<position>", in the order written.
const StoredValue<Band> kBandValues[] = {
    {"ID", false, Step::Identity, [](const Band& b) { return b.ID(); }, nullptr,
     [](const Band&) { return -1; }},
    {"Visible", true, Step::Values, [](const Band& b) { return int{b.Visible()}; },
     [](Band& b, int v) { b.SetVisible(v != 0); }},
    {"Index", false, Step::Order, [](const Band& b) { return b.Index(); }, nullptr},
    {"Width", false, Step::Values, [](const Band& b) { return b.Width(); },
     [](Band& b, int v) { b.SetWidth(SizableWidth(v)); }},
};

// Under "Columns\<name>", in the order written.
const StoredValue<Column> kColumnValues[] = {
    {"BandIndex", false, Step::Positions, [](const Column& c) { return c.BandIndex(); },
     [](Column& c, int v) { c.SetBandIndex(v); }},
    {"RowIndex", false, Step::Positions, [](const Column& c) { return c.RowIndex(); },
     [](Column& c, int v) { c.SetRowIndex(v); }},
    {"ColIndex", false, Step::Written, [](const Column& c) { return c.ColIndex(); }, nullptr},
    {"Visible", true, Step::Values, [](const Column& c) { return int{c.Visible()}; },
     [](Column& c, int v) { c.SetVisible(v != 0); }},
    {"Index", false, Step::Order, [](const Column& c) { return c.GetDataIndex(); }, nullptr},
    {"Width", false, Step::Values, [](const Column& c) { return c.Width(); },
     [](Column& c, int v) { c.SetWidth(SizableWidth(v)); }},
    {"Sorted", false, Step::Values, [](const Column& c) { return static_cast<int>(c.Sorted()); },
     [](Column& c, int v) {
       if (v >= 0 && v <= 2) c.SetSorted(static_cast<TdxTreeListColumnSort>(v));
     }},
    {"SortedOrder", false, Step::Values, [](const Column& c) { return c.SortedOrder(); },
     [](Column& c, int v) { c.SetLoadedSortOrder(v); }, [](const Column&) { return -1; }},
    {"StoredRowIndex", false, Step::Positions, [](const Column& c) { return c.StoredRowIndex(); },
     [](Column& c, int v) {
       if (v >= 0) c.SetStoredRowIndex(v);
     }},
};

template <class Item, size_t N>
void WriteValues(editors::TdxRegIniWrapper& store, const std::string& section, const Item& item,
                 const StoredValue<Item> (&values)[N]) {
  for (const StoredValue<Item>& value : values) {
    if (value.boolean) {
      store.WriteBool(section, value.name, value.get(item) != 0);
    } else {
      store.WriteInteger(section, value.name, value.get(item));
    }
  }
}

template <class Item>
int ReadValue(editors::TdxRegIniWrapper& store, const std::string& section, const Item& item,
              const StoredValue<Item>& value) {
  const int missing = value.missing ? value.missing(item) : value.get(item);
  return value.boolean ? int{store.ReadBool(section, value.name, missing != 0)}
                       : store.ReadInteger(section, value.name, missing);
}

// The one value the load reads at `step` (the band's ID, the order's index).
template <class Item, size_t N>
int ReadValue(editors::TdxRegIniWrapper& store, const std::string& section, const Item& item,
              const StoredValue<Item> (&values)[N], Step step) {
  for (const StoredValue<Item>& value : values) {
    if (value.step == step) return ReadValue(store, section, item, value);
  }
  return -1;
}

template <class Item, size_t N>
void ApplyValues(editors::TdxRegIniWrapper& store, const std::string& section, Item& item,
                 const StoredValue<Item> (&values)[N], Step step) {
  for (const StoredValue<Item>& value : values) {
    if (value.step == step) value.set(item, ReadValue(store, section, item, value));
  }
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
  WriteValues(store, base, *this, kGridValues);
  for (int i = 0; i < bands_->Count(); ++i) {
    WriteValues(store, BandSection(base, i), *bands_->Items(i), kBandValues);
  }
  for (const TdxTreeListColumn* column : columns_) {
    WriteValues(store, ColumnSection(base, *column), *column, kColumnValues);
  }
}

void TCustomdxTreeListControl::LoadLayoutFromIni(framework::TCustomIniFile& ini,
                                                 const std::string& path) {
  const std::string base = NormalizeLayoutPath(path);
  editors::TdxRegIniWrapper store;
  store.IniFile = &ini;
  LayoutLoading loading(*this);
  ApplyValues(store, base, *this, kGridValues, Step::Values);

  // A band the store does not name keeps its index among the others.
  std::vector<std::pair<int, TdxTreeListBand*>> bands;
  for (int i = 0; i < bands_->Count(); ++i) bands.emplace_back(i, bands_->Items(i));
  for (int i = 0; i < bands_->Count(); ++i) {
    const std::string section = BandSection(base, i);
    TdxTreeListBand* band =
        bands_->FindItemID(ReadValue(store, section, *bands_->Items(i), kBandValues, Step::Identity));
    if (!band) continue;
    ApplyValues(store, section, *band, kBandValues, Step::Values);
    bands[band->Index()].first = ReadValue(store, section, *band, kBandValues, Step::Order);
  }
  const std::vector<TdxTreeListBand*> band_order = ByStoredIndex(std::move(bands));
  for (size_t i = 0; i < band_order.size(); ++i) band_order[i]->SetIndex(static_cast<int>(i));

  std::vector<std::pair<int, TdxTreeListColumn*>> columns;
  for (TdxTreeListColumn* column : columns_) {
    const std::string section = ColumnSection(base, *column);
    ApplyValues(store, section, *column, kColumnValues, Step::Values);
    columns.emplace_back(ReadValue(store, section, *column, kColumnValues, Step::Order), column);
  }
  const std::vector<TdxTreeListColumn*> column_order = ByStoredIndex(std::move(columns));
  for (size_t i = 0; i < column_order.size(); ++i) column_order[i]->SetIndex(static_cast<int>(i));

  ++load_positions_lock_;
  try {
    for (TdxTreeListColumn* column : columns_) {
      ApplyValues(store, ColumnSection(base, *column), *column, kColumnValues, Step::Positions);
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
  store.EraseSection(Below(base, kBandsKey));
  store.EraseSection(Below(base, kColumnsKey));
  for (const StoredValue<Grid>& value : kGridValues) store.DeleteValue(base, value.name);
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
