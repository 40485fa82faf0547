// The board object model's base: TPCBObject, the module's copy of one host board object (its
// handle and a record of its values, exchanged with the PCB editor in both directions), the
// factory that makes the right kind for a handle, and readers of one value through a temporary
// object.
//
// Every accessor is virtual with a neutral default, so code can read any object through the
// base; each kind overrides only the values its record carries (sdk/pcb_object_kinds.h,
// sdk/pcb_pad.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "sdk/layers.h"
#include "sdk/pcb_api.h"

namespace sdk {

using TPcbObjectKind = pcbapi::ObjectKind;

// The legacy layer byte of a layer identity, by its partition: 0 no layer, 1 top, 2..31 mid
// (extended mid layers count as MidLayer30), 32 bottom, 39..54 planes and 57..72 mechanical
// layers (indexes above 16 count as the 16th), the fixed legacy layers at their numbers.
// A partition that has no legacy byte is an assertion failure.
LegacyLayer LayerToLegacyLayer(TLayer layer);

// One corner of a box of size w x h about (cx, cy), turned counter-clockwise by `radians`;
// corner 1 is the (-w/2, -h/2) corner, 2 (+w/2, -h/2), 3 (-w/2, +h/2), 4 (+w/2, +h/2). Each
// coordinate is rounded to the nearest integer, halves to even. A box of no height ignores the
// rotation: its corners lie on the centre line at cx -/+ w/2.
struct CornerPoint {
  Coord x, y;
};
CornerPoint BoxCorner(int corner, double cx, double cy, double w, double h, double radians);

class TPCBObject {
 public:
  explicit TPCBObject(Handle handle);
  virtual ~TPCBObject() = default;
  TPCBObject(const TPCBObject&) = delete;
  TPCBObject& operator=(const TPCBObject&) = delete;

  // Mode 1 reads the host object into the fields, 0 writes the fields to it (other values pass
  // to the host unchanged). 0 = success.
  virtual int Sync(Mode mode);

  virtual int GetBoundingRectangle(Coord* x1, Coord* y1, Coord* x2, Coord* y2) const;
  virtual void MoveByXY(Coord dx, Coord dy);
  virtual bool ImportFromUser() const;
  virtual int GraphicallyInvalidate() const;

  // ---- Flag bits ----
  virtual bool GetFlag4() const { return FlagBit(4); }
  virtual bool GetBitField2Bit4() const { return BitField2Bit(4); }
  virtual bool GetBitField2Bit0() const { return BitField2Bit(0); }
  virtual bool GetBitField2Bit1() const { return BitField2Bit(1); }
  virtual bool GetBitField2Bit3() const { return BitField2Bit(3); }
  virtual bool GetBitField2Bit5() const { return BitField2Bit(5); }
  virtual bool GetBitField2Bit6() const { return BitField2Bit(6); }
  virtual void SetFlag4(bool value) { SetFlagBit(4, value); }
  virtual bool GetFlag3() const { return FlagBit(3); }
  // Writes the whole record back.
  virtual void SetFlag3(bool value);
  virtual bool GetNotFlag8() const { return !FlagBit(8); }
  // Clears bit 8 for true, sets it for false, and writes the whole record back.
  virtual void SetNotFlag8(bool value);
  virtual bool GetBitField3Bit1Or2() const { return GetBitField3Bit1() || GetBitField3Bit2(); }
  virtual void SetBitField3Bits1And2(bool value);
  virtual bool GetBitField3Bit1() const { return BitField3Bit(1); }
  virtual void SetBitField3Bit1(bool value) { SetBitField3Bit(1, value); }
  virtual bool GetBitField3Bit2() const { return BitField3Bit(2); }
  virtual void SetBitField3Bit2(bool value) { SetBitField3Bit(2, value); }
  // Test-point marks: kept in the copy until the caller's own Sync(0).
  virtual bool GetTestPointTop() const { return FlagBit(11); }
  virtual void SetTestPointTop(bool value) { SetFlagBit(11, value); }
  virtual bool GetTestPointBottom() const { return FlagBit(13); }
  virtual void SetTestPointBottom(bool value) { SetFlagBit(13, value); }
  virtual bool GetAuxFlag3() const { return false; }
  virtual void SetAuxFlag3(bool) {}
  virtual bool GetAuxFlag4() const { return false; }
  virtual void SetAuxFlag4(bool) {}
  virtual bool GetFlag12() const { return FlagBit(12); }
  virtual void SetFlag12(bool value) { SetFlagBit(12, value); }
  virtual bool GetFlag14() const { return FlagBit(14); }
  virtual void SetFlag14(bool value) { SetFlagBit(14, value); }
  virtual bool GetFlag15() const { return FlagBit(15); }
  virtual void SetFlag15(bool value) { SetFlagBit(15, value); }

