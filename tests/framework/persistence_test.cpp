// Class tables: numbers with decimals set, read and copied by name, properties a base class
// describes for its descendants to publish, and values handed on to a peer.
#include "framework/persistence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace framework_test {
namespace {

using namespace framework;

// A base that describes a range without publishing it.
class TMeter : public TComponent {
 public:
  using TComponent::TComponent;
  static const TClassInfo& StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Derived<TMeter, TComponent>("TMeter")
                                       .Float("Range", &TMeter::Range, &TMeter::SetRange, 1.0)
                                       .Unpublished();
    return info;
  }
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
  double Range() const { return range_; }
  void SetRange(double value) { range_ = value; }

 private:
  double range_ = 1.0;
};

// What a gauge hands its settings to.
class TDial : public TComponent {
 public:
  using TComponent::TComponent;
  double Needle = 0;
  int Ticks = 0;
  void SetCaption(const std::wstring& value) { caption = value; }
  std::wstring caption;
};

int TicksOfSteps(double steps) { return static_cast<int>(std::lround(steps * 10)); }

class TGauge : public TMeter {
 public:
  using TMeter::TMeter;
  static const TClassInfo& StaticClassInfo() {
    using C = TGauge;
    static const TClassInfo info = TClassInfo::Derived<C, TMeter>("TGauge")
                                       .String("Label", &C::Label, &C::SetLabel)
                                       .To(&TDial::SetCaption)
                                       .Publish("Range", 10.0)
                                       .Float("Scale", &C::Scale, &C::SetScale, 1.0)
                                       .To(&TDial::Needle)
                                       .Float("Steps", &C::Steps, &C::SetSteps, 0.0)
                                       .NotCopied()
                                       .To(&TDial::Ticks, TicksOfSteps);
    return info;
  }
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
  const std::string& Label() const { return label_; }
  void SetLabel(const std::string& value) { label_ = value; }
  double Scale() const { return scale_; }
  void SetScale(double value) { scale_ = value; }
  double Steps() const { return steps_; }
  void SetSteps(double value) { steps_ = value; }

 private:
  std::string label_;
  double scale_ = 1.0, steps_ = 0;
};

enum class TUnit { uMillimetre, uInch };

// Has a Scale of the same kind and a Steps of another.
class TRuler : public TComponent {
 public:
  using TComponent::TComponent;
  static const TClassInfo& StaticClassInfo() {
    using C = TRuler;
    static const TClassInfo info =
        TClassInfo::Derived<C, TComponent>("TRuler")
            .Float("Scale", &C::Scale, &C::SetScale, 1.0)
            .Int("Steps", &C::Steps, &C::SetSteps, 0)
            .Enum("Unit", &C::Unit, &C::SetUnit, {"uMillimetre", "uInch"}, TUnit::uMillimetre);
    return info;
  }
  TUnit Unit() const { return unit_; }
  void SetUnit(TUnit value) { unit_ = value; }
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
  double Scale() const { return scale_; }
  void SetScale(double value) { scale_ = value; }
  int Steps() const { return steps_; }
  void SetSteps(int value) { steps_ = value; }

 private:
  double scale_ = 1.0;
  int steps_ = 7;
  TUnit unit_ = TUnit::uInch;
};

TEST(Persistence, NumbersWithDecimalsAreSetReadAndCopiedOnlyAsNumbersWithDecimals) {
  TGauge gauge(nullptr);
  EXPECT_EQ(*gauge.ClassInfo().FindProperty("scale")->default_value, TValue(1.0));
  for (const double value : {2.5, -2.5e-3, 1.5e300, -0.0, std::numeric_limits<double>::min()}) {
    SetPropValue(gauge, "Scale", value);
    EXPECT_EQ(gauge.Scale(), value);
    EXPECT_EQ(std::get<double>(GetPropValue(gauge, "SCALE")), value);
  }
  for (const TValue& other : {TValue(int64_t{2}), TValue(true), TValue(std::string("2.5"))}) {
    EXPECT_THROW(SetPropValue(gauge, "Scale", other), EPropertyError) << other.index();
  }
  EXPECT_EQ(gauge.Scale(), std::numeric_limits<double>::min()) << "unchanged by refused values";

  // A copy takes numbers with decimals by name and kind: never into a whole number.
  SetPropValue(gauge, "Scale", 0.125);
  SetPropValue(gauge, "Steps", 3.75);
  TRuler ruler(nullptr);
  CopyProperties(gauge, ruler);
  EXPECT_EQ(ruler.Scale(), 0.125);
  EXPECT_EQ(ruler.Steps(), 7) << "a whole number is another kind";
  SetPropValue(ruler, "Unit", int64_t{0});
  EXPECT_EQ(ruler.Unit(), TUnit::uMillimetre) << "the first identifier is a value too";
  ruler.SetScale(-4.5);
  CopyProperties(ruler, gauge);
  EXPECT_EQ(gauge.Scale(), -4.5);
  EXPECT_EQ(gauge.Steps(), 3.75);
}

TEST(Persistence, DescendantsPublishWhatABaseDescribesAndPeersGetTheValuesTheyAreHanded) {
  TMeter meter(nullptr);
  TGauge gauge(nullptr), copy(nullptr);
  EXPECT_EQ(meter.ClassInfo().FindProperty("Range"), nullptr) << "described, not published";
  EXPECT_THROW(SetPropValue(meter, "Range", 2.0), EPropertyError);
  ASSERT_EQ(meter.ClassInfo().OwnProperties().size(), 1u);
  EXPECT_FALSE(meter.ClassInfo().OwnProperties()[0].published);
  const PropInfo* range = gauge.ClassInfo().FindProperty("Range");
  ASSERT_NE(range, nullptr);
  EXPECT_EQ(*range->default_value, TValue(10.0)) << "the descendant's own default";
  std::string names;
  for (const PropInfo* prop : gauge.ClassInfo().Properties()) names += prop->name + " ";
  EXPECT_EQ(names, "Tag Label Range Scale Steps ");
  EXPECT_THROW(TClassInfo("TOther", &TMeter::StaticClassInfo()).Publish("Width"), EPropertyError);

  SetPropValue(gauge, "Range", 3.5);
  SetPropValue(gauge, "Label", std::string("Flow"));
  SetPropValue(gauge, "Steps", 1.26);
  CopyProperties(gauge, copy);
  EXPECT_EQ(copy.Range(), 3.5);
  EXPECT_EQ(copy.Label(), "Flow");
  EXPECT_EQ(copy.Steps(), 0) << "copies leave it";

  TDial dial(nullptr);
  gauge.ClassInfo().HandOver(static_cast<TComponent*>(&gauge), dial);
  EXPECT_EQ(dial.caption, L"Flow");
  EXPECT_EQ(dial.Needle, 1.0);
  EXPECT_EQ(dial.Ticks, 13) << "converted on the way";
  TRuler stranger(nullptr);
  gauge.ClassInfo().HandOver(static_cast<TComponent*>(&gauge), stranger);
  EXPECT_EQ(stranger.Scale(), 1.0) << "a peer of another class gets nothing";
}

}  // namespace
}  // namespace framework_test
