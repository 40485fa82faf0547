// The board: its record and option records, one layer object per legacy layer 1..82 with the
// layer stack, the drill layer pairs with their names, the split-plane mode and the external
// dielectrics, exchanged with the host's PCB editor; and the board as a container of objects.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sdk/pcb_object.h"

namespace sdk {

constexpr int kLegacyLayerCount = 83;  // 0..82

// The names of the legacy layers 0..82 ("NoLayer", "TopLayer", "MidLayer1", ...): the layer
// objects' default names, and the router's layer names in design files and settings.
extern const std::array<std::string_view, kLegacyLayerCount> LegacyLayerNames;

// A layer's dielectric below it (or the board's external ones).
struct TDielectric {
  pcbapi::Text255 material = MakeText<255>("FR-4");
  pcbapi::Byte kind = 1;
  double constant = 4.8;
  Coord height = 126000;  // 12.6 mil
};

// One board layer.
class TLayerObject {
 public:
  TLayerObject(Handle board, LegacyLayer layer);
  virtual ~TLayerObject() = default;
  TLayerObject(const TLayerObject&) = delete;
  TLayerObject& operator=(const TLayerObject&) = delete;

  // The layer record, then its dielectric; the result is the layer record's.
  virtual int Sync(Mode mode);

  LegacyLayer GetLayer() const { return layer_; }
  std::string GetName() const { return FromText(name_); }
  Coord GetCopperThickness() const { return copper_thickness_; }
  const TDielectric& GetDielectric() const { return dielectric_; }
  LegacyLayer GetPreviousLayer() const { return previous_; }
  LegacyLayer GetNextLayer() const { return next_; }
  bool IsInLayerStack() const { return previous_ != 0 || next_ != 0; }
  bool GetEnabled() const { return enabled_ != 0; }
  void SetEnabled(bool value) { enabled_ = value; }

 protected:
  // The layer record of this kind of layer.
  virtual int SyncRecord(Mode mode);

  Handle board_;
  LegacyLayer layer_;
  pcbapi::Text255 name_{};
  Coord copper_thickness_ = 14000;  // 1.4 mil
  TDielectric dielectric_;
  pcbapi::Byte visible_ = 0, locked_ = 0;
  LegacyLayer previous_ = 0, next_ = 0;
  pcbapi::Byte enabled_ = 0;
};

// An internal plane (legacy layers 39..54): its record carries the plane's net name in place of
// the enabled byte.
class TInternalPlane : public TLayerObject {
 public:
  TInternalPlane(Handle board, LegacyLayer layer);
  std::string GetNetName() const { return FromText(net_name_); }

 protected:
  int SyncRecord(Mode mode) override;

 private:
  pcbapi::Text255 net_name_ = MakeText<255>("(No Net)");
};

// A drill layer pair.
class TPcblayerPair {
 public:
  std::string GetName() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  // As legacy layer numbers; no layer is 0.
  LegacyLayer GetFirstLayer() const { return LayerToLegacyLayer(first_layer_); }
  LegacyLayer GetSecondLayer() const { return LayerToLegacyLayer(second_layer_); }
  void SetFirstLayer(LegacyLayer layer) { first_layer_ = LegacyLayerToLayer(layer); }
  void SetSecondLayer(LegacyLayer layer) { second_layer_ = LegacyLayerToLayer(layer); }

 private:
  friend class TPcbBoard;
  std::string name_;
  pcbapi::LayerId first_layer_ = NoLayer, second_layer_ = NoLayer;
  pcbapi::Byte first_byte_ = 0, second_byte_ = 0;
};

class TPcbBoard {
 public:
  explicit TPcbBoard(Handle board);
  virtual ~TPcbBoard();
  TPcbBoard(const TPcbBoard&) = delete;
  TPcbBoard& operator=(const TPcbBoard&) = delete;

  // Mode 1 reads the board, 0 writes it; the result is the board record's.
  virtual int Sync(Mode mode);

  Handle GetHandle() const { return handle_; }

