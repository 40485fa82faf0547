// COM objects for layer sets, layer iterators and the layer-set factories.
#include "sdk/layer_set_com.h"

#include <algorithm>
#include <utility>

#include "framework/win/com_object.h"
#include "framework/win/text.h"
#include "sdk/error_bridge.h"
#include "sdk/layer_errors.h"
#include "sdk/layer_text.h"

namespace win {
template <>
struct InterfaceId<IPCB_LayerSet> {
  static constexpr const GUID& iid = IID_IPCB_LayerSet;
};
template <>
struct InterfaceId<sdk::ILayerSetObject> {
  static constexpr const GUID& iid = sdk::IID_ILayerSetObject;
};
template <>
struct InterfaceId<ILayerSetUtils> {
  static constexpr const GUID& iid = IID_ILayerSetUtils;
};
template <>
struct InterfaceId<ILayerValueIterator> {
  static constexpr const GUID& iid = IID_ILayerValueIterator;
};
template <>
struct InterfaceId<IPCBFactory> {
  static constexpr const GUID& iid = IID_IPCBFactory;
};
}  // namespace win

namespace sdk {

namespace {

constexpr int kLegacySetBytes = 11;
// "Connect Layer", "BackGround", "DRC Errors", "DRC Details", "Highlight Layer",
// "Grid Color 1", "Grid Color 10", "Pad Hole Layer", "Via Hole Layer", in this order.
constexpr TLayerPartition kSystemPartitions[] = {16, 17, 18, 26, 19, 20, 21, 22, 23};

// Runs a body whose value goes straight back to a caller outside; a failure leaves the thread's
// error information and yields `fallback`.
template <class Result, class Body>
Result GuardValue(Result fallback, Body&& body) noexcept {
  try {
    return body();
  } catch (const Exception& e) {
    SetErrorInfoFrom(e);
  } catch (...) {
    ClearErrorInfo();
  }
  return fallback;
}

[[noreturn]] void ForeignSet(int line) {
  throw EAssertionFailed("Assertion failure", "RTL\\RT_PCBProcs", line);
}

// The set behind an operand, which must be of this implementation.
const LayerSet& Operand(IPCB_LayerSet* set, int line) {
  const LayerSet* object = LayerSetObjectOf(set);
  if (!object) ForeignSet(line);
  return *object;
}

// An optional operand: null stays null, a foreign set is a consistency error.
const LayerSet* OptionalOperand(IPCB_LayerSet* set, int line) {
  return set ? &Operand(set, line) : nullptr;
}

TLegacyLayerSet LegacySetFrom(TLegacyLayerSetBytes bytes) {
  TLegacyLayerSet legacy;
  if (bytes) std::copy(bytes, bytes + kLegacySetBytes, legacy.bytes);
  return legacy;
}

size_t CountOf(int count) { return count > 0 ? static_cast<size_t>(count) : 0; }

BSTR TextToBstr(const std::string& text) { return win::Bstr(win::Widen(text)).detach(); }

std::string BstrToText(BSTR text) {
  return text ? win::Narrow(std::wstring_view(text, SysStringLen(text))) : std::string();
}

// ---- Layer set -------------------------------------------------------------------------------

class TPCB_LayerSetBase final : public win::ComObject<IPCB_LayerSet, ILayerSetObject> {
 public:
  explicit TPCB_LayerSetBase(LayerSet set) : set_(std::move(set)) {}

  LayerSet* __stdcall GetLayerSetObject() noexcept override { return &set_; }

