// Layer sets that may be infinite: four partitions (signal, mechanical, internal plane,
// standard), each "all of its layers" or "none" plus explicit inclusions and exclusions.
// "Every signal layer but the top" needs no list of layers.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "sdk/layer_hash.h"
#include "sdk/layers.h"

namespace sdk {

// Layers 0..87 of the host, bit n = bit (n mod 8) of byte (n div 8); bits 83..87 mean nothing.
struct TLegacyLayerSet {
  std::uint8_t bytes[11] = {};
  bool Has(int n) const { return (bytes[n / 8] >> (n % 8)) & 1; }
  void Set(int n) { bytes[n / 8] = static_cast<std::uint8_t>(bytes[n / 8] | (1u << (n % 8))); }
};

// Partitions of TLayerPartition as mask bits.
constexpr std::uint32_t kPartitions1To16 = 0x0001FFFE;
constexpr std::uint32_t kElectricalPartitions = 0x1E;           // 1..4
constexpr std::uint32_t kNonElectricalPartitions = 0x07FFFFC1;  // 0 and 6..26

struct TSetPartition {
  bool All = false;
  std::unique_ptr<TLayerHash> IncludeHash;  // value 1 for each layer
  std::unique_ptr<TLayerHash> ExcludeHash;

  TSetPartition() = default;
  TSetPartition(const TSetPartition& other);
  TSetPartition& operator=(const TSetPartition& other);
  TSetPartition(TSetPartition&&) noexcept = default;
  TSetPartition& operator=(TSetPartition&&) noexcept = default;

  // All set and nothing excluded.
  bool IsComplete() const;
  // All clear and nothing included.
  bool IsEmpty() const;
  bool Contains(TLayer layer) const;
  void Include(TLayer layer);
  void Exclude(TLayer layer);
  // All set or cleared; both hashes go.
  void Reset(bool all);
};

class LayerSet {
 public:
  enum Part { kSignal = 0, kMechanical = 1, kInternal = 2, kStandard = 3, kPartCount = 4 };
  static constexpr std::array<const char*, kPartCount> kPartNames = {"Signal", "Mechanical",
                                                                     "Internal", "Standard"};

  // The partition that holds a layer; a group or a value of an unknown class is a consistency
  // error.
  static Part PartOf(TLayer layer);

  bool Contains(TLayer layer) const;
  LayerSet& Include(TLayer layer);
  LayerSet& Exclude(TLayer layer);
  LayerSet& IncludePartitions(std::uint32_t mask);
  LayerSet& ExcludePartitions(std::uint32_t mask);
  LayerSet& ExcludePartitions1To16() { return ExcludePartitions(kPartitions1To16); }
  LayerSet& IncludeArray(const TLayer* layers, size_t count);
  LayerSet& ExcludeArray(const TLayer* layers, size_t count);
  // Becomes the union of this set and the other.
  LayerSet& IncludeSet(const LayerSet& other);
  LayerSet& IncludeLegacySet(const TLegacyLayerSet& legacy);
  LayerSet& IncludeLegacyLayer(std::uint8_t legacy) { return Include(LegacyLayerToLayer(legacy)); }

  LayerSet& IncludeAllSignal() { return Reset(kSignal, true); }
  LayerSet& IncludeAllMechanical() { return Reset(kMechanical, true); }
  LayerSet& IncludeAllInternalPlanes() { return Reset(kInternal, true); }
  LayerSet& IncludeAllStandard() { return Reset(kStandard, true); }
  LayerSet& IncludeStandardLayers() { return IncludeAllStandard(); }
  LayerSet& IncludeAll();
  LayerSet& ExcludeAllSignal() { return Reset(kSignal, false); }
  LayerSet& ExcludeAllMechanical() { return Reset(kMechanical, false); }
  LayerSet& ExcludeAllInternalPlanes() { return Reset(kInternal, false); }
  LayerSet& ExcludeAllStandard() { return Reset(kStandard, false); }
  LayerSet& ExcludeAll();

  bool HasNoCompletePartition() const;
  bool HasInternalPlanes() const;
  bool IsComplete() const;
  bool IsEmpty() const;
  // Whether some partition holds all its layers: such a set cannot be enumerated.
  bool IsInfinite() const;

  LayerSet Complement() const;
  // A missing other set stands for all layers: Intersect(nullptr) is a copy, Union(nullptr) all
  // layers, SameAs(nullptr) IsComplete().
  LayerSet Intersect(const LayerSet* other) const;
  LayerSet Union(const LayerSet* other) const;
  bool SameAs(const LayerSet* other) const;
  bool SameAsPartitions(std::uint32_t mask) const;

  // Some layer of the set: see the implementation for the choice. Raises
  // EPCB_LayerSetException for a set with an infinite but incomplete partition.
  TLayer GetFirstLayer() const;
  // One line per partition and per listed layer, each ending in CR LF.
  std::string GetDescription() const;

  const TSetPartition& Partition(Part part) const { return parts_[part]; }
  TSetPartition& Partition(Part part) { return parts_[part]; }

  static LayerSet FromPartitions(std::uint32_t mask) { return LayerSet().IncludePartitions(mask); }
  static LayerSet AllLayers() { return LayerSet().IncludeAll(); }

 private:
  LayerSet& Reset(Part part, bool all) {
    parts_[part].Reset(all);
    return *this;
  }
  std::array<TSetPartition, kPartCount> parts_;
};

// Walks the explicitly included layers of a finite set: partitions in the order signal,
// mechanical, internal, standard, each in its hash's order. The set must outlive the walk;
// changes to it show in the walk, and a hash that is dropped meanwhile ends its partition.
class LayerSetWalker {
 public:
  // Raises EPCB_LayerSetException "Iterating an infinite layer set" when a partition has All.
  explicit LayerSetWalker(const LayerSet& set);
  bool Next();
  TLayer Layer() const;
  void Reset();

 private:
  const TLayerHash* CurrentHash() const;
  const LayerSet* set_;
  int part_ = -1;
  std::unique_ptr<TBucketListIterator> items_;
  const TLayerHash* items_hash_ = nullptr;
};

}  // namespace sdk
