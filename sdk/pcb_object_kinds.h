// The kinds of board objects (all but the pad, sdk/pcb_pad.h): each adds the fields of its
// host record, sets its kind and defaults, exchanges its record in Sync and overrides the
// accessors of the values it holds. The parameter order of each exchange is the host's.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sdk/pcb_object.h"

namespace sdk {

using pcbapi::Byte;

class TPcbTrack : public TPCBObject {
 public:
  explicit TPcbTrack(Handle handle);
  int Sync(Mode mode) override;
  void MoveByXY(Coord dx, Coord dy) override;
  Coord GetX2() const override { return x2_; }
  Coord GetY2() const override { return y2_; }
  Coord GetWidth() const override { return width_; }
  int32_t GetAuxValue1() const override { return aux_value1_; }
  int32_t GetAuxValue2() const override { return aux_value2_; }
  int32_t GetAuxValue3() const override { return aux_value3_; }
  void SetX2(Coord value) override { x2_ = value; }
  void SetY2(Coord value) override { y2_ = value; }
  void SetWidth(Coord value) override { width_ = value; }
  void SetAuxValue1(int32_t value) override { aux_value1_ = value; }
  void SetAuxValue2(int32_t value) override { aux_value2_ = value; }
  void SetAuxValue3(int32_t value) override { aux_value3_ = value; }

 private:
  Coord x2_ = 0, y2_ = 0, width_ = 0;
  int32_t aux_value1_ = 0, aux_value2_ = 0, aux_value3_ = 0;
};

class TPcbVia : public TPCBObject {
 public:
  explicit TPcbVia(Handle handle);
  int Sync(Mode mode) override;
  Coord GetSize() const override { return size_; }
  Coord GetHoleSize() const override { return hole_size_; }
  // The record's first two flag bytes are the via's drill span: its low and high legacy layer.
  // As flags they only say whether a layer is set.
  bool GetAuxFlag1() const override { return low_layer_ != 0; }
  bool GetAuxFlag2() const override { return high_layer_ != 0; }
  bool GetAuxFlag3() const override { return aux_flag3_ != 0; }
  bool GetAuxFlag4() const override { return aux_flag4_ != 0; }
  LegacyLayer GetLowLayer() const { return low_layer_; }
  LegacyLayer GetHighLayer() const { return high_layer_; }
  void SetSize(Coord value) override { size_ = value; }
  void SetHoleSize(Coord value) override { hole_size_ = value; }
  void SetAuxFlag1(bool value) override { low_layer_ = value; }
  void SetAuxFlag2(bool value) override { high_layer_ = value; }
  void SetAuxFlag3(bool value) override { aux_flag3_ = value; }
  void SetAuxFlag4(bool value) override { aux_flag4_ = value; }
  void SetDrillLayers(LegacyLayer low, LegacyLayer high) {
    low_layer_ = low;
    high_layer_ = high;
  }
  // Asked of the host on each call: 0 when it fails or is absent.
  Coord GetSizeOnLayer(LegacyLayer layer) const override;
  uint8_t GetShapeOnLayer(LegacyLayer layer) const override;

 private:
  Coord size_ = 0, hole_size_ = 0;
  LegacyLayer low_layer_ = 0, high_layer_ = 0;
  Byte aux_flag3_ = 0, aux_flag4_ = 0;
};

class TPcbArc : public TPCBObject {
 public:
  explicit TPcbArc(Handle handle);
  int Sync(Mode mode) override;
  Coord GetRadius() const override { return radius_; }
  double GetStartAngle() const override { return start_angle_; }
  double GetEndAngle() const override { return end_angle_; }
  Coord GetLineWidth() const override { return line_width_; }
  int32_t GetAuxValue1() const override { return aux_value1_; }
  void SetRadius(Coord value) override { radius_ = value; }
  void SetStartAngle(double value) override { start_angle_ = value; }
  void SetEndAngle(double value) override { end_angle_ = value; }
  void SetLineWidth(Coord value) override { line_width_ = value; }
  void SetAuxValue1(int32_t value) override { aux_value1_ = value; }
  // The end points on the circle, rounded to the nearest unit (halves to even).
  Coord GetStartX() const;
  Coord GetStartY() const;
  Coord GetEndX() const;
  Coord GetEndY() const;

