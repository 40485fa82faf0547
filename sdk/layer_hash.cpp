// Layer hashes.
#include "sdk/layer_hash.h"

#include "sdk/layer_errors.h"
#include "sdk/layer_set.h"

namespace sdk {

TCustomLayerHash::TCustomLayerHash(bool inherit_from_parents, HashValue default_value,
                                   int capacity_hint)
    : TCustomPointerBucketList(capacity_hint), inherit_from_parents_(inherit_from_parents) {
  SetDefaultValue(default_value);
}

void TCustomLayerHash::AssignTo(TCustomLayerHash& target, const LayerSet* filter) const {
  target.Rehash(Count());
  TBucketListIterator items(*this);
  while (items.Next()) {
    const TLayer layer = static_cast<TLayer>(items.GetKey());
    if (!filter || filter->Contains(layer)) target.SetValue(layer, items.GetValue());
  }
}

HashValue LookupLayerValue(TCustomLayerHash& hash, TLayer layer) {
  if (!hash.InheritFromParents()) return hash.GetValue(layer);
  HashValue value = hash.UseDefault() ? hash.GetDefaultValue(layer) : 0;
  for (TLayer current = layer;;) {
    if (hash.TryGetValue(current, value)) return value;
    current = GetParentLayer(current);
    if (current == NoLayer) break;
  }
  if (!hash.UseDefault()) {
    throw EListError("Could not find value for Layer=" + GetLayerDisplayName(layer));
  }
  return value;
}

}  // namespace sdk
