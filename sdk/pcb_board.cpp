// The board, its layer objects and its drill layer pairs.
#include "sdk/pcb_board.h"

#include "sdk/exceptions.h"

namespace sdk {

const std::array<std::string_view, kLegacyLayerCount> LegacyLayerNames = {
    "NoLayer",         "TopLayer",        "MidLayer1",       "MidLayer2",       "MidLayer3",
    "MidLayer4",       "MidLayer5",       "MidLayer6",       "MidLayer7",       "MidLayer8",
    "MidLayer9",       "MidLayer10",      "MidLayer11",      "MidLayer12",      "MidLayer13",
    "MidLayer14",      "MidLayer15",      "MidLayer16",      "MidLayer17",      "MidLayer18",
    "MidLayer19",      "MidLayer20",      "MidLayer21",      "MidLayer22",      "MidLayer23",
    "MidLayer24",      "MidLayer25",      "MidLayer26",      "MidLayer27",      "MidLayer28",
    "MidLayer29",      "MidLayer30",      "BottomLayer",     "TopOverlay",      "BottomOverlay",
    "TopPaste",        "BottomPaste",     "TopSolder",       "BottomSolder",    "InternalPlane1",
    "InternalPlane2",  "InternalPlane3",  "InternalPlane4",  "InternalPlane5",  "InternalPlane6",
    "InternalPlane7",  "InternalPlane8",  "InternalPlane9",  "InternalPlane10", "InternalPlane11",
    "InternalPlane12", "InternalPlane13", "InternalPlane14", "InternalPlane15", "InternalPlane16",
    "DrillGuide",      "KeepOutLayer",    "Mechanical1",     "Mechanical2",     "Mechanical3",
    "Mechanical4",     "Mechanical5",     "Mechanical6",     "Mechanical7",     "Mechanical8",
    "Mechanical9",     "Mechanical10",    "Mechanical11",    "Mechanical12",    "Mechanical13",
    "Mechanical14",    "Mechanical15",    "Mechanical16",    "DrillDrawing",    "MultiLayer",
    "ConnectLayer",    "BackGroundLayer", "DRCErrorLayer",   "HighlightLayer",  "GridColor1",
    "GridColor10",     "PadHoleLayer",    "ViaHoleLayer"};

namespace {

constexpr LegacyLayer kFirstPlane = 39, kLastPlane = 54;

bool IsPlane(LegacyLayer layer) { return layer >= kFirstPlane && layer <= kLastPlane; }

// The layers that drill pairs join: signal layers and internal planes.
LegacyLayerSet ElectricalLayers() {
  LegacyLayerSet set;
  set.IncludeRange(1, 32).IncludeRange(kFirstPlane, kLastPlane);
  return set;
}

// A layer identity from the host that has no legacy byte names no layer object.
LegacyLayer LegacyLayerOrNone(pcbapi::LayerId layer) noexcept {
  try {
    return LayerToLegacyLayer(layer);
  } catch (const Exception&) {
    return 0;
  }
}

}  // namespace

// ---- Layer objects ---------------------------------------------------------------------------

TLayerObject::TLayerObject(Handle board, LegacyLayer layer) : board_(board), layer_(layer) {
  if (layer < kLegacyLayerCount) ToText(name_, std::string(LegacyLayerNames[layer]));
}

int TLayerObject::Sync(Mode mode) {
  const int result = SyncRecord(mode);
  PcbApi_QueryLayerDielectric(mode, layer_, board_, &dielectric_.material, &dielectric_.kind,
                              &dielectric_.constant, &dielectric_.height);
  return result;
}

int TLayerObject::SyncRecord(Mode mode) {
  return PcbApi_QueryLayer(mode, layer_, board_, &name_, &copper_thickness_, &visible_, &locked_,
                           &previous_, &next_, &enabled_);
}

TInternalPlane::TInternalPlane(Handle board, LegacyLayer layer) : TLayerObject(board, layer) {}

int TInternalPlane::SyncRecord(Mode mode) {
  return PcbApi_QueryInternalPlane(mode, layer_, board_, &name_, &copper_thickness_, &visible_,
                                   &locked_, &previous_, &next_, &net_name_);
}

// ---- Board -----------------------------------------------------------------------------------

TPcbBoard::TPcbBoard(Handle board) : handle_(board) {
  for (int layer = 1; layer < kLegacyLayerCount; ++layer) {
    const auto legacy = static_cast<LegacyLayer>(layer);
    if (IsPlane(legacy)) {
      layers_[layer] = std::make_unique<TInternalPlane>(board, legacy);
    } else {
      layers_[layer] = std::make_unique<TLayerObject>(board, legacy);
    }
  }
}

TPcbBoard::~TPcbBoard() = default;

int TPcbBoard::Sync(Mode mode) {
  const int result = QueryBoardWithLegacyLayer(mode, handle_, &version_, &file_name_, &unit_,
                                               &origin_x_, &origin_y_, &width_, &height_,
                                               &snap_to_grid_, &current_layer_, &object_count_);
  for (int layer = 1; layer < kLegacyLayerCount; ++layer) {
    int32_t used = 0, objects = 0;  // the host counts these itself
    PcbApi_QueryBoardLayerInfo(mode, handle_, static_cast<LegacyLayer>(layer), &used, &objects,
                               &layer_information_[layer]);
  }
  for (int layer = 1; layer < kLegacyLayerCount; ++layer) layers_[layer]->Sync(mode);
  PcbApi_QueryBoardSplitPlaneMode(mode, handle_, &split_plane_mode_);
  SyncOptions(mode);
  SyncLayerPairs(mode);
  PcbApi_QueryBoardExternalDielectrics(
      mode, handle_, &top_dielectric_.material, &top_dielectric_.kind, &top_dielectric_.constant,
      &top_dielectric_.height, &bottom_dielectric_.material, &bottom_dielectric_.kind,
      &bottom_dielectric_.constant, &bottom_dielectric_.height);
  return result;
}

void TPcbBoard::SyncOptions(Mode mode) {
  PcbApi_QueryBoardGridsEx(mode, handle_, &grids_);
  PcbApi_QueryBoardOutputOptions(mode, handle_, &output_options_);
  for (int layer = 1; layer <= pcbapi::kOutputLayerCount; ++layer) {
    PcbApi_QueryBoardOutputOptionsPlotLayers(mode, handle_, layer, &plot_layers_[layer]);
    PcbApi_QueryBoardOutputOptionsFlipLayers(mode, handle_, layer, &flip_layers_[layer]);
  }
  PcbApi_QueryBoardGerberOptions(mode, handle_, &gerber_options_);
  PcbApi_QueryBoardPrinterOptions(mode, handle_, &printer_options_);
  for (int pen = 1; pen <= pcbapi::kPlotterPenCount; ++pen) {
    PcbApi_QueryBoardPrinterOptionsPlotterPen(mode, handle_, pen, &plotter_pens_[pen][0],
                                              &plotter_pens_[pen][1]);
  }
  for (int layer = 1; layer < kLegacyLayerCount; ++layer) {
    std::array<int32_t, 4>& values = composite_layers_[layer];
    PcbApi_QueryBoardPrinterOptionsCompositeLayer(mode, handle_, static_cast<LegacyLayer>(layer),
                                                  &values[0], &values[1], &values[2], &values[3]);
  }
  PcbApi_QueryBoardAdvancedPlacerOptions(mode, handle_, &placer_options_);
  PcbApi_QueryBoardEngineeringChangeOrderOptions(mode, handle_, &eco_options_);
}

void TPcbBoard::SyncLayerPairs(Mode mode) {
  if (mode == pcbapi::kRead) {
    pairs_.clear();
    int32_t count = 0;
    if (PcbApi_QueryBoardLayerPairsCount(handle_, &count, pcbapi::kRead) != pcbapi::kSuccess) {
      count = 0;
    }
    for (int32_t index = 0; index < count; ++index) {
      auto pair = std::make_unique<TPcblayerPair>();
      PcbApi_QueryBoardLayerPairAt(mode, handle_, index, &pair->second_layer_, &pair->first_layer_,
                                   &pair->second_byte_, &pair->first_byte_);
      pair->name_ =
          PairName(LegacyLayerOrNone(pair->first_layer_), LegacyLayerOrNone(pair->second_layer_));
      pairs_.push_back(std::move(pair));
    }
    return;
  }
  int32_t count = static_cast<int32_t>(pairs_.size());
  PcbApi_QueryBoardLayerPairsCount(handle_, &count, pcbapi::kWrite);
  for (int32_t index = 0; index < static_cast<int32_t>(pairs_.size()); ++index) {
    TPcblayerPair& pair = *pairs_[index];
    PcbApi_QueryBoardLayerPairAt(mode, handle_, index, &pair.second_layer_, &pair.first_layer_,
                                 &pair.second_byte_, &pair.first_byte_);
  }
}

std::string TPcbBoard::PairName(LegacyLayer first, LegacyLayer second) const {
  const TLayerObject* first_layer = GetLayerObject(first);
  const TLayerObject* second_layer = GetLayerObject(second);
  const std::string first_name = first_layer ? first_layer->GetName() : std::string();
  const std::string second_name = second_layer ? second_layer->GetName() : std::string();
  const LegacyLayerSet electrical = ElectricalLayers();
  const int p1 = GetStackPositionInSet(electrical, first_layer);
  const int p2 = GetStackPositionInSet(electrical, second_layer);
  return p1 <= p2 ? first_name + " - " + second_name : second_name + " - " + first_name;
}

TLayerObject* TPcbBoard::GetLayerObject(LegacyLayer layer) const {
  return layer >= 1 && layer < kLegacyLayerCount ? layers_[layer].get() : nullptr;
}

TLayerObject* TPcbBoard::GetFirstStackLayer() const {
  for (int layer = 1; layer < kLegacyLayerCount; ++layer) {
    if (layers_[layer]->GetPreviousLayer() == 0) return layers_[layer].get();
  }
  return nullptr;
}

TLayerObject* TPcbBoard::GetNextStackLayer(const TLayerObject* layer) const {
  if (!layer || layer->GetNextLayer() == 0) return nullptr;
  return GetLayerObject(layer->GetNextLayer());
}

std::vector<TLayerObject*> TPcbBoard::StackLayers() const {
  std::vector<TLayerObject*> stack;
  // The links come from the host: a cycle must not hold the walk.
  bool seen[kLegacyLayerCount] = {};
  for (TLayerObject* at = GetFirstStackLayer(); at && !seen[at->GetLayer()];
       at = GetNextStackLayer(at)) {
    seen[at->GetLayer()] = true;
    stack.push_back(at);
  }
  return stack;
}

bool TPcbBoard::HasLayerStack() const {
  for (int layer = 1; layer < kLegacyLayerCount; ++layer) {
    if (layers_[layer]->IsInLayerStack()) return true;
  }
  return false;
}

int TPcbBoard::GetStackPositionInSet(const LegacyLayerSet& layers,
                                     const TLayerObject* layer) const {
  if (!layer || !layers.Contains(layer->GetLayer())) return 0;
  int position = 0;
  for (const TLayerObject* at : StackLayers()) {
    if (layers.Contains(at->GetLayer())) ++position;
    if (at == layer) return position;
  }
  return 0;
}

std::string TPcbBoard::GetPlaneNetName(LegacyLayer layer) const {
  if (!IsPlane(layer)) return {};
  const auto* plane = dynamic_cast<const TInternalPlane*>(GetLayerObject(layer));
  return plane ? plane->GetNetName() : std::string();
}

void TPcbBoard::SetLayerEnabled(TLayer layer, bool value) {
  if (TLayerObject* object = GetLayerObject(LegacyLayerOrNone(layer))) object->SetEnabled(value);
}

int32_t TPcbBoard::GetLayerInformation(LegacyLayer layer) const {
  return layer >= 1 && layer < kLegacyLayerCount ? layer_information_[layer] : 0;
}

int TPcbBoard::AddObject(Handle object) const {
  if (object == 0) return pcbapi::kFailure;
  return PcbApi_AddObjectToContainer(handle_, object);
}

int TPcbBoard::DeleteObject(Handle object) const {
  if (object == 0) return pcbapi::kFailure;
  return PcbApi_DeleteObjectFromContainer(handle_, object);
}

int TPcbBoard::GetBoundingRectangle(Coord* x1, Coord* y1, Coord* x2, Coord* y2) const {
  return PcbApi_QueryObjectBoundingRectangle(handle_, x1, y1, x2, y2);
}

void TPcbBoard::IterateObjects(const std::function<void(Handle object)>& callback, KindSet kinds,
                               const LegacyLayerSet& layers, uint8_t method) const {
  IterateContainer(handle_, kinds, layers, method, callback);
}

}  // namespace sdk
