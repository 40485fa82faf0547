// Hash tables keyed by layer, whose lookup may climb a layer's parent chain (a value stored for
// SignalLayersGroup answers for every signal layer that has none of its own).
#pragma once

#include "sdk/hash_table.h"
#include "sdk/layers.h"

namespace sdk {

class LayerSet;

class TCustomLayerHash : public TCustomPointerBucketList {
 public:
  TCustomLayerHash(bool inherit_from_parents, HashValue default_value, int capacity_hint);

  bool InheritFromParents() const { return inherit_from_parents_; }
  // The class name written into the hash's text form.
  virtual const char* ClassName() const { return "TCustomLayerHash"; }

  // Grows the target for this hash's items, then sets each (layer, value) that the filter
  // contains (all without a filter) in iteration order. The target keeps its other entries.
  virtual void AssignTo(TCustomLayerHash& target, const LayerSet* filter) const;

  // Deletes the object each value points to (as T) and sets the value to 0.
  template <class T>
  void FreeValues() {
    ForEach([](HashKey, HashValue& value, bool&) {
      delete reinterpret_cast<T*>(value);
      value = 0;
    });
  }

 protected:
  // With inheritance an explicit default stays stored: it hides the parent's value.
  bool DefaultMeansAbsent() const override { return !inherit_from_parents_; }

 private:
  bool inherit_from_parents_;
};

class TLayerHash : public TCustomLayerHash {
 public:
  using TCustomLayerHash::TCustomLayerHash;
  const char* ClassName() const override { return "TLayerHash"; }
};

inline void SetLayerValue(TCustomLayerHash& hash, TLayer layer, HashValue value) {
  hash.SetValue(layer, value);
}
inline HashValue RemoveLayer(TCustomLayerHash& hash, TLayer layer) {
  return hash.Remove(layer);
}
inline bool HashContainsLayer(const TCustomLayerHash& hash, TLayer layer) {
  return hash.Contains(layer);
}
// The layer's value; with InheritFromParents the nearest value up its parent chain. Without a
// value and without UseDefault raises EListError "Could not find value for Layer=<name>".
HashValue LookupLayerValue(TCustomLayerHash& hash, TLayer layer);

}  // namespace sdk