  BOOLEAN __stdcall Contains(TLayer layer) noexcept override {
    return GuardValue<BOOLEAN>(FALSE, [&] { return set_.Contains(layer); });
  }
  IPCB_LayerSet* __stdcall IncludeFromIterator(IPCB_LayerIterator* iterator) noexcept override {
    return Change([&] {
      while (iterator && iterator->Next()) set_.Include(iterator->GetLayer());
    });
  }
  IPCB_LayerSet* __stdcall Include(TLayer layer) noexcept override {
    return Change([&] { set_.Include(layer); });
  }
  IPCB_LayerSet* __stdcall IncludePartitions(TLayerPartitionMask mask) noexcept override {
    return Change([&] { set_.IncludePartitions(mask); });
  }
  IPCB_LayerSet* __stdcall IncludeArray(const TLayer* layers, int count) noexcept override {
    return Change([&] {
      if (layers) set_.IncludeArray(layers, CountOf(count));
    });
  }
  IPCB_LayerSet* __stdcall IncludeSet(IPCB_LayerSet* other) noexcept override {
    return Change([&] {
      if (!other)
        set_ = LayerSet::AllLayers();  // the union with a missing set
      else
        set_.IncludeSet(Operand(other, __LINE__));
    });
  }
  IPCB_LayerSet* __stdcall Exclude(TLayer layer) noexcept override {
    return Change([&] { set_.Exclude(layer); });
  }
  IPCB_LayerSet* __stdcall ExcludeArray(const TLayer* layers, int count) noexcept override {
    return Change([&] {
      if (layers) set_.ExcludeArray(layers, CountOf(count));
    });
  }
  IPCB_LayerSet* __stdcall ExcludePartitions(TLayerPartitionMask mask) noexcept override {
    return Change([&] { set_.ExcludePartitions(mask); });
  }
  IPCB_LayerSet* __stdcall ExcludePartitions1To16() noexcept override {
    return Change([&] { set_.ExcludePartitions1To16(); });
  }
  BOOLEAN __stdcall HasNoCompletePartition() noexcept override {
    return set_.HasNoCompletePartition();
  }
  IPCB_LayerIterator* __stdcall CreateIterator() noexcept override;
  TLayer __stdcall GetFirstLayer() noexcept override {
    return GuardValue<TLayer>(NoLayer, [&] { return set_.GetFirstLayer(); });
  }
  IPCB_LayerSet* __stdcall ExcludeAllSignal() noexcept override {
    return Change([&] { set_.ExcludeAllSignal(); });
  }
  IPCB_LayerSet* __stdcall ExcludeAllMechanical() noexcept override {
    return Change([&] { set_.ExcludeAllMechanical(); });
  }
  IPCB_LayerSet* __stdcall ExcludeAllInternalPlanes() noexcept override {
    return Change([&] { set_.ExcludeAllInternalPlanes(); });
  }
  IPCB_LayerSet* __stdcall IncludeAllSignal() noexcept override {
    return Change([&] { set_.IncludeAllSignal(); });
  }
  IPCB_LayerSet* __stdcall IncludeStandardLayers() noexcept override {
    return Change([&] { set_.IncludeStandardLayers(); });
  }
  IPCB_LayerSet* __stdcall IncludeAllMechanical() noexcept override {
    return Change([&] { set_.IncludeAllMechanical(); });
  }
  IPCB_LayerSet* __stdcall IncludeAllInternalPlanes() noexcept override {
    return Change([&] { set_.IncludeAllInternalPlanes(); });
  }
  IPCB_LayerSet* __stdcall IncludeAllStandard() noexcept override {
    return Change([&] { set_.IncludeAllStandard(); });
  }
  IPCB_LayerSet* __stdcall IncludeAll() noexcept override {
    return Change([&] { set_.IncludeAll(); });
  }
  BOOLEAN __stdcall HasInternalPlanes() noexcept override { return set_.HasInternalPlanes(); }
  IPCB_LayerSet* __stdcall Complement() noexcept override {
    return Fresh([&] { return set_.Complement(); });
  }
  IPCB_LayerSet* __stdcall Intersect(IPCB_LayerSet* other) noexcept override {
    return Fresh([&] { return set_.Intersect(OptionalOperand(other, __LINE__)); });
  }
  IPCB_LayerSet* __stdcall Union(IPCB_LayerSet* other) noexcept override {
    return Fresh([&] { return set_.Union(OptionalOperand(other, __LINE__)); });
  }
  BOOLEAN __stdcall IsComplete() noexcept override { return set_.IsComplete(); }
  BOOLEAN __stdcall IsEmpty() noexcept override { return set_.IsEmpty(); }
  IPCB_LayerSet* __stdcall Clone() noexcept override {
    return Fresh([&] { return set_; });
  }
  HRESULT __stdcall GetDescription(BSTR* text) noexcept override {
    if (!text) return E_POINTER;
    *text = nullptr;
    return GuardHresult([&] {
      *text = TextToBstr(set_.GetDescription());
      return *text ? S_OK : E_OUTOFMEMORY;
    });
  }
  BOOLEAN __stdcall SameAs(IPCB_LayerSet* other) noexcept override {
    return GuardValue<BOOLEAN>(FALSE,
                               [&] { return set_.SameAs(OptionalOperand(other, __LINE__)); });
  }
  BOOLEAN __stdcall SameAsPartitions(TLayerPartitionMask mask) noexcept override {
    return GuardValue<BOOLEAN>(FALSE, [&] { return set_.SameAsPartitions(mask); });
  }
  HRESULT __stdcall ToText(BSTR* text) noexcept override {
    if (!text) return E_POINTER;
    *text = nullptr;
    return GuardHresult([&] {
      *text = TextToBstr(LayerSetToText(set_));
      return *text ? S_OK : E_OUTOFMEMORY;
    });
  }
  IPCB_LayerSet* __stdcall IncludeLegacySet(TLegacyLayerSetBytes legacy) noexcept override {
    return Change([&] { set_.IncludeLegacySet(LegacySetFrom(legacy)); });
  }
  IPCB_LayerSet* __stdcall IncludeLegacyLayer(BYTE legacy) noexcept override {
    return Change([&] { set_.IncludeLegacyLayer(legacy); });
  }

