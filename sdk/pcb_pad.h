// The pad: its host record, its stack of shapes and sizes per legacy layer (83 entries), corner
// radii, and its outline on one layer as corners or as a centre line with a width.
#pragma once

#include <array>
#include <string>

#include "sdk/pcb_object.h"

namespace sdk {

class TPcbPad : public TPCBObject {
 public:
  static constexpr int kLayerCount = 83;  // legacy layers 0..82
  static constexpr uint8_t kFullStack = 2;
  static constexpr uint8_t kRoundedRectangle = 9;

  explicit TPcbPad(Handle handle);
  // The record, then the stack mode, then the per-layer stack: read whole (the stack when it
  // is first asked for); written whole in full-stack mode, else only the corner-radius
  // percentages of a rounded pad, for the top, bottom and first mid layer where the pad shows a
  // shape. A stack not asked for since the read is not written unless the stack mode changed.
  int Sync(Mode mode) override;

  Coord GetTopXSize() const override { return top_x_; }
  Coord GetTopYSize() const override { return top_y_; }
  Coord GetMidXSize() const override { return mid_x_; }
  Coord GetMidYSize() const override { return mid_y_; }
  Coord GetBotXSize() const override { return bot_x_; }
  Coord GetBotYSize() const override { return bot_y_; }
  Coord GetHoleSize() const override { return hole_size_; }
  uint8_t GetTopShape() const override { return top_shape_; }
  uint8_t GetMidShape() const override { return mid_shape_; }
  uint8_t GetBotShape() const override { return bot_shape_; }
  std::string GetName() const override { return FromText(name_); }
  // The name as the record holds it, for readers that keep it beyond the pad's life.
  const pcbapi::Text20& GetNameText() const { return name_; }
  double GetRotation() const override { return rotation_; }
  // The pin's role for the router: 0 load, 1 terminator, 2 source; 3 to 7 other kinds of pin.
  uint8_t GetElectricalType() const { return electrical_type_; }
  bool GetAuxFlag3() const override { return aux_flag3_ != 0; }
  bool GetAuxFlag4() const override { return aux_flag4_ != 0; }
  void SetTopXSize(Coord value) override { top_x_ = value; }
  void SetTopYSize(Coord value) override { top_y_ = value; }
  void SetMidXSize(Coord value) override { mid_x_ = value; }
  void SetMidYSize(Coord value) override { mid_y_ = value; }
  void SetBotXSize(Coord value) override { bot_x_ = value; }
  void SetBotYSize(Coord value) override { bot_y_ = value; }
  void SetHoleSize(Coord value) override { hole_size_ = value; }
  void SetTopShape(uint8_t value) override { top_shape_ = value; }
  void SetMidShape(uint8_t value) override { mid_shape_ = value; }
  void SetBotShape(uint8_t value) override { bot_shape_ = value; }
  void SetName(const std::string& value) override { ToText(name_, value); }
  void SetRotation(double value) override { rotation_ = value; }
  void SetAuxFlag3(bool value) override { aux_flag3_ = value; }
  void SetAuxFlag4(bool value) override { aux_flag4_ = value; }

  // From the per-layer stack of the last read (0 outside 0..82).
  Coord GetXSizeOnLayer(LegacyLayer layer) const override;
  Coord GetYSizeOnLayer(LegacyLayer layer) const override;
  uint8_t GetShapeOnLayer(LegacyLayer layer) const override;
  virtual Coord GetCornerRadiusOnLayer(LegacyLayer layer) const;
  uint8_t GetCornerPercentageOnLayer(LegacyLayer layer) const;

  // The pad's box on a layer: its size there grown by `margin`, about (X, Y), turned by the
  // rotation. Where the grown height is 0 the corners lie on the centre line.
  Coord GetCorner1XOnLayer(LegacyLayer layer, Coord margin) const override;
  Coord GetCorner1YOnLayer(LegacyLayer layer, Coord margin) const override;
  Coord GetCorner2XOnLayer(LegacyLayer layer, Coord margin) const override;
  Coord GetCorner2YOnLayer(LegacyLayer layer, Coord margin) const override;
  Coord GetCorner3XOnLayer(LegacyLayer layer, Coord margin) const override;
  Coord GetCorner3YOnLayer(LegacyLayer layer, Coord margin) const override;
  Coord GetCorner4XOnLayer(LegacyLayer layer, Coord margin) const override;
  Coord GetCorner4YOnLayer(LegacyLayer layer, Coord margin) const override;

  // The pad on a layer as a centre line along its longer side, with the shorter side as width;
  // a square or round pad's line is its centre.
  Coord GetWidthOnLayer(LegacyLayer layer) const override;
  Coord GetXOnLayer(LegacyLayer layer) const override;
  Coord GetYOnLayer(LegacyLayer layer) const override;
  Coord GetX2OnLayer(LegacyLayer layer) const override;
  Coord GetY2OnLayer(LegacyLayer layer) const override;

  // Asked of the host on each call.
  uint8_t GetPwrGnd() const;
  uint8_t GetStackMode() const { return stack_mode_; }
  void SetStackMode(uint8_t value) {
    if (value != stack_mode_) stack_mode_ = value;
  }
  uint8_t GetTopCornerPercentage() const {
    ReadStack();
    return top_percent_;
  }
  uint8_t GetMidCornerPercentage() const {
    ReadStack();
    return mid_percent_;
  }
  uint8_t GetBotCornerPercentage() const {
    ReadStack();
    return bot_percent_;
  }
  void SetCornerPercentages(uint8_t top, uint8_t mid, uint8_t bottom);

 protected:
  struct LayerEntry {
    Coord x_size = 0, y_size = 0;
    Coord corner_radius = 0;
    pcbapi::Byte shape = 0, corner_percent = 0;
  };
  const LayerEntry* EntryOn(LegacyLayer layer) const;
  bool HasRoundedLayer() const;
  CornerPoint CornerOnLayer(int corner, LegacyLayer layer, Coord margin) const;
  CornerPoint LineEnd(LegacyLayer layer, bool second) const;

  // The per-layer stack of the last read, asked of the host at the first use.
  void ReadStack() const;

  // Changed directly only once read (ReadStack).
  mutable std::array<LayerEntry, kLayerCount> stack_{};

 private:
  mutable bool stack_read_ = true;  // nothing to ask before the first read
  pcbapi::Byte read_stack_mode_ = 0;

  Coord top_x_ = 0, top_y_ = 0, mid_x_ = 0, mid_y_ = 0, bot_x_ = 0, bot_y_ = 0, hole_size_ = 0;
  pcbapi::Byte top_shape_ = 0, mid_shape_ = 0, bot_shape_ = 0;
  pcbapi::Text20 name_{};
  pcbapi::Byte plated_ = 0, hole_shape_ = 0;
  double rotation_ = 0;
  pcbapi::Text20 swap_id_pad_{}, swap_id_part_{};
  int32_t hole_width_ = 0;
  pcbapi::Text20 swap_id_group_{};
  pcbapi::Byte electrical_type_ = 0, hole_type_ = 0;
  int32_t paste_expansion_ = 0;
  double hole_rotation_ = 0;
  int32_t solder_expansion_ = 0, drill_layer_pair_ = 0, pin_package_length_ = 0;
  pcbapi::Byte aux_flag3_ = 0, aux_flag4_ = 0;
  mutable pcbapi::Byte top_percent_ = 0, mid_percent_ = 0, bot_percent_ = 0;
  pcbapi::Byte stack_mode_ = 0;
};

}  // namespace sdk