 private:
  Coord radius_ = 0, line_width_ = 0;
  double start_angle_ = 0, end_angle_ = 0;
  int32_t aux_value1_ = 0;
};

class TPcbFill : public TPCBObject {
 public:
  explicit TPcbFill(Handle handle);
  int Sync(Mode mode) override;
  void MoveByXY(Coord dx, Coord dy) override;
  Coord GetX2() const override { return x2_; }
  Coord GetY2() const override { return y2_; }
  int32_t GetAuxValue1() const override { return aux_value1_; }
  double GetRotation() const override { return rotation_; }
  void SetX2(Coord value) override { x2_ = value; }
  void SetY2(Coord value) override { y2_ = value; }
  void SetAuxValue1(int32_t value) override { aux_value1_ = value; }
  void SetRotation(double value) override { rotation_ = value; }

 private:
  Coord x2_ = 0, y2_ = 0;
  int32_t aux_value1_ = 0;
  double rotation_ = 0;
};

class TPCBRegion : public TPCBObject {
 public:
  explicit TPCBRegion(Handle handle);
  int Sync(Mode mode) override;

 private:
  Coord box_x1_ = 0, box_y1_ = 0, box_x2_ = 0, box_y2_ = 0;
  Byte region_kind_ = 0;
  int32_t vertex_count_ = 0, hole_count_ = 0;
};

class TPcbText : public TPCBObject {
 public:
  explicit TPcbText(Handle handle);
  int Sync(Mode mode) override;
  Coord GetSize() const override { return size_; }
  int32_t GetAuxValue4() const override { return aux_value4_; }
  double GetRotation() const override { return rotation_; }
  bool GetAuxFlag5() const override { return aux_flag5_ != 0; }
  std::string GetText() const override { return FromText(text_); }
  Coord GetWidth() const override { return width_; }
  Coord GetLineWidth() const override { return width_; }
  int32_t GetAuxValue2() const override { return aux_value2_; }
  int32_t GetAuxValue3() const override { return aux_value3_; }
  void SetSize(Coord value) override { size_ = value; }
  void SetAuxValue4(int32_t value) override { aux_value4_ = value; }
  void SetRotation(double value) override { rotation_ = value; }
  void SetAuxFlag5(bool value) override { aux_flag5_ = value; }
  void SetText(const std::string& value) override { ToText(text_, value); }
  void SetLineWidth(Coord value) override { width_ = value; }
  void SetAuxValue2(int32_t value) override { aux_value2_ = value; }
  void SetAuxValue3(int32_t value) override { aux_value3_ = value; }
  // The host's display form of the text (special strings resolved), as of the last Sync.
  const std::string& GetDisplayText() const { return display_text_; }
  std::string GetFontName() const { return FromText(font_name_); }
  bool IsTrueType() const { return true_type_ != 0; }

 private:
  Coord size_ = 0, width_ = 0;
  int32_t aux_value4_ = 0, aux_value2_ = 0, aux_value3_ = 0;
  double rotation_ = 0;
  Byte aux_flag5_ = 0;
  pcbapi::Text254 text_{};
  Byte true_type_ = 0;
  pcbapi::Text255 font_name_{};
  Byte bold_ = 0, italic_ = 0, inverted_ = 0;
  Coord true_type_length_ = 200000;  // 20 mil
  std::string display_text_;
  Byte bar_code_kind_ = 0, render_mode_ = 0, show_text_ = 0, bar_code_inverted_ = 0;
};

class TPcbEmbeddedBoard : public TPCBObject {
 public:
  explicit TPcbEmbeddedBoard(Handle handle);
  int Sync(Mode mode) override;
  bool GetAuxFlag5() const override { return aux_flag5_ != 0; }
  void SetAuxFlag5(bool value) override { aux_flag5_ = value; }

 private:
  pcbapi::Text255 document_{};
  int32_t row_count_ = 0, column_count_ = 0;
  Coord row_spacing_ = 0, column_spacing_ = 0;
  double rotation_ = 0;
  Byte aux_flag5_ = 0, origin_mode_ = 0;
};

// A connection line of a net (kind 7).
class TPcbFromTo : public TPCBObject {
 public:
  explicit TPcbFromTo(Handle handle);
  int Sync(Mode mode) override;
  Coord GetX2() const override { return x2_; }
  Coord GetY2() const override { return y2_; }
  bool GetAuxFlag6() const override { return aux_flag6_ != 0; }
  bool GetAuxFlag7() const override { return aux_flag7_ != 0; }
  void SetX2(Coord value) override { x2_ = value; }
  void SetY2(Coord value) override { y2_ = value; }
  void SetAuxFlag6(bool value) override { aux_flag6_ = value; }
  void SetAuxFlag7(bool value) override { aux_flag7_ = value; }