 private:
  ~TPCB_LayerSetBase() = default;

  // A change returns the set itself, whether or not it succeeded, so calls chain.
  template <class Body>
  IPCB_LayerSet* Change(Body&& body) noexcept {
    GuardValue(0, [&] {
      body();
      return 0;
    });
    AddRef();
    return this;
  }

  template <class Body>
  IPCB_LayerSet* Fresh(Body&& body) noexcept {
    return GuardValue<IPCB_LayerSet*>(nullptr, [&] { return MakeLayerSet(body()).detach(); });
  }

  LayerSet set_;
};

// ---- Iterators -------------------------------------------------------------------------------

class TLayerIteratorBase : public win::ComObject<ILayerValueIterator> {
 public:
  // Every iterator answers as a layer iterator; only one that yields values offers them.
  HRESULT __stdcall QueryInterface(REFIID iid, void** out) noexcept override {
    if (iid == IID_IPCB_LayerIterator) return ComObject::QueryInterface(IID_IUnknown, out);
    if (iid == IID_ILayerValueIterator && !HasValues()) {
      return ComObject::QueryInterface(IID_NULL, out);
    }
    return ComObject::QueryInterface(iid, out);
  }

  BOOLEAN __stdcall First() noexcept override {
    first_ = true;
    return Next();
  }
  HRESULT __stdcall Reset() noexcept override {
    first_ = true;
    return S_OK;
  }
  BOOLEAN __stdcall Next() noexcept override {
    return GuardValue<BOOLEAN>(FALSE, [&] { return Step(); });
  }
  TLayer __stdcall GetLayer() noexcept override {
    return GuardValue<TLayer>(NoLayer, [&] { return Current(); });
  }
  IPCB_LayerIterator* __stdcall AddSignalLayers() noexcept override {
    return GrowFilter([] { return LayerSet().IncludeAllSignal(); });
  }
  IPCB_LayerIterator* __stdcall AddElectricalLayers() noexcept override {
    return GrowFilter([] { return LayerSet::FromPartitions(kElectricalPartitions); });
  }
  IPCB_LayerIterator* __stdcall AddInternalPlanes() noexcept override {
    return GrowFilter([] { return LayerSet().IncludeAllInternalPlanes(); });
  }
  IPCB_LayerIterator* __stdcall AddMechanicalLayers() noexcept override {
    return GrowFilter([] { return LayerSet().IncludeAllMechanical(); });
  }
  IPCB_LayerIterator* __stdcall AddNonElectricalLayers() noexcept override {
    return GrowFilter([] { return LayerSet::FromPartitions(kNonElectricalPartitions); });
  }
  IPCB_LayerIterator* __stdcall SetFilter(IPCB_LayerSet* filter) noexcept override {
    filter_ = win::ComPtr<IPCB_LayerSet>::Share(filter);
    AddRef();
    return this;
  }
  IPCB_LayerIterator* __stdcall SetFilterPartitions(TLayerPartitionMask mask) noexcept override {
    GuardValue(0, [&] {
      filter_ = MakeLayerSet(LayerSet::FromPartitions(mask));
      return 0;
    });
    AddRef();
    return this;
  }
  std::uint32_t __stdcall GetValue() noexcept override { return 0; }
  HRESULT __stdcall SetValue(std::uint32_t) noexcept override { return E_NOTIMPL; }

