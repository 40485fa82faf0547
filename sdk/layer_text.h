// The stored one-line forms of layer hashes and layer sets.
//
// Layer hash:  SerializeLayerHash.Version=2,ClassName=TLayerHash,16777217=1
//              (one entry per layer: the layer's integer save form = its value)
// Layer set:   Signal.All~0_Signal.Include~<hash text>_Mechanical.All~0_Internal.All~0_...
#pragma once

#include <string>
#include <string_view>

#include "sdk/layer_hash.h"
#include "sdk/layer_set.h"

namespace sdk {

std::string LayerHashToText(const TCustomLayerHash& hash, char name_value_separator,
                            char delimiter);
// Replaces the hash's entries with those of the text. Entries that do not parse are skipped; a
// layer number without the save form's bit 24 raises ELayerException, keeping what was read. A
// text with a non-empty "Text" entry names its layers by display name instead of number.
void LayerHashFromText(TCustomLayerHash* hash, std::string_view text, char delimiter,
                       char name_value_separator);

std::string LayerSetToText(const LayerSet& set);
// A partition whose ".All" entry is missing or no Boolean stays empty.
LayerSet LayerSetFromText(std::string_view text);

}  // namespace sdk
