// The look of an in-place editor's frame and buttons: values of its own or, where it has none,
// the defaults its owner answers (the grid styles its editors after its own look).
#pragma once

#include "framework/graphics.h"

namespace editors {

class TdxInplaceEdit;

enum class TdxEditBorderStyle { xbsNone, xbsSingle, xbsThick, xbsFlat, xbs3D };
enum class TdxEditButtonStyle { bts3D, btsFlat, btsSimple, btsHotFlat };
enum class TdxEditButtonTransparence {
  ebtNone,
  ebtInactive,
  ebtAlways,
  ebtHideInactive,
  ebtHideUnselected
};
constexpr unsigned edgLeft = 1, edgTop = 2, edgRight = 4, edgBottom = 8;
constexpr unsigned kAllEdges = edgLeft | edgTop | edgRight | edgBottom;
using TdxEditEdges = unsigned;

// The style's values, in the order their defaults are asked.
enum class TdxEditStyleValue {
  svBorderColor,
  svBorderStyle,
  svButtonStyle,
  svButtonTransparence,
  svEdges,
  svHotTrack,
  svShadow
};
constexpr int kEditStyleValueCount = 7;

class TdxEditStyle {
 public:
  // `editor` (may be null) hears of every change.
  explicit TdxEditStyle(TdxInplaceEdit* editor);
  virtual ~TdxEditStyle() = default;
  TdxEditStyle(const TdxEditStyle&) = delete;
  TdxEditStyle& operator=(const TdxEditStyle&) = delete;

  TdxInplaceEdit* Editor() const noexcept { return editor_; }

  framework::TColor BorderColor() const;
  void SetBorderColor(framework::TColor value);
  TdxEditBorderStyle BorderStyle() const;
  void SetBorderStyle(TdxEditBorderStyle value);
  TdxEditButtonStyle ButtonStyle() const;
  void SetButtonStyle(TdxEditButtonStyle value);
  TdxEditButtonTransparence ButtonTransparence() const;
  void SetButtonTransparence(TdxEditButtonTransparence value);
  TdxEditEdges Edges() const;
  void SetEdges(TdxEditEdges value);
  bool HotTrack() const;
  void SetHotTrack(bool value);
  bool Shadow() const;
  void SetShadow(bool value);

  // Whether the value is the style's own rather than the default.
  bool IsAssigned(TdxEditStyleValue value) const noexcept;
  // Forgets every own value: each reads its default again, asked in the order of the values.
  void RestoreDefaults();

 protected:
  virtual framework::TColor DefaultBorderColor() const { return framework::clWindowFrame; }
  virtual TdxEditBorderStyle DefaultBorderStyle() const { return TdxEditBorderStyle::xbsSingle; }
  virtual TdxEditButtonStyle DefaultButtonStyle() const { return TdxEditButtonStyle::bts3D; }
  virtual TdxEditButtonTransparence DefaultButtonTransparence() const {
    return TdxEditButtonTransparence::ebtNone;
  }
  virtual TdxEditEdges DefaultEdges() const { return kAllEdges; }
  virtual bool DefaultHotTrack() const { return false; }
  virtual bool DefaultShadow() const { return false; }

 private:
  template <class T>
  void Assign(TdxEditStyleValue which, T& field, T value);
  void Changed();

  TdxInplaceEdit* editor_;
  unsigned assigned_ = 0;  // bit i: TdxEditStyleValue i
  framework::TColor border_color_ = framework::clWindowFrame;
  TdxEditBorderStyle border_style_ = TdxEditBorderStyle::xbsSingle;
  TdxEditButtonStyle button_style_ = TdxEditButtonStyle::bts3D;
  TdxEditButtonTransparence button_transparence_ = TdxEditButtonTransparence::ebtNone;
  TdxEditEdges edges_ = kAllEdges;
  bool hot_track_ = false;
  bool shadow_ = false;
};

}  // namespace editors