 protected:
  virtual bool HasValues() const { return false; }
  // Moves to the next accepted layer, starting over when first_ is set.
  virtual bool Step() = 0;
  virtual TLayer Current() const = 0;

  bool Accept(TLayer layer) const { return !filter_ || filter_->Contains(layer); }

  bool first_ = true;

 private:
  // The filter becomes its union with the made set; a missing filter starts from none.
  template <class Make>
  IPCB_LayerIterator* GrowFilter(Make&& make) noexcept {
    GuardValue(0, [&] {
      const LayerSet added = make();
      const LayerSet current = filter_ ? Operand(filter_.get(), __LINE__) : LayerSet();
      filter_ = MakeLayerSet(current.Union(&added));
      return 0;
    });
    AddRef();
    return this;
  }

  win::ComPtr<IPCB_LayerSet> filter_;
};

// Over the included layers of a finite set; holds the set while it lives.
class TLayerSetIterator final : public TLayerIteratorBase {
 public:
  TLayerSetIterator(IPCB_LayerSet* owner, const LayerSet& set)
      : owner_(win::ComPtr<IPCB_LayerSet>::Share(owner)), walker_(set) {}

 private:
  bool Step() override {
    if (first_) {
      first_ = false;
      walker_.Reset();
    }
    while (walker_.Next()) {
      if (Accept(walker_.Layer())) return true;
    }
    return false;
  }
  TLayer Current() const override { return walker_.Layer(); }

  win::ComPtr<IPCB_LayerSet> owner_;
  LayerSetWalker walker_;
};

// Over one layer hash, with its values.
class TLayerValueIterator final : public TLayerIteratorBase {
 public:
  explicit TLayerValueIterator(TCustomLayerHash& hash) : items_(hash) {}

  std::uint32_t __stdcall GetValue() noexcept override {
    return static_cast<std::uint32_t>(items_.GetValue());
  }
  HRESULT __stdcall SetValue(std::uint32_t value) noexcept override {
    return GuardHresult([&] {
      items_.SetValue(value);
      return S_OK;
    });
  }

 private:
  bool HasValues() const override { return true; }
  bool Step() override {
    if (first_) {
      first_ = false;
      items_.Reset();
    }
    while (items_.Next()) {
      if (Accept(static_cast<TLayer>(items_.GetKey()))) return true;
    }
    return false;
  }
  TLayer Current() const override { return static_cast<TLayer>(items_.GetKey()); }

