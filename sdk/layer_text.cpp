// Text forms of layer hashes and layer sets.
#include "sdk/layer_text.h"

#include <cstdint>

#include "sdk/ascii_case.h"
#include "sdk/delimited_list.h"
#include "sdk/layer_errors.h"
#include "sdk/number_text.h"

namespace sdk {

namespace {

constexpr char kHashDelimiter = ',';
constexpr char kHashSeparator = '=';
constexpr char kSetDelimiter = '_';
constexpr char kSetSeparator = '~';
constexpr int kHashCapacityHint = 8;


// A number (zero is false) or the words True and False in any case.
bool ParseBoolean(std::string_view text, bool& value) {
  double number = 0;
  if (ParseDecimal(text, number)) {
    value = number != 0;
    return true;
  }
  if (EqualsIgnoringCase(text, "true")) return value = true, true;
  if (EqualsIgnoringCase(text, "false")) return value = false, true;
  return false;
}

std::unique_ptr<TLayerHash> ReadPartitionHash(std::string_view text) {
  if (text.empty()) return nullptr;
  auto hash = std::make_unique<TLayerHash>(false, 0, kHashCapacityHint);
  LayerHashFromText(hash.get(), text, kHashDelimiter, kHashSeparator);
  return hash;
}

void WritePartitionText(DelimitedList& list, const char* prefix, const TSetPartition& p) {
  const std::string name(prefix);
  list.Add(name + ".All", p.All ? "-1" : "0");
  if (p.IncludeHash) {
    list.Add(name + ".Include", LayerHashToText(*p.IncludeHash, kHashSeparator, kHashDelimiter));
  }
  if (p.ExcludeHash) {
    list.Add(name + ".Exclude", LayerHashToText(*p.ExcludeHash, kHashSeparator, kHashDelimiter));
  }
}

void ReadPartitionText(const DelimitedList& list, const char* prefix, TSetPartition& p) {
  const std::string name(prefix);
  bool all = false;
  if (!ParseBoolean(list.Value(name + ".All"), all)) return;
  p.All = all;
  p.IncludeHash = ReadPartitionHash(list.Value(name + ".Include"));
  p.ExcludeHash = ReadPartitionHash(list.Value(name + ".Exclude"));
}

}  // namespace

std::string LayerHashToText(const TCustomLayerHash& hash, char name_value_separator,
                            char delimiter) {
  DelimitedList list(delimiter, name_value_separator);
  list.Add("SerializeLayerHash.Version", "2");
  list.Add("ClassName", hash.ClassName());
  TBucketListIterator items(hash);
  while (items.Next()) {
    const TLayer layer = static_cast<TLayer>(items.GetKey());
    const std::int32_t value = static_cast<std::int32_t>(items.GetValue());
    list.Add(std::to_string(ToInteger_ForSave(layer)), std::to_string(value));
  }
  return list.Text();
}

void LayerHashFromText(TCustomLayerHash* hash, std::string_view text, char delimiter,
                       char name_value_separator) {
  if (!hash) throw EAssertionFailed("Assertion failure", "RTL\\RT_PCBProcs", __LINE__);
  DelimitedList list(delimiter, name_value_separator);
  list.SetText(text);
  const bool by_name = !list.Value("Text").empty();
  hash->Clear();
  for (size_t i = 0; i < list.Entries().size(); ++i) {
    std::uint32_t value = 0;
    if (!ParseInt32Pattern(list.ValueOf(i), value)) continue;
    TLayer layer = NoLayer;
    if (by_name) {
      layer = LayerFromDisplayName(list.NameOf(i));
      if (layer == NoLayer) continue;
    } else {
      std::int32_t number = 0;
      if (!ParseInt32(list.NameOf(i), number)) continue;
      layer = CreateFromInteger_ForSave(number);
    }
    hash->SetValue(layer, value);
  }
}

std::string LayerSetToText(const LayerSet& set) {
  DelimitedList list(kSetDelimiter, kSetSeparator);
  for (int i = 0; i < LayerSet::kPartCount; ++i) {
    const auto part = static_cast<LayerSet::Part>(i);
    WritePartitionText(list, LayerSet::kPartNames[i], set.Partition(part));
  }
  return list.Text();
}

LayerSet LayerSetFromText(std::string_view text) {
  LayerSet set;
  DelimitedList list(kSetDelimiter, kSetSeparator);
  list.SetText(text);
  for (int i = 0; i < LayerSet::kPartCount; ++i) {
    const auto part = static_cast<LayerSet::Part>(i);
    ReadPartitionText(list, LayerSet::kPartNames[i], set.Partition(part));
  }
  return set;
}

}  // namespace sdk
