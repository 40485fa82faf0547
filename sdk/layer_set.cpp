// Layer sets.
#include "sdk/layer_set.h"

#include "sdk/layer_errors.h"

namespace sdk {

namespace {

constexpr int kHashCapacityHint = 8;
constexpr std::array<const char*, LayerSet::kPartCount> kDescriptionTitles = {
    "Signal Layers", "Mechanical Layers", "Internal Plane Layers", "Standard Layers"};

[[noreturn]] void Inconsistent(const char* text, int line) {
  throw EAssertionFailed(text, "RTL\\RT_PCBProcs", line);
}

std::unique_ptr<TLayerHash> NewPartitionHash() {
  return std::make_unique<TLayerHash>(false, 0, kHashCapacityHint);
}

bool Holds(const std::unique_ptr<TLayerHash>& hash, TLayer layer) {
  return hash && hash->Contains(layer);
}

int CountOf(const std::unique_ptr<TLayerHash>& hash) {
  return hash ? hash->Count() : 0;
}

// Calls body(layer) for each layer of a hash, in its order; nothing for an absent hash.
template <class Body>
void ForEachLayer(const std::unique_ptr<TLayerHash>& hash, Body&& body) {
  if (!hash) return;
  TBucketListIterator items(*hash);
  while (items.Next()) body(static_cast<TLayer>(items.GetKey()));
}

std::unique_ptr<TLayerHash> CopyHash(const std::unique_ptr<TLayerHash>& hash) {
  if (!hash) return nullptr;
  auto copy = NewPartitionHash();
  hash->AssignTo(*copy, nullptr);
  return copy;
}

TSetPartition ComplementOf(const TSetPartition& p) {
  TSetPartition r;
  r.All = !p.All;
  if (r.All) {
    ForEachLayer(p.IncludeHash, [&](TLayer l) { r.Exclude(l); });
  } else {
    ForEachLayer(p.ExcludeHash, [&](TLayer l) { r.Include(l); });
  }
  return r;
}

TSetPartition IntersectionOf(const TSetPartition& a, const TSetPartition& b) {
  TSetPartition r;
  r.All = a.All && b.All;
  if (!r.All) {
    if (!a.All && !b.All) {
      ForEachLayer(a.IncludeHash, [&](TLayer l) {
        if (Holds(b.IncludeHash, l)) r.Include(l);
      });
    } else if (a.All) {
      ForEachLayer(b.IncludeHash, [&](TLayer l) { r.Include(l); });
    } else {
      ForEachLayer(a.IncludeHash, [&](TLayer l) { r.Include(l); });
    }
  }
  ForEachLayer(a.ExcludeHash, [&](TLayer l) { r.Exclude(l); });
  ForEachLayer(b.ExcludeHash, [&](TLayer l) { r.Exclude(l); });
  return r;
}

TSetPartition UnionOf(const TSetPartition& a, const TSetPartition& b) {
  TSetPartition r;
  r.All = a.All || b.All;
  if (a.All && b.All) {
    ForEachLayer(a.ExcludeHash, [&](TLayer l) {
      if (Holds(b.ExcludeHash, l)) r.Exclude(l);
    });
  } else if (a.All || b.All) {
    const TSetPartition& full = a.All ? a : b;
    const TSetPartition& other = a.All ? b : a;
    ForEachLayer(full.ExcludeHash, [&](TLayer l) {
      if (!Holds(other.IncludeHash, l)) r.Exclude(l);
    });
  } else {
    ForEachLayer(a.IncludeHash, [&](TLayer l) { r.Include(l); });
    ForEachLayer(b.IncludeHash, [&](TLayer l) { r.Include(l); });
  }
  return r;
}

}  // namespace

// ---- Partition ----------------------------------------------------------------------------------

TSetPartition::TSetPartition(const TSetPartition& other)
    : All(other.All),
      IncludeHash(CopyHash(other.IncludeHash)),
      ExcludeHash(CopyHash(other.ExcludeHash)) {}

TSetPartition& TSetPartition::operator=(const TSetPartition& other) {
  if (this != &other) *this = TSetPartition(other);
  return *this;
}

bool TSetPartition::IsComplete() const {
  return All && CountOf(ExcludeHash) == 0;
}
bool TSetPartition::IsEmpty() const {
  return !All && CountOf(IncludeHash) == 0;
}

bool TSetPartition::Contains(TLayer layer) const {
  // Partition hashes hold no zero values: storing 0 removes an entry.
  if (Holds(IncludeHash, layer)) return true;
  if (Holds(ExcludeHash, layer)) return false;
  return All;
}

void TSetPartition::Include(TLayer layer) {
  if (!All) {
    if (!IncludeHash) IncludeHash = NewPartitionHash();
    IncludeHash->SetValue(layer, 1);
  }
  if (ExcludeHash) ExcludeHash->Remove(layer);
}

void TSetPartition::Exclude(TLayer layer) {
  if (All) {
    if (!ExcludeHash) ExcludeHash = NewPartitionHash();
    ExcludeHash->SetValue(layer, 1);
  }
  if (IncludeHash) IncludeHash->Remove(layer);
}

void TSetPartition::Reset(bool all) {
  All = all;
  IncludeHash.reset();
  ExcludeHash.reset();
}

// ---- Set ----------------------------------------------------------------------------------------

LayerSet::Part LayerSet::PartOf(TLayer layer) {
  if (IsMechanicalLayer(layer)) return kMechanical;
  if (IsSignalLayer(layer)) return kSignal;
  if (IsInternalPlaneLayer(layer)) return kInternal;
  if (IsStandardClassLayer(layer)) return kStandard;
  Inconsistent("Assertion failure", __LINE__);
}

bool LayerSet::Contains(TLayer layer) const {
  switch (layer) {
    case AllLayersGroup: return IsComplete();
    case ElectricalLayersGroup:
      return parts_[kSignal].IsComplete() && parts_[kInternal].IsComplete();
    case SignalLayersGroup: return parts_[kSignal].IsComplete();
    case InternalPlanesGroup: return parts_[kInternal].IsComplete();
    case MechanicalLayersGroup: return parts_[kMechanical].IsComplete();
    case MidLayersGroup: {
      // Every signal layer but top and bottom: All, and nothing else excluded.
      const TSetPartition& signal = parts_[kSignal];
      const int others = CountOf(signal.ExcludeHash) - Holds(signal.ExcludeHash, TopLayer) -
                         Holds(signal.ExcludeHash, BottomLayer);
      return signal.All && others == 0;
    }
  }
  return parts_[PartOf(layer)].Contains(layer);
}

LayerSet& LayerSet::Include(TLayer layer) {
  switch (layer) {
    case AllLayersGroup: return IncludeAll();
    case ElectricalLayersGroup: return IncludeAllSignal().IncludeAllInternalPlanes();
    case SignalLayersGroup: return IncludeAllSignal();
    case InternalPlanesGroup: return IncludeAllInternalPlanes();
    case MechanicalLayersGroup: return IncludeAllMechanical();
    case MidLayersGroup: {
      const bool top = Contains(TopLayer), bottom = Contains(BottomLayer);
      IncludeAllSignal();
      if (!top) Exclude(TopLayer);
      if (!bottom) Exclude(BottomLayer);
      return *this;
    }
  }
  parts_[PartOf(layer)].Include(layer);
  return *this;
}

LayerSet& LayerSet::Exclude(TLayer layer) {
  switch (layer) {
    case AllLayersGroup: return ExcludeAll();
    case ElectricalLayersGroup: return ExcludeAllSignal().ExcludeAllInternalPlanes();
    case SignalLayersGroup: return ExcludeAllSignal();
    case InternalPlanesGroup: return ExcludeAllInternalPlanes();
    case MechanicalLayersGroup: return ExcludeAllMechanical();
    case MidLayersGroup: {
      // The mirror of Include: every mid layer goes, top and bottom stay as they were.
      const bool top = Contains(TopLayer), bottom = Contains(BottomLayer);
      ExcludeAllSignal();
      if (top) Include(TopLayer);
      if (bottom) Include(BottomLayer);
      return *this;
    }
  }
  parts_[PartOf(layer)].Exclude(layer);
  return *this;
}

LayerSet& LayerSet::IncludePartitions(std::uint32_t mask) {
  for (int p = 0; p < 32; ++p) {
    if (mask & (1u << p)) Include(LayerFromPartition(p));
  }
  return *this;
}

LayerSet& LayerSet::ExcludePartitions(std::uint32_t mask) {
  for (int p = 0; p < 32; ++p) {
    if (mask & (1u << p)) Exclude(LayerFromPartition(p));
  }
  return *this;
}

LayerSet& LayerSet::IncludeArray(const TLayer* layers, size_t count) {
  for (size_t i = 0; i < count; ++i) Include(layers[i]);
  return *this;
}

LayerSet& LayerSet::ExcludeArray(const TLayer* layers, size_t count) {
  for (size_t i = 0; i < count; ++i) Exclude(layers[i]);
  return *this;
}

LayerSet& LayerSet::IncludeSet(const LayerSet& other) {
  *this = Union(&other);
  return *this;
}

LayerSet& LayerSet::IncludeLegacySet(const TLegacyLayerSet& legacy) {
  for (int n = 0; n <= kLegacyLastLayer; ++n) {
    if (legacy.Has(n)) Include(LegacyLayerToLayer(static_cast<std::uint8_t>(n)));
  }
  return *this;
}

LayerSet& LayerSet::IncludeAll() {
  return IncludeAllStandard().IncludeAllInternalPlanes().IncludeAllMechanical().IncludeAllSignal();
}

LayerSet& LayerSet::ExcludeAll() {
  return ExcludeAllStandard().ExcludeAllInternalPlanes().ExcludeAllMechanical().ExcludeAllSignal();
}

bool LayerSet::HasNoCompletePartition() const {
  for (const TSetPartition& p : parts_) {
    if (p.IsComplete()) return false;
  }
  return true;
}

bool LayerSet::HasInternalPlanes() const {
  return parts_[kInternal].All || CountOf(parts_[kInternal].IncludeHash) > 0;
}

bool LayerSet::IsComplete() const {
  for (const TSetPartition& p : parts_) {
    if (!p.IsComplete()) return false;
  }
  return true;
}

bool LayerSet::IsEmpty() const {
  for (const TSetPartition& p : parts_) {
    if (!p.IsEmpty()) return false;
  }
  return true;
}

bool LayerSet::IsInfinite() const {
  for (const TSetPartition& p : parts_) {
    if (p.All) return true;
  }
  return false;
}

LayerSet LayerSet::Complement() const {
  LayerSet r;
  for (int i = 0; i < kPartCount; ++i) r.parts_[i] = ComplementOf(parts_[i]);
  return r;
}

LayerSet LayerSet::Intersect(const LayerSet* other) const {
  if (!other) return *this;
  LayerSet r;
  for (int i = 0; i < kPartCount; ++i) r.parts_[i] = IntersectionOf(parts_[i], other->parts_[i]);
  return r;
}

LayerSet LayerSet::Union(const LayerSet* other) const {
  if (!other) return AllLayers();
  LayerSet r;
  for (int i = 0; i < kPartCount; ++i) r.parts_[i] = UnionOf(parts_[i], other->parts_[i]);
  return r;
}

bool LayerSet::SameAs(const LayerSet* other) const {
  if (!other) return IsComplete();
  const LayerSet other_complement = other->Complement();
  return Intersect(&other_complement).IsEmpty() && Complement().Intersect(other).IsEmpty();
}

bool LayerSet::SameAsPartitions(std::uint32_t mask) const {
  const LayerSet partitions = FromPartitions(mask);
  return SameAs(&partitions);
}

// Empty: NoLayer. No complete partition: the first listed layer. Otherwise the first of
// internal plane 1, mechanical 1 and the top overlay in the set, else the top layer.
TLayer LayerSet::GetFirstLayer() const {
  if (IsEmpty()) return NoLayer;
  if (HasNoCompletePartition()) {
    LayerSetWalker walker(*this);
    return walker.Next() ? walker.Layer() : NoLayer;
  }
  for (TLayer candidate :
       {TLayer{kLegacyFirstPlane}, TLayer{kLegacyFirstMechanical}, TLayer{kLegacyTopOverlay}}) {
    if (Contains(candidate)) return candidate;
  }
  return TopLayer;
}

std::string LayerSet::GetDescription() const {
  std::string text;
  for (int i = 0; i < kPartCount; ++i) {
    const TSetPartition& p = parts_[i];
    text += kDescriptionTitles[i];
    text += p.All ? " Include All : Exceptions\r\n" : " Exclude All : Exceptions\r\n";
    ForEachLayer(p.IncludeHash, [&](TLayer l) { text += " + " + GetLayerDisplayName(l) + "\r\n"; });
    ForEachLayer(p.ExcludeHash, [&](TLayer l) { text += " - " + GetLayerDisplayName(l) + "\r\n"; });
  }
  return text;
}

// ---- Walker -------------------------------------------------------------------------------------

LayerSetWalker::LayerSetWalker(const LayerSet& set) : set_(&set) {
  if (set.IsInfinite()) throw EPCB_LayerSetException("Iterating an infinite layer set");
}

const TLayerHash* LayerSetWalker::CurrentHash() const {
  if (part_ < 0 || part_ >= LayerSet::kPartCount) return nullptr;
  return set_->Partition(static_cast<LayerSet::Part>(part_)).IncludeHash.get();
}

bool LayerSetWalker::Next() {
  for (;;) {
    if (part_ >= LayerSet::kPartCount) return false;
    const TLayerHash* hash = CurrentHash();
    if (hash && hash == items_hash_ && items_ && items_->Next()) return true;
    ++part_;
    items_hash_ = CurrentHash();
    items_ = items_hash_ ? std::make_unique<TBucketListIterator>(*items_hash_) : nullptr;
  }
}

TLayer LayerSetWalker::Layer() const {
  const TLayerHash* hash = CurrentHash();
  if (!hash || hash != items_hash_ || !items_) return NoLayer;
  return static_cast<TLayer>(items_->GetKey());
}

void LayerSetWalker::Reset() {
  part_ = -1;
  items_.reset();
  items_hash_ = nullptr;
}

}  // namespace sdk