  TBucketListIterator items_;
};

IPCB_LayerIterator* TPCB_LayerSetBase::CreateIterator() noexcept {
  return GuardValue<IPCB_LayerIterator*>(nullptr, [&]() -> IPCB_LayerIterator* {
    return new TLayerSetIterator(this, set_);  // raises for an infinite set
  });
}

// ---- Factories -------------------------------------------------------------------------------

class TLayerSetUtils final : public win::ComObject<ILayerSetUtils> {
 public:
  IPCB_LayerSet* __stdcall LayerSetFromLayer(TLayer layer) noexcept override {
    return Fresh([&] { return LayerSet().Include(layer); });
  }
  IPCB_LayerSet* __stdcall LayerSetFromPartitions(TLayerPartitionMask mask) noexcept override {
    return Fresh([&] { return LayerSet::FromPartitions(mask); });
  }
  IPCB_LayerSet* __stdcall LayerSetFromArray(const TLayer* layers, int count) noexcept override {
    return Fresh([&] {
      LayerSet set;
      if (layers) set.IncludeArray(layers, CountOf(count));
      return set;
    });
  }
  IPCB_LayerSet* __stdcall LayerSetFromLegacySet(TLegacyLayerSetBytes legacy) noexcept override {
    return Fresh([&] { return LayerSet().IncludeLegacySet(LegacySetFrom(legacy)); });
  }
  IPCB_LayerSet* __stdcall LayerSetFromIterator(IPCB_LayerIterator* iterator) noexcept override {
    return Fresh([&] {
      LayerSet set;
      while (iterator && iterator->Next()) set.Include(iterator->GetLayer());
      return set;
    });
  }
  IPCB_LayerSet* __stdcall ComplementOf(IPCB_LayerSet* set) noexcept override {
    return Fresh([&] { return Complement(set); });
  }
  IPCB_LayerSet* __stdcall UnionOf(IPCB_LayerSet* a, IPCB_LayerSet* b) noexcept override {
    return Fresh([&] { return UnionOfSets(a, b); });
  }
  IPCB_LayerSet* __stdcall IntersectionOf(IPCB_LayerSet* a, IPCB_LayerSet* b) noexcept override {
    return Fresh(
        [&] { return Intersection(OptionalOperand(a, __LINE__), OptionalOperand(b, __LINE__)); });
  }
  BOOLEAN __stdcall AreDisjoint(IPCB_LayerSet* a, IPCB_LayerSet* b) noexcept override {
    return GuardValue<BOOLEAN>(FALSE, [&] {
      return Intersection(OptionalOperand(a, __LINE__), OptionalOperand(b, __LINE__)).IsEmpty();
    });
  }
  BOOLEAN __stdcall AreEqual(IPCB_LayerSet* a, IPCB_LayerSet* b) noexcept override {
    return GuardValue<BOOLEAN>(FALSE, [&] {
      const LayerSet* sa = OptionalOperand(a, __LINE__);
      const LayerSet* sb = OptionalOperand(b, __LINE__);
      const LayerSet not_a = Complement(a), not_b = Complement(b);
      return Intersection(&not_a, sb).IsEmpty() && Intersection(sa, &not_b).IsEmpty();
    });
  }
  IPCB_LayerSet* __stdcall CreateEmptyLayerSet() noexcept override {
    return Fresh([] { return LayerSet(); });
  }
  IPCB_LayerSet* __stdcall CreateSystemLayerSet() noexcept override {
    return Fresh([] {
      LayerSet set;
      for (TLayerPartition p : kSystemPartitions) set.Include(LayerFromPartition(p));
      return set;
    });
  }
  IPCB_LayerSet* __stdcall NewLayerSet() noexcept override {
    return Fresh([] { return LayerSet(); });
  }
  IPCB_LayerSet* __stdcall AllInternalPlanesSet() noexcept override {
    return Fresh([] { return LayerSet().IncludeAllInternalPlanes(); });
  }
  IPCB_LayerSet* __stdcall AllLayersSet() noexcept override {
    return Fresh([] { return LayerSet::AllLayers(); });
  }
  IPCB_LayerSet* __stdcall AllSignalLayersSet() noexcept override {
    return Fresh([] { return LayerSet().IncludeAllSignal(); });
  }
  IPCB_LayerSet* __stdcall AllStandardLayersSet() noexcept override {
    return Fresh([] { return LayerSet().IncludeAllStandard(); });
  }
  IPCB_LayerSet* __stdcall AllMechanicalLayersSet() noexcept override {
    return Fresh([] { return LayerSet().IncludeAllMechanical(); });
  }
  IPCB_LayerSet* __stdcall LayerSetFromText(BSTR text) noexcept override {
    return Fresh([&] { return sdk::LayerSetFromText(BstrToText(text)); });
  }
  HRESULT __stdcall LayerSetToText(IPCB_LayerSet* set, BSTR* text) noexcept override {
    if (!text) return E_POINTER;
    *text = nullptr;
    if (!set) return E_POINTER;
    return set->ToText(text);
  }

 private:
  ~TLayerSetUtils() = default;

  template <class Body>
  static IPCB_LayerSet* Fresh(Body&& body) noexcept {
    return GuardValue<IPCB_LayerSet*>(nullptr, [&] { return MakeLayerSet(body()).detach(); });
  }