  // ---- Common fields ----
  virtual Handle GetHandle() const { return handle_; }
  virtual uint8_t GetObjectId() const { return object_id_; }
  virtual Coord GetX() const { return x_; }
  virtual Coord GetY() const { return y_; }
  virtual Coord GetX2() const { return x_; }
  virtual Coord GetY2() const { return y_; }
  virtual uint16_t GetFlags() const { return flags_; }
  virtual uint16_t GetAuxWord() const { return aux_word_; }
  // The legacy layer number of the Layer field.
  virtual LegacyLayer GetLayer() const { return GetLegacyLayer(); }
  virtual uint8_t GetAuxByte() const { return aux_byte_; }
  virtual Handle GetNetHandle() const { return net_handle_; }
  virtual int32_t GetAuxInteger() const { return aux_integer_; }

  // ---- Values of some kinds: neutral here ----
  virtual int32_t GetAuxValue1() const { return 0; }
  virtual int32_t GetAuxValue2() const { return 0; }
  virtual int32_t GetAuxValue3() const { return 0; }
  virtual Coord GetTopXSize() const { return 0; }
  virtual Coord GetTopYSize() const { return 0; }
  virtual Coord GetMidXSize() const { return 0; }
  virtual Coord GetMidYSize() const { return 0; }
  virtual Coord GetBotXSize() const { return 0; }
  virtual Coord GetBotYSize() const { return 0; }
  virtual Coord GetHoleSize() const { return 0; }
  virtual uint8_t GetTopShape() const { return 0; }
  virtual uint8_t GetMidShape() const { return 0; }
  virtual uint8_t GetBotShape() const { return 0; }
  virtual std::string GetName() const { return {}; }
  virtual double GetRotation() const { return 0.0; }
  virtual Coord GetWidth() const { return 0; }
  virtual uint8_t GetShape() const { return 0; }
  virtual Coord GetSize() const { return 0; }
  virtual Coord GetXSize() const { return GetSize(); }
  virtual Coord GetYSize() const { return GetSize(); }
  virtual bool GetAuxFlag1() const { return false; }
  virtual bool GetAuxFlag2() const { return false; }
  virtual Coord GetRadius() const { return 0; }
  virtual double GetStartAngle() const { return 0.0; }
  virtual double GetEndAngle() const { return 0.0; }
  virtual Coord GetLineWidth() const { return 0; }
  // Each asks the host for the bounding rectangle afresh.
  virtual Coord GetBoundingX1() const;
  virtual Coord GetBoundingY1() const;
  virtual Coord GetBoundingX2() const;
  virtual Coord GetBoundingY2() const;
  virtual int32_t GetAuxValue4() const { return 0; }
  virtual bool GetAuxFlag5() const { return false; }
  virtual std::string GetText() const { return {}; }
  virtual bool GetAuxFlag6() const { return false; }
  virtual bool GetAuxFlag7() const { return false; }

