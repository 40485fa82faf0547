// Record exchanges and accessors of the board object kinds.
#include "sdk/pcb_object_kinds.h"

#include <cmath>
#include <cstring>

#include "sdk/units.h"

namespace sdk {

namespace {

// An angle in degrees reduced into [0, 360), in radians.
double ReducedRadians(double degrees) {
  while (degrees < 0) degrees += 360;
  while (degrees >= 360) degrees -= 360;
  return DegreesToRadians(degrees);
}

Coord RoundToCoord(double value) {
  return static_cast<Coord>(std::nearbyint(value));  // halves to even
}

// Failure when either exchange failed.
int EitherFailed(int first, int second) { return first != pcbapi::kSuccess ? first : second; }

}  // namespace

// ---- Track -----------------------------------------------------------------------------------

TPcbTrack::TPcbTrack(Handle handle) : TPCBObject(handle) { object_id_ = pcbapi::kTrack; }

int TPcbTrack::Sync(Mode mode) {
  SyncBitFields(mode);
  return PcbApi_QueryTrack(mode, handle_, &flags_, &aux_word_, &layer_, &net_handle_, &aux_byte_,
                           &aux_integer_, &x_, &y_, &x2_, &y2_, &width_, &aux_value1_, &aux_value2_,
                           &aux_value3_);
}

void TPcbTrack::MoveByXY(Coord dx, Coord dy) {
  TPCBObject::MoveByXY(dx, dy);
  x2_ += dx;
  y2_ += dy;
}

// ---- Via -------------------------------------------------------------------------------------

TPcbVia::TPcbVia(Handle handle) : TPCBObject(handle) { object_id_ = pcbapi::kVia; }

int TPcbVia::Sync(Mode mode) {
  SyncBitFields(mode);
  LegacyLayer layer = GetLegacyLayer();
  const int result = PcbApi_QueryVia(mode, handle_, &flags_, &aux_word_, &layer, &net_handle_,
                                     &aux_byte_, &aux_integer_, &x_, &y_, &size_, &hole_size_,
                                     &low_layer_, &high_layer_, &aux_flag3_, &aux_flag4_);
  SetLegacyLayer(layer);
  return result;
}

Coord TPcbVia::GetSizeOnLayer(LegacyLayer layer) const {
  Coord x_size = 0, y_size = 0;
  if (PcbApi_QueryPadOrViaSizeOnLayer(handle_, layer, &x_size, &y_size) != pcbapi::kSuccess) {
    return 0;
  }
  return x_size;
}

uint8_t TPcbVia::GetShapeOnLayer(LegacyLayer layer) const {
  Byte shape = 0;
  if (PcbApi_QueryPadOrViaShapeOnLayer(handle_, layer, &shape) != pcbapi::kSuccess) return 0;
  return shape;
}

// ---- Arc -------------------------------------------------------------------------------------

TPcbArc::TPcbArc(Handle handle) : TPCBObject(handle) { object_id_ = pcbapi::kArc; }

int TPcbArc::Sync(Mode mode) {
  SyncBitFields(mode);
  return PcbApi_QueryArc(mode, handle_, &flags_, &aux_word_, &layer_, &net_handle_, &aux_byte_,
                         &aux_integer_, &x_, &y_, &radius_, &start_angle_, &end_angle_,
                         &line_width_, &aux_value1_);
}

Coord TPcbArc::GetStartX() const {
  return x_ + RoundToCoord(std::cos(ReducedRadians(start_angle_)) * radius_);
}
Coord TPcbArc::GetStartY() const {
  return y_ + RoundToCoord(std::sin(ReducedRadians(start_angle_)) * radius_);
}
Coord TPcbArc::GetEndX() const {
  return x_ + RoundToCoord(std::cos(ReducedRadians(end_angle_)) * radius_);
}
Coord TPcbArc::GetEndY() const {
  return y_ + RoundToCoord(std::sin(ReducedRadians(end_angle_)) * radius_);
}

// ---- Fill ------------------------------------------------------------------------------------

TPcbFill::TPcbFill(Handle handle) : TPCBObject(handle) { object_id_ = pcbapi::kFill; }

int TPcbFill::Sync(Mode mode) {
  SyncBitFields(mode);
  return PcbApi_QueryFill(mode, handle_, &flags_, &aux_word_, &layer_, &net_handle_, &aux_byte_,
                          &aux_integer_, &x_, &y_, &x2_, &y2_, &aux_value1_, &rotation_);
}

void TPcbFill::MoveByXY(Coord dx, Coord dy) {
  TPCBObject::MoveByXY(dx, dy);
  x2_ += dx;
  y2_ += dy;
}

// ---- Region ----------------------------------------------------------------------------------

TPCBRegion::TPCBRegion(Handle handle) : TPCBObject(handle) { object_id_ = pcbapi::kRegion; }

int TPCBRegion::Sync(Mode mode) {
  SyncBitFields(mode);
  // The host takes the third int before the second.
  return PcbApi_QueryRegion(mode, handle_, &region_kind_, &flags_, &aux_word_, &layer_,
                            &net_handle_, &aux_byte_, &aux_integer_, &hole_count_, &vertex_count_,
                            &box_x1_, &box_y1_, &box_x2_, &box_y2_);
}

// ---- Text ------------------------------------------------------------------------------------

TPcbText::TPcbText(Handle handle) : TPCBObject(handle) {
  object_id_ = pcbapi::kTextObject;
  ToText(font_name_, "Arial");
}

int TPcbText::Sync(Mode mode) {
  SyncBitFields(mode);
  const int text_result =
      PcbApi_QueryText(mode, handle_, &flags_, &aux_word_, &layer_, &net_handle_, &aux_byte_,
                       &aux_integer_, &x_, &y_, &size_, &aux_value4_, &rotation_, &aux_flag5_,
                       &text_, &width_, &aux_value2_, &aux_value3_);
  const int true_type_result = PcbApi_QueryTrueTypeTextInfo(
      mode, handle_, &true_type_, &font_name_, &bold_, &italic_, &inverted_, &true_type_length_);
  char display[pcbapi::kDesignatorBufferSize];
  PcbApi_GetDesignatorDisplayString(display, handle_);
  display_text_.assign(display, strnlen(display, 254));
  const int bar_code_result = PcbApi_QueryBarCodeTextInfo(
      mode, handle_, &bar_code_kind_, &render_mode_, &show_text_, &bar_code_inverted_);
  // A failed text record is a failed read, whatever the two info records say.
  return EitherFailed(text_result, EitherFailed(true_type_result, bar_code_result));
}

// ---- Embedded board --------------------------------------------------------------------------

TPcbEmbeddedBoard::TPcbEmbeddedBoard(Handle handle) : TPCBObject(handle) {
  object_id_ = pcbapi::kEmbeddedBoard;
  layer_ = TopLayer;
}

int TPcbEmbeddedBoard::Sync(Mode mode) {
  SyncBitFields(mode);
  return PcbApi_QueryEmbeddedBoard(mode, handle_, &flags_, &aux_word_, &aux_byte_, &x_, &y_,
                                   &document_, &row_count_, &column_count_, &row_spacing_,
                                   &column_spacing_, &rotation_, &aux_flag5_, &origin_mode_);
}

// ---- Connections and from-tos ----------------------------------------------------------------

TPcbFromTo::TPcbFromTo(Handle handle) : TPCBObject(handle) { object_id_ = pcbapi::kConnection; }

int TPcbFromTo::Sync(Mode mode) {
  SyncBitFields(mode);
  return PcbApi_QueryFromTo(mode, handle_, &aux_word_, &x_, &y_, &aux_flag6_, &x2_, &y2_,
                            &aux_flag7_, &net_handle_);
}

TPcbManualFromTo::TPcbManualFromTo(Handle handle) : TPCBObject(handle) {}

int TPcbManualFromTo::Sync(Mode mode) {
  SyncBitFields(mode);
  return PcbApi_QueryManualFromTo(mode, handle_, &aux_word_, &net_name_, &from_pin_, &to_pin_,
                                  &route_order_);
}

// ---- Kinds with only the common record -------------------------------------------------------

TPcbComponentBody::TPcbComponentBody(Handle handle) : TPCBObject(handle) {
  object_id_ = pcbapi::kComponentBody;
}

TPcbDifferentialPair::TPcbDifferentialPair(Handle handle) : TPCBObject(handle) {
  object_id_ = pcbapi::kDifferentialPair;
}

// ---- Groups ----------------------------------------------------------------------------------

int TPcbGroupObject::GetMemberCount(KindSet kinds, const LegacyLayerSet& layers) const {
  int count = 0;
  IterateContainer(handle_, kinds, layers, pcbapi::kAllObjects, [&](Handle) { ++count; });
  return count;
}

TPcbCoordinate::TPcbCoordinate(Handle handle) : TPcbGroupObject(handle) {
  object_id_ = pcbapi::kCoordinate;
}

int TPcbCoordinate::Sync(Mode mode) {
  SyncBitFields(mode);
  return PcbApi_QueryCoordinate(mode, handle_, &flags_, &aux_word_, &aux_byte_, &x_, &y_, &layer_,
                                &size_, &line_width_, &text_height_, &text_width_, &font_, &style_);
}

TPcbDimension::TPcbDimension(Handle handle) : TPcbGroupObject(handle) {
  object_id_ = pcbapi::kDimension;
}

int TPcbDimension::Sync(Mode mode) {
  SyncBitFields(mode);
  const int first = PcbApi_QueryDimension(mode, handle_, &flags_, &aux_word_, &aux_byte_, &x_, &y_,
                                          &x2_, &y2_, &layer_, &line_width_, &text_height_,
                                          &text_width_, &font_, &precision_, &dimension_kind_);
  PcbApi_References_Count(mode, handle_, &reference_count_);
  // The table has a fixed size: a larger count from the host must not write past it.
  if (reference_count_ > kReferenceCapacity) reference_count_ = kReferenceCapacity;
  for (int i = 0; i < reference_count_; ++i) {
    TDimensionReference& entry = references_[i];
    PcbApi_References_At(mode, handle_, i, &entry.object, &entry.point, &entry.x, &entry.y);
  }
  const int last = PcbApi_QueryExtDimension(
      mode, handle_, &text_position_, &text_gap_, &arrow_size_, &arrow_length_, &arrow_position_,
      &extension_gap_, &prefix_, &unit_, &extension_offset_, &suffix_, &font_name_, &angle_,
      &extension_width_, &arrow_width_, &style_, &bold_, &x3_, &y3_, &value_);
  return EitherFailed(first, last);
}

TPcbPolygon::TPcbPolygon(Handle handle)
    : TPcbGroupObject(handle), outline_(std::make_unique<pcbapi::OutlineBlock>()) {
  object_id_ = pcbapi::kPolygon;
}

int TPcbPolygon::Sync(Mode mode) {
  SyncBitFields(mode);
  return PcbApi_QueryPolygon(mode, handle_, &flags_, &aux_word_, &layer_, &net_handle_, &aux_byte_,
                             &pour_over_, &remove_dead_, &hatch_style_, &grid_, &track_width_,
                             &use_octagons_, &remove_islands_, &min_prim_length_, &polygon_kind_,
                             &segment_count_, outline_.get());
}

TPcbBoardOutline::TPcbBoardOutline(Handle handle) : TPcbPolygon(handle) {
  object_id_ = pcbapi::kBoardOutline;
}

TPcbSplitPlane::TPcbSplitPlane(Handle handle)
    : TPcbGroupObject(handle), outline_(std::make_unique<pcbapi::OutlineBlock>()) {
  object_id_ = pcbapi::kSplitPlane;
}

int TPcbSplitPlane::Sync(Mode mode) {
  SyncBitFields(mode);
  return PcbApi_QuerySplitPlane(mode, handle_, &flags_, &aux_word_, &layer_, &net_handle_,
                                &aux_byte_, &is_island_, &segment_count_, outline_.get());
}

// ---- Component -------------------------------------------------------------------------------

TPcbComponent::TPcbComponent(Handle handle) : TPcbGroupObject(handle) {
  object_id_ = pcbapi::kComponent;
}

int TPcbComponent::Sync(Mode mode) {
  SyncBitFields(mode);
  PcbApi_QueryComponentChannelOffset(mode, handle_, &channel_offset_);
  PcbApi_QueryComponentKind(mode, handle_, &component_kind_);
  LegacyLayer layer = GetLegacyLayer();
  const int result = PcbApi_QueryComponent(mode, handle_, &flags_, &aux_word_, &layer, &aux_byte_,
                                           &designator_, &comment_, &footprint_, &name_on_,
                                           &comment_on_, &x_, &y_, &height_, &rotation_, &locked_);
  SetLegacyLayer(layer);
  PcbApi_QueryComponentEx(mode, handle_, &union_index_, &lock_strings_, &pin_swapping_, &channel_);
  PcbApi_QueryComponentSourceLinks(mode, handle_, &source_links_[0], &source_links_[1],
                                   &source_links_[2], &source_links_[3], &source_links_[4],
                                   &source_links_[5], &source_links_[6], &source_links_[7]);
  PcbApi_QueryDefaultPCB3DModel(mode, handle_, &model_);
  return result;
}

std::string TPcbComponent::GetName() const {
  return GetObjectTextByHandle(static_cast<Handle>(designator_));
}

// ---- Net -------------------------------------------------------------------------------------

TPcbNet::TPcbNet(Handle handle) : TPcbGroupObject(handle) { object_id_ = pcbapi::kNet; }

int TPcbNet::Sync(Mode mode) {
  SyncBitFields(mode);
  return PcbApi_QueryNet(mode, handle_, &aux_word_, &name_, &visible_, &highlighted_);
}

void TPcbNet::IterateMembers(KindSet kinds, const LegacyLayerSet& layers, uint8_t method,
                             const std::function<void(Handle object)>& event) const {
  IterateContainer(handle_, kinds, layers, method, event);
}

// ---- Object class ----------------------------------------------------------------------------

TPCBObjectClass::TPCBObjectClass(Handle handle) : TPCBObject(handle) {
  object_id_ = pcbapi::kClass;
}

int TPCBObjectClass::Sync(Mode mode) {
  SyncBitFields(mode);
  const int result =
      PcbApi_QueryClass(mode, handle_, &aux_word_, &member_kind_, &all_members_, &name_);
  if (mode == pcbapi::kRead) {
    // The list mirrors the host's: a second read must not repeat the names.
    members_.clear();
    pcbapi::Text255 name{};
    for (int32_t index = 0; PcbApi_GetMemberFromClassAt(handle_, index, &name) == pcbapi::kSuccess;
         ++index) {
      members_.push_back(FromText(name));
    }
    return result;
  }
  if (result != pcbapi::kSuccess) return result;
  int last = PcbApi_RemoveAllMembersFromClass(handle_);
  for (const std::string& member : members_) {
    const pcbapi::Text255 name = MakeText<255>(member);
    last = PcbApi_AddMemberToClass(handle_, &name);
  }
  return last;
}

// ---- Embedded object -------------------------------------------------------------------------

TPcbEmbedded::TPcbEmbedded(Handle handle)
    : TPCBObject(handle), data_(std::make_unique<uint8_t[]>(pcbapi::kEmbeddedDataSize)) {
  object_id_ = pcbapi::kEmbedded;
}

int TPcbEmbedded::Sync(Mode mode) {
  SyncBitFields(mode);
  return PcbApi_QueryEmbedded(mode, handle_, &name_, data_.get());
}

// ---- Rules -----------------------------------------------------------------------------------

TPcbRule::TPcbRule(Handle handle) : TPCBObject(handle) { object_id_ = pcbapi::kRule; }

int TPcbRule::Sync(Mode mode) {
  SyncBitFields(mode);
  return PcbApi_QueryRule(mode, handle_, &rule_kind_, &enabled_, &unary_, &defined_by_user_,
                          &net_scope_, &layer_kind_, &locked_, &texts_[0], &texts_[1], &texts_[2],
                          &texts_[3], &scope1_kind_, &scope2_kind_, &priority_, &value1_, &value2_,
                          &value3_, &more_texts_[0], &more_texts_[1], &more_texts_[2],
                          &more_texts_[3], &more_texts_[4], &more_texts_[5]);
}

TPcbRuleEx::TPcbRuleEx(Handle handle) : TPCBObject(handle) {
  object_id_ = pcbapi::kRule;
  layer_ = kLegacyMultiLayer;
  ToText(scope1_, "All");
  ToText(scope2_, "All");
}

int TPcbRuleEx::Sync(Mode mode) {
  SyncBitFields(mode);
  const int result = PcbApi_QueryRuleEx(mode, handle_, &rule_kind_, &enabled_, &priority_, &unary_,
                                        &scope1_, &scope2_);
  if (result != pcbapi::kSuccess) return result;
  return PcbApi_QueryRuleExtEx(mode, handle_, &name_);
}

// ---- Violation -------------------------------------------------------------------------------

TPcbViolation::TPcbViolation(Handle handle) : TPCBObject(handle) {
  object_id_ = pcbapi::kViolation;
}

int TPcbViolation::Sync(Mode mode) {
  SyncBitFields(mode);
  return PcbApi_QueryViolation(mode, handle_, &name_, &description_, &rule_, &first_object_,
                               &second_object_);
}

}  // namespace sdk