  // ---- Layers ----
  // The layer object of a legacy layer 1..82; null for any other number.
  TLayerObject* GetLayerObject(LegacyLayer layer) const;
  // The first layer, in legacy order, with no previous layer.
  TLayerObject* GetFirstStackLayer() const;
  // Null at the end of the stack.
  TLayerObject* GetNextStackLayer(const TLayerObject* layer) const;
  // The stack from its first layer along the next-layer links, each layer once: links that loop
  // back end the walk. An empty stack gives the first layer alone, unlinked.
  std::vector<TLayerObject*> StackLayers() const;
  // Whether any layer has a link to another: a board whose stack the host left empty has none.
  bool HasLayerStack() const;
  // 1-based position of the layer among the stack's layers in `layers`; 0 when it is not in the
  // set or not in the stack.
  int GetStackPositionInSet(const LegacyLayerSet& layers, const TLayerObject* layer) const;
  // The plane's net name for 39..54; empty for any other layer.
  std::string GetPlaneNetName(LegacyLayer layer) const;
  // Marks a layer given as a layer identity; layers without a legacy number 1..82 are ignored.
  void SetLayerEnabled(TLayer layer, bool value);
  int32_t GetLayerInformation(LegacyLayer layer) const;

  // ---- Drill pairs ----
  const std::vector<std::unique_ptr<TPcblayerPair>>& LayerPairs() const { return pairs_; }
  std::vector<std::unique_ptr<TPcblayerPair>>& LayerPairs() { return pairs_; }
  // "<upper layer name> - <lower layer name>" by stack position over the electrical layers.
  std::string PairName(LegacyLayer first, LegacyLayer second) const;

  // ---- Record values ----
  std::string GetFileName() const { return FromText(file_name_); }
  pcbapi::Byte GetUnit() const { return unit_; }
  Coord GetOriginX() const { return origin_x_; }
  Coord GetOriginY() const { return origin_y_; }
  LegacyLayer GetCurrentLayer() const { return current_layer_; }
  pcbapi::Byte GetSplitPlaneMode() const { return split_plane_mode_; }
  const TDielectric& GetTopDielectric() const { return top_dielectric_; }
  const TDielectric& GetBottomDielectric() const { return bottom_dielectric_; }

  // ---- The board as a container ----
  // 0 = success; a 0 handle gives 1 without a host call.
  int AddObject(Handle object) const;
  int DeleteObject(Handle object) const;
  int GetBoundingRectangle(Coord* x1, Coord* y1, Coord* x2, Coord* y2) const;
  // Every object of the kinds 0..25 in `kinds` on each legacy layer of `layers`; an object on
  // several of the layers comes once per layer.
  void IterateObjects(const std::function<void(Handle object)>& callback, KindSet kinds,
                      const LegacyLayerSet& layers, uint8_t method) const;

 private:
  void SyncLayerPairs(Mode mode);
  void SyncOptions(Mode mode);

  Handle handle_;
  int32_t version_ = 0;
  pcbapi::Text255 file_name_{};
  pcbapi::Byte unit_ = 0;
  Coord origin_x_ = 0, origin_y_ = 0, width_ = 0, height_ = 0;
  pcbapi::Byte snap_to_grid_ = 0;
  LegacyLayer current_layer_ = 0;
  int32_t object_count_ = 0;
  TDielectric top_dielectric_, bottom_dielectric_;
  std::array<std::unique_ptr<TLayerObject>, kLegacyLayerCount> layers_;  // 0 stays empty
  std::vector<std::unique_ptr<TPcblayerPair>> pairs_;
  std::array<int32_t, kLegacyLayerCount> layer_information_{};
  // The option records: stored and written back whole.
  pcbapi::BoardGrids grids_{};
  pcbapi::BoardOutputOptions output_options_{};
  std::array<pcbapi::Byte, pcbapi::kOutputLayerCount + 1> plot_layers_{};  // 1..109
  std::array<pcbapi::Byte, pcbapi::kOutputLayerCount + 1> flip_layers_{};
  pcbapi::BoardGerberOptions gerber_options_{};
  pcbapi::BoardPrinterOptions printer_options_{};
  std::array<std::array<int32_t, 2>, pcbapi::kPlotterPenCount + 1> plotter_pens_{};  // 1..8
  std::array<std::array<int32_t, 4>, kLegacyLayerCount> composite_layers_{};         // 1..82
  pcbapi::BoardAdvancedPlacerOptions placer_options_{};
  pcbapi::BoardEcoOptions eco_options_{};
  pcbapi::Byte split_plane_mode_ = 1;
};

}  // namespace sdk