  // ---- Corners of the box (X, Y)-(X2, Y2) grown by `margin`, turned by the rotation ----
  virtual Coord GetCorner1X(Coord margin) const { return Corner(1, margin).x; }
  virtual Coord GetCorner1Y(Coord margin) const { return Corner(1, margin).y; }
  virtual Coord GetCorner2X(Coord margin) const { return Corner(2, margin).x; }
  virtual Coord GetCorner2Y(Coord margin) const { return Corner(2, margin).y; }
  virtual Coord GetCorner3X(Coord margin) const { return Corner(3, margin).x; }
  virtual Coord GetCorner3Y(Coord margin) const { return Corner(3, margin).y; }
  virtual Coord GetCorner4X(Coord margin) const { return Corner(4, margin).x; }
  virtual Coord GetCorner4Y(Coord margin) const { return Corner(4, margin).y; }

  // ---- On one legacy layer: the unqualified value on the object's own layer, else 0 ----
  virtual Coord GetSizeOnLayer(LegacyLayer layer) const;
  virtual Coord GetXSizeOnLayer(LegacyLayer layer) const;
  virtual Coord GetYSizeOnLayer(LegacyLayer layer) const;
  virtual uint8_t GetShapeOnLayer(LegacyLayer layer) const;
  virtual Coord GetWidthOnLayer(LegacyLayer layer) const;
  virtual Coord GetCorner1XOnLayer(LegacyLayer layer, Coord margin) const;
  virtual Coord GetCorner1YOnLayer(LegacyLayer layer, Coord margin) const;
  virtual Coord GetCorner2XOnLayer(LegacyLayer layer, Coord margin) const;
  virtual Coord GetCorner2YOnLayer(LegacyLayer layer, Coord margin) const;
  virtual Coord GetCorner3XOnLayer(LegacyLayer layer, Coord margin) const;
  virtual Coord GetCorner3YOnLayer(LegacyLayer layer, Coord margin) const;
  virtual Coord GetCorner4XOnLayer(LegacyLayer layer, Coord margin) const;
  virtual Coord GetCorner4YOnLayer(LegacyLayer layer, Coord margin) const;
  virtual Coord GetXOnLayer(LegacyLayer layer) const;
  virtual Coord GetYOnLayer(LegacyLayer layer) const;
  virtual Coord GetX2OnLayer(LegacyLayer layer) const;
  virtual Coord GetY2OnLayer(LegacyLayer layer) const;

  // ---- Setters of the common fields ----
  virtual void SetHandle(Handle value) { handle_ = value; }
  virtual void SetObjectId(uint8_t value) { object_id_ = value; }
  virtual void SetX(Coord value) { x_ = value; }
  virtual void SetY(Coord value) { y_ = value; }
  virtual void SetX2(Coord) {}
  virtual void SetY2(Coord) {}
  virtual void SetFlags(uint16_t value) { flags_ = value; }
  virtual void SetAuxWord(uint16_t value) { aux_word_ = value; }
  // Takes a legacy layer number.
  virtual void SetLayer(LegacyLayer value) { SetLegacyLayer(value); }
  virtual void SetAuxByte(uint8_t value) { aux_byte_ = value; }
  virtual void SetNetHandle(Handle value) { net_handle_ = value; }
  virtual void SetAuxInteger(int32_t value) { aux_integer_ = value; }

  // ---- Setters of values of some kinds: nothing here ----
  virtual void SetAuxValue1(int32_t) {}
  virtual void SetAuxValue2(int32_t) {}
  virtual void SetAuxValue3(int32_t) {}
  virtual void SetTopXSize(Coord) {}
  virtual void SetTopYSize(Coord) {}
  virtual void SetMidXSize(Coord) {}
  virtual void SetMidYSize(Coord) {}
  virtual void SetBotXSize(Coord) {}
  virtual void SetBotYSize(Coord) {}
  virtual void SetHoleSize(Coord) {}
  virtual void SetTopShape(uint8_t) {}
  virtual void SetMidShape(uint8_t) {}
  virtual void SetBotShape(uint8_t) {}
  virtual void SetName(const std::string&) {}
  virtual void SetRotation(double) {}
  virtual void SetWidth(Coord) {}
  virtual void SetShape(uint8_t) {}
  virtual void SetSize(Coord) {}
  virtual void SetXSize(Coord) {}
  virtual void SetYSize(Coord) {}
  virtual void SetAuxFlag1(bool) {}
  virtual void SetAuxFlag2(bool) {}
  virtual void SetRadius(Coord) {}
  virtual void SetStartAngle(double) {}
  virtual void SetEndAngle(double) {}
  virtual void SetLineWidth(Coord) {}
  virtual void SetAuxValue4(int32_t) {}
  virtual void SetAuxFlag5(bool) {}
  virtual void SetText(const std::string&) {}
  virtual void SetAuxFlag6(bool) {}
  virtual void SetAuxFlag7(bool) {}