  // A missing set stands for all layers.
  static LayerSet Complement(IPCB_LayerSet* set) {
    const LayerSet* s = OptionalOperand(set, __LINE__);
    return s ? s->Complement() : LayerSet();
  }
  static LayerSet UnionOfSets(IPCB_LayerSet* a, IPCB_LayerSet* b) {
    const LayerSet* sa = OptionalOperand(a, __LINE__);
    const LayerSet* sb = OptionalOperand(b, __LINE__);
    return sa && sb ? sa->Union(sb) : LayerSet::AllLayers();
  }
  static LayerSet Intersection(const LayerSet* a, const LayerSet* b) {
    if (a) return a->Intersect(b);
    return b ? *b : LayerSet::AllLayers();
  }
};

class TPCBFactory final : public win::ComObject<IPCBFactory> {
 public:
  explicit TPCBFactory(win::ComPtr<ILayerSetUtils> utils) : utils_(std::move(utils)) {}

  HRESULT __stdcall CreateLayerSet(IPCB_LayerSet** result) noexcept override {
    return Deliver(result, [&] { return utils_->CreateEmptyLayerSet(); });
  }
  HRESULT __stdcall CreateLayerSetFromLayer(TLayer layer,
                                            IPCB_LayerSet** result) noexcept override {
    return Deliver(result, [&] { return utils_->LayerSetFromLayer(layer); });
  }
  IPCB_LayerSet* __stdcall CreateAllLayersSet() noexcept override { return utils_->AllLayersSet(); }
  IPCB_LayerSet* __stdcall CreateAllSignalLayersSet() noexcept override {
    return utils_->AllSignalLayersSet();
  }
  HRESULT __stdcall CreateLayerSetFromPartitions(TLayerPartitionMask mask,
                                                 IPCB_LayerSet** result) noexcept override {
    return Deliver(result, [&] { return utils_->LayerSetFromPartitions(mask); });
  }
  HRESULT __stdcall CreateLayerSetFromLegacySet(TLegacyLayerSetBytes legacy,
                                                IPCB_LayerSet** result) noexcept override {
    return Deliver(result, [&] { return utils_->LayerSetFromLegacySet(legacy); });
  }

 private:
  ~TPCBFactory() = default;

  // Clears the result first; a set that could not be made is a failure with error information.
  template <class Make>
  static HRESULT Deliver(IPCB_LayerSet** result, Make&& make) noexcept {
    if (!result) return E_POINTER;
    *result = make();
    return *result ? S_OK : E_FAIL;
  }

  win::ComPtr<ILayerSetUtils> utils_;
};

win::ComPtr<ILayerSetUtils> layer_set_utils;
win::ComPtr<IPCBFactory> pcb_factory;

}  // namespace

win::ComPtr<IPCB_LayerSet> MakeLayerSet(LayerSet set) {
  return win::ComPtr<IPCB_LayerSet>::Adopt(new TPCB_LayerSetBase(std::move(set)));
}

LayerSet* LayerSetObjectOf(IPCB_LayerSet* set) noexcept {
  if (!set) return nullptr;
  const auto object =
      win::ComPtr<IPCB_LayerSet>::Share(set).As<ILayerSetObject>(IID_ILayerSetObject);
  // The caller holds the set, so the object outlives the reference dropped here.
  return object ? object->GetLayerSetObject() : nullptr;
}

win::ComPtr<ILayerValueIterator> CreateLayerValueIterator(TCustomLayerHash& hash) {
  return win::ComPtr<ILayerValueIterator>::Adopt(new TLayerValueIterator(hash));
}

win::ComPtr<ILayerSetUtils> GetLayerSetUtils() {
  if (!layer_set_utils) layer_set_utils = win::ComPtr<ILayerSetUtils>::Adopt(new TLayerSetUtils);
  return layer_set_utils;
}

win::ComPtr<IPCBFactory> GetPCBFactory() {
  if (!pcb_factory)
    pcb_factory = win::ComPtr<IPCBFactory>::Adopt(new TPCBFactory(GetLayerSetUtils()));
  return pcb_factory;
}

void EndLayerSetUnit() noexcept {
  pcb_factory.reset();
  layer_set_utils.reset();
}

}  // namespace sdk
