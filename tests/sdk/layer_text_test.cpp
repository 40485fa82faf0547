// Stored text forms of layer hashes and layer sets, and the delimited lists beneath them.
#include "sdk/layer_text.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <utility>
#include <vector>

#include "sdk/delimited_list.h"
#include "sdk/layer_errors.h"

namespace {

using sdk::LayerSet;
using sdk::TLayer;

std::vector<std::string> Split(const char* text, char delimiter = ',') {
  sdk::DelimitedList list(delimiter, '=');
  list.SetText(text);
  return list.Entries();
}

struct SplitCase {
  const char* text;
  std::vector<std::string> entries;
  const char* why;
};
const SplitCase kSplits[] = {
    {"a=1,b=2", {"a=1", "b=2"}, "plain entries"},
    {"  a=1 , b=2", {"a=1", "b=2"}, "blanks around entries are skipped"},
    {"Text=1,Top Overlay=5", {"Text=1", "Top", "Overlay=5"}, "a blank ends an unquoted entry"},
    {"Text=1,\"Top Overlay=5\"", {"Text=1", "Top Overlay=5"}, "quotes keep blanks"},
    {"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}, "doubled quotes stand for one"},
    {"a,", {"a", ""}, "a delimiter at the end adds an empty entry"},
    {",a", {"", "a"}, "a leading delimiter gives an empty entry"},
    {"\"unclosed", {"unclosed"}, "an unclosed quote takes the rest"},
    {"", {}, "nothing"},
    {"a\tb", {"a", "b"}, "control characters end entries too"},
};

TEST(DelimitedList, SplitsEntriesAsStored) {
  for (const SplitCase& c : kSplits) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(Split(c.text), c.entries);
  }
}

TEST(DelimitedList, QuotesWhatWouldNotReadBack) {
  sdk::DelimitedList list(',', '=');
  for (const char* entry : {"plain", "with blank", "a,b", "q\"q", ""}) list.Add(entry);
  EXPECT_EQ(list.Text(), "plain,\"with blank\",\"a,b\",\"q\"\"q\",");
  sdk::DelimitedList back(',', '=');
  back.SetText(list.Text());
  EXPECT_EQ(back.Entries(), list.Entries());

  sdk::DelimitedList single(',', '=');
  single.Add("");
  EXPECT_EQ(single.Text(), "\"\"");
}

TEST(DelimitedList, LooksUpValuesByNameWithoutCase) {
  sdk::DelimitedList list('_', '~');
  list.SetText("Signal.All~0_signal.all~-1_Mechanical.Include~a~b");
  EXPECT_EQ(list.Value("SIGNAL.ALL"), "0");  // the first match
  EXPECT_EQ(list.Value("Mechanical.Include"), "a~b");
  EXPECT_EQ(list.Value("Missing"), "");
}

// ---- Layer hashes -------------------------------------------------------------------------------

std::string HashText(const sdk::TLayerHash& hash) { return sdk::LayerHashToText(hash, '=', ','); }

TEST(LayerHashText, WritesVersionClassNameAndLayersInHashOrderAndReadsThemBack) {
  sdk::TLayerHash hash(false, 0, 8);
  EXPECT_EQ(HashText(hash), "SerializeLayerHash.Version=2,ClassName=TLayerHash");
  sdk::SetLayerValue(hash, 0x04000100, 3);        // mechanical 256: bucket 1
  sdk::SetLayerValue(hash, sdk::BottomLayer, 1);  // bucket 0, like every classic layer
  sdk::SetLayerValue(hash, 33, static_cast<sdk::HashValue>(-1));
  EXPECT_EQ(HashText(hash),
            "SerializeLayerHash.Version=2,ClassName=TLayerHash,16842751=1,16973830=-1,"
            "16908544=3");
  sdk::SetLayerValue(hash, 99, 1);  // replaced by the reading
  sdk::LayerHashFromText(
      &hash,
      "SerializeLayerHash.Version=2,ClassName=TLayerHash,16842751=1,16973830=-1,x=1,16777217=y",
      ',', '=');
  EXPECT_EQ(HashText(hash),
            "SerializeLayerHash.Version=2,ClassName=TLayerHash,16842751=1,16973830=-1");
}

TEST(LayerHashText, ANumberWithoutTheMarkerBitRaisesKeepingWhatWasRead) {
  sdk::TLayerHash hash(false, 0, 8);
  try {
    sdk::LayerHashFromText(&hash, "16777217=1,196614=1,16777218=1", ',', '=');
    ADD_FAILURE() << "no error";
  } catch (const sdk::ELayerException& e) {
    EXPECT_STREQ(e.what(), "CreateFromInteger_ForSave(196614)");
  }
  EXPECT_EQ(hash.Count(), 1);
  EXPECT_TRUE(sdk::HashContainsLayer(hash, sdk::TopLayer));
  EXPECT_THROW(sdk::LayerHashFromText(nullptr, "", ',', '='), sdk::EAssertionFailed);
}

struct TextModeCase {
  const char* text;
  int count;
  TLayer layer;
  sdk::HashValue value;
  const char* why;
};
const TextModeCase kTextModes[] = {
    {"Text=1,Top Overlay=5", 0, 33, 0, "the blank splits the entry: nothing is stored"},
    {"Text=1,\"Top Overlay=5\"", 1, 33, 5, "quoted: stored by display name"},
    {"Text=1,\"mid layer 3=7\"", 1, 4, 7, "names ignore case"},
    {"Text=,16777217=2", 1, sdk::TopLayer, 2, "an empty Text entry means numbers"},
    {"Text=1,16777217=2", 0, sdk::TopLayer, 0, "in Text mode numbers are no names"},
    {"16777217=0", 0, sdk::TopLayer, 0, "a stored 0 is the default: no entry"},
};

TEST(LayerHashText, ReadsDisplayNamesInTextMode) {
  for (const TextModeCase& c : kTextModes) {
    SCOPED_TRACE(c.why);
    sdk::TLayerHash hash(false, 0, 8);
    sdk::LayerHashFromText(&hash, c.text, ',', '=');
    EXPECT_EQ(std::make_pair(hash.Count(), sdk::LookupLayerValue(hash, c.layer)),
              std::make_pair(c.count, c.value));
  }
}

// ---- Layer sets ---------------------------------------------------------------------------------

TEST(LayerSetText, WritesTheTopLayerSetExactly) {
  EXPECT_EQ(sdk::LayerSetToText(LayerSet().Include(sdk::TopLayer)),
            "Signal.All~0_Signal.Include~SerializeLayerHash.Version=2,ClassName=TLayerHash,"
            "16777217=1_Mechanical.All~0_Internal.All~0_Standard.All~0");
  EXPECT_EQ(sdk::LayerSetToText(LayerSet().IncludeAllSignal()),
            "Signal.All~-1_Mechanical.All~0_Internal.All~0_Standard.All~0");
  EXPECT_EQ(sdk::LayerSetToText(LayerSet().IncludeAllMechanical().Exclude(57)),
            "Signal.All~0_Mechanical.All~-1_Mechanical.Exclude~SerializeLayerHash.Version=2,"
            "ClassName=TLayerHash,16908289=1_Internal.All~0_Standard.All~0");
}

const std::function<LayerSet()> kRoundTrips[] = {
    [] { return LayerSet(); },
    [] { return LayerSet().Include(sdk::TopLayer); },
    [] { return LayerSet().Include(sdk::TopLayer).Exclude(sdk::TopLayer); },  // empty hash kept
    [] { return LayerSet().Include(sdk::MidLayersGroup).Include(0x04000100).Include(74); },
    [] {
      return LayerSet::AllLayers().Exclude(33).Exclude(0x0101FFFE).Exclude(sdk::DrcDetailsLayer);
    },
    [] {
      LayerSet set;
      for (int n = 1; n <= 2000; ++n) set.Include(sdk::MechanicalLayer(n * 7));
      return set;
    },
};

TEST(LayerSetText, WrittenSetsReadBackEqualAndRewriteIdentically) {
  for (size_t i = 0; i < std::size(kRoundTrips); ++i) {
    SCOPED_TRACE(i);
    const LayerSet set = kRoundTrips[i]();
    const std::string text = sdk::LayerSetToText(set);
    const LayerSet back = sdk::LayerSetFromText(text);
    EXPECT_TRUE(back.SameAs(&set));
    EXPECT_EQ(sdk::LayerSetToText(back), text);
  }
}

TEST(LayerSetText, ReadsBooleanWordsAndSkipsWhatItCannotRead) {
  const LayerSet words =
      sdk::LayerSetFromText("Signal.All~True_Mechanical.All~false_Internal.All~TRUE");
  const LayerSet signal_and_planes = LayerSet().IncludeAllSignal().IncludeAllInternalPlanes();
  EXPECT_TRUE(words.SameAs(&signal_and_planes));

  // A partition whose flag is no Boolean stays empty, whatever else it lists.
  const LayerSet bad =
      sdk::LayerSetFromText("Signal.All~maybe_Signal.Include~16777217=1_Other~1_Standard.All~2");
  EXPECT_TRUE(bad.Partition(LayerSet::kSignal).IsEmpty());
  EXPECT_FALSE(bad.Partition(LayerSet::kSignal).IncludeHash);
  EXPECT_TRUE(bad.Partition(LayerSet::kStandard).IsComplete());  // any non-zero number is true
  EXPECT_TRUE(sdk::LayerSetFromText("").IsEmpty());
  EXPECT_TRUE(sdk::LayerSetFromText("garbage text").IsEmpty());
}

}  // namespace