  // ---- Not virtual ----
  LegacyLayer GetLegacyLayer() const { return LayerToLegacyLayer(layer_); }
  void SetLegacyLayer(LegacyLayer layer) { layer_ = LegacyLayerToLayer(layer); }
  TLayer GetLayerId() const { return layer_; }
  uint8_t GetBitField2() const { return bit_field2_; }
  uint8_t GetBitField3() const { return bit_field3_; }

 protected:
  // BitField2 and BitField3 through their exchanges: the first step of every Sync.
  void SyncBitFields(Mode mode);
  // True when the legacy layer names this object's layer.
  bool IsOnLayer(LegacyLayer layer) const { return LegacyLayerToLayer(layer) == layer_; }
  CornerPoint Corner(int corner, Coord margin) const;

  Handle handle_ = 0;
  uint8_t object_id_ = 0;
  Coord x_ = 0, y_ = 0;
  uint16_t flags_ = 0;
  uint8_t bit_field2_ = 0;
  uint8_t bit_field3_ = 0;
  uint16_t aux_word_ = 0;
  uint8_t aux_byte_ = 0;
  Handle net_handle_ = 0;
  int32_t aux_integer_ = 0;
  TLayer layer_ = NoLayer;

 private:
  bool FlagBit(int bit) const { return (flags_ >> bit & 1) != 0; }
  void SetFlagBit(int bit, bool value);
  bool BitField2Bit(int bit) const { return (bit_field2_ >> bit & 1) != 0; }
  bool BitField3Bit(int bit) const { return (bit_field3_ >> bit & 1) != 0; }
  void SetBitField3Bit(int bit, bool value);
  int BoundingValue(int index) const;
};

// The object of a host handle, made by its kind and read with Sync(1); null for a 0 handle and
// for the kinds without a class (none, trace, spare via, board, 27 and above).
std::unique_ptr<TPCBObject> CreatePcbObject(Handle handle);
// The same object read into a temporary on the stack and handed to `read`; nothing happens for
// the handles CreatePcbObject gives no object. Walks over many objects spare a heap object each.
void ReadPcbObject(Handle handle, const std::function<void(const TPCBObject&)>& read);

// One value of a host object through a temporary object; the neutral value for a 0 handle or a
// kind without a class.
LegacyLayer GetObjectLayerByHandle(Handle handle);
Handle GetObjectNetByHandle(Handle handle);
int32_t GetObjectAuxIntegerByHandle(Handle handle);
std::string GetObjectNameByHandle(Handle handle);
std::string GetObjectTextByHandle(Handle handle);

// Length-prefixed texts of the record exchanges.
template <int N>
std::string_view TextView(const pcbapi::Text<N>& text) {
  return {text.chars, text.length <= N ? text.length : static_cast<size_t>(N)};
}
template <int N>
std::string FromText(const pcbapi::Text<N>& text) {
  return std::string(TextView(text));
}
template <int N>
void ToText(pcbapi::Text<N>& text, const std::string& value) {
  const size_t length = value.size() < static_cast<size_t>(N) ? value.size() : N;
  text.length = static_cast<uint8_t>(length);
  value.copy(text.chars, length);
}
template <int N>
pcbapi::Text<N> MakeText(const std::string& value) {
  pcbapi::Text<N> text{};
  ToText(text, value);
  return text;
}

}  // namespace sdk