 private:
  Coord x2_ = 0, y2_ = 0;
  Byte aux_flag6_ = 0, aux_flag7_ = 0;
};

// A from-to that the user defined (kind 17). Its ObjectId stays 0, as the host's callers know it.
class TPcbManualFromTo : public TPCBObject {
 public:
  explicit TPcbManualFromTo(Handle handle);
  int Sync(Mode mode) override;
  std::string GetNetName() const { return FromText(net_name_); }
  std::string GetFromPin() const { return FromText(from_pin_); }
  std::string GetToPin() const { return FromText(to_pin_); }

 private:
  pcbapi::Text255 net_name_{}, from_pin_{}, to_pin_{};
  int32_t route_order_ = 0;
};

class TPcbComponentBody : public TPCBObject {
 public:
  explicit TPcbComponentBody(Handle handle);
};

class TPcbDifferentialPair : public TPCBObject {
 public:
  explicit TPcbDifferentialPair(Handle handle);
};

// Objects that hold other objects: their handle serves as an iteration container.
class TPcbGroupObject : public TPCBObject {
 public:
  using TPCBObject::TPCBObject;
  // The objects that iterators on this object deliver for each kind 0..25 and each legacy layer
  // 0..82 of the sets (iteration method 0); an object on several of the layers counts on each.
  int GetMemberCount(KindSet kinds, const LegacyLayerSet& layers) const;
};

class TPcbCoordinate : public TPcbGroupObject {
 public:
  explicit TPcbCoordinate(Handle handle);
  int Sync(Mode mode) override;

 private:
  Coord size_ = 0, line_width_ = 0, text_height_ = 0, text_width_ = 0;
  int32_t font_ = 0, style_ = 0;
};

struct TDimensionReference {
  int32_t object = 0, point = 0;
  Coord x = 0, y = 0;
};

class TPcbDimension : public TPcbGroupObject {
 public:
  static constexpr int kReferenceCapacity = pcbapi::kDimensionReferenceCapacity;
  explicit TPcbDimension(Handle handle);
  int Sync(Mode mode) override;
  int GetReferenceCount() const { return reference_count_; }
  const TDimensionReference& GetReference(int index) const { return references_[index]; }

 private:
  Coord x2_ = 0, y2_ = 0, line_width_ = 0, text_height_ = 0, text_width_ = 0;
  int32_t font_ = 0, precision_ = 0;
  Byte dimension_kind_ = 8;
  int32_t reference_count_ = 0;
  TDimensionReference references_[kReferenceCapacity];
  Byte text_position_ = 0;
  Coord text_gap_ = 0, arrow_size_ = 0, arrow_length_ = 0;
  Byte arrow_position_ = 0;
  Coord extension_gap_ = 0;
  pcbapi::Text255 prefix_{};
  Byte unit_ = 0;
  Coord extension_offset_ = 0;
  pcbapi::Text255 suffix_{}, font_name_{};
  double angle_ = 0;
  Coord extension_width_ = 0, arrow_width_ = 0;
  int32_t style_ = 0;
  Byte bold_ = 0;
  Coord x3_ = 0, y3_ = 0;
  int32_t value_ = 0;
};

class TPcbPolygon : public TPcbGroupObject {
 public:
  explicit TPcbPolygon(Handle handle);
  int Sync(Mode mode) override;
  int GetSegmentCount() const { return segment_count_; }
  const pcbapi::OutlineSegment& GetSegment(int index) const { return outline_->segments[index]; }

 private:
  Byte pour_over_ = 0, remove_dead_ = 0, hatch_style_ = 0;
  Coord grid_ = 0, track_width_ = 0;
  Byte use_octagons_ = 0, remove_islands_ = 0;
  Coord min_prim_length_ = 0;
  Byte polygon_kind_ = 0;
  int32_t segment_count_ = 0;
  std::unique_ptr<pcbapi::OutlineBlock> outline_;  // 185037 bytes: kept off the stack
};

class TPcbBoardOutline : public TPcbPolygon {
 public:
  explicit TPcbBoardOutline(Handle handle);
};

class TPcbSplitPlane : public TPcbGroupObject {
 public:
  explicit TPcbSplitPlane(Handle handle);
  int Sync(Mode mode) override;

 private:
  Byte is_island_ = 0;
  int32_t segment_count_ = 0;
  std::unique_ptr<pcbapi::OutlineBlock> outline_;
};

class TPcbComponent : public TPcbGroupObject {
 public:
  explicit TPcbComponent(Handle handle);
  int Sync(Mode mode) override;
  // The text of the component's designator object.
  std::string GetName() const override;
  double GetRotation() const override { return rotation_; }
  Handle GetDesignatorHandle() const { return static_cast<Handle>(designator_); }
  std::string GetFootprint() const { return FromText(footprint_); }

 private:
  int32_t channel_offset_ = 0, component_kind_ = 0;
  int32_t designator_ = 0, comment_ = 0;
  pcbapi::Text250 footprint_{};
  Byte name_on_ = 0, comment_on_ = 0;
  Coord height_ = 0;
  double rotation_ = 0;
  Byte locked_ = 0;
  int32_t union_index_ = 0;
  Byte lock_strings_ = 0, pin_swapping_ = 0;
  int32_t channel_ = 0;
  pcbapi::Text255 source_links_[8] = {};
  pcbapi::Text255 model_{};
};

class TPcbNet : public TPcbGroupObject {
 public:
  explicit TPcbNet(Handle handle);
  int Sync(Mode mode) override;
  std::string GetName() const override { return FromText(name_); }
  void SetName(const std::string& value) override { ToText(name_, value); }
  // Iterates the net's own objects of the kinds and layers, in the manner of IterateContainer.
  void IterateMembers(KindSet kinds, const LegacyLayerSet& layers, uint8_t method,
                      const std::function<void(Handle object)>& event) const;

 private:
  pcbapi::Text255 name_{};
  Byte visible_ = 0, highlighted_ = 0;
};

// What the members of an object class are (its member kind).
enum ClassMemberKind : uint8_t {
  kNetClassMembers = 0,
  kComponentClassMembers = 1,
  kFromToClassMembers = 2,
};

// A named class of nets, components, from-tos, ... with the names of its members.
class TPCBObjectClass : public TPCBObject {
 public:
  explicit TPCBObjectClass(Handle handle);
  // Reading replaces the member list with the host's; writing replaces the host's members with
  // the list, in order.
  int Sync(Mode mode) override;
  // The class name (the virtual GetName stays neutral for classes).
  std::string Name() const { return FromText(name_); }
  void SetClassName(const std::string& value) { ToText(name_, value); }
  uint8_t GetMemberKind() const { return member_kind_; }
  bool GetAllMembers() const { return all_members_ != 0; }
  const std::vector<std::string>& Members() const { return members_; }
  std::vector<std::string>& Members() { return members_; }

 private:
  Byte member_kind_ = 0, all_members_ = 0;
  pcbapi::Text255 name_{};
  std::vector<std::string> members_;
};

class TPcbEmbedded : public TPCBObject {
 public:
  explicit TPcbEmbedded(Handle handle);
  int Sync(Mode mode) override;
  std::string Name() const { return FromText(name_); }

 private:
  pcbapi::Text255 name_{};
  std::unique_ptr<uint8_t[]> data_;  // kEmbeddedDataSize bytes
};

class TPcbRule : public TPCBObject {
 public:
  explicit TPcbRule(Handle handle);
  int Sync(Mode mode) override;
  uint8_t GetRuleKind() const { return rule_kind_; }
  std::string Name() const { return FromText(texts_[0]); }

 private:
  Byte rule_kind_ = 0, enabled_ = 0, unary_ = 0, defined_by_user_ = 0, net_scope_ = 0,
       layer_kind_ = 0, locked_ = 0;
  pcbapi::Text255 texts_[4] = {};  // name, comment, first scope, second scope
  Byte scope1_kind_ = 0, scope2_kind_ = 0;
  int32_t priority_ = 0, value1_ = 0, value2_ = 0, value3_ = 0;
  pcbapi::Text255 more_texts_[6] = {};  // unique id, then five texts of the host
};

// The short record of a rule: kind, scopes and name.
class TPcbRuleEx : public TPCBObject {
 public:
  explicit TPcbRuleEx(Handle handle);
  int Sync(Mode mode) override;
  std::string Name() const { return FromText(name_); }
  uint8_t GetRuleKind() const { return rule_kind_; }
  bool GetEnabled() const { return enabled_ != 0; }
  int32_t GetPriority() const { return priority_; }
  bool GetUnary() const { return unary_ != 0; }
  std::string GetScope1() const { return FromText(scope1_); }
  std::string GetScope2() const { return FromText(scope2_); }

 private:
  Byte rule_kind_ = 0, enabled_ = 0;
  int32_t priority_ = -1;
  Byte unary_ = 0;
  pcbapi::Text255 scope1_{}, scope2_{}, name_{};
};

class TPcbViolation : public TPCBObject {
 public:
  explicit TPcbViolation(Handle handle);
  int Sync(Mode mode) override;
  std::string Name() const { return FromText(name_); }

 private:
  pcbapi::Text255 name_{}, description_{};
  Handle rule_ = 0, first_object_ = 0, second_object_ = 0;
};

}  // namespace sdk
