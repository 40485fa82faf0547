// Stored text forms of layer hashes and layer sets, and the delimited lists beneath them.
#include "sdk/layer_text.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <utility>
#include <vector>

#include "tests/support/raised.h"
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

TEST(DelimitedList, SplitsEntriesAsStored) {
  // Blanks around entries are skipped, and a blank or control character ends an unquoted entry;
  // quotes keep blanks, doubled quotes stand for one and an unclosed quote takes the rest; a
  // delimiter at either end adds an empty entry.
  std::string split;
  for (const char* text :
       {"a=1,b=2", "  a=1 , b=2", "Text=1,Top Overlay=5", "Text=1,\"Top Overlay=5\"",
        "\"say \"\"hi\"\"\",x", "a,", ",a", "\"unclosed", "", "a\tb"}) {
    split += "[";
    for (const std::string& entry : Split(text)) split += entry + "|";
    split += "] ";
  }
  EXPECT_EQ(split,
            "[a=1|b=2|] [a=1|b=2|] [Text=1|Top|Overlay=5|] [Text=1|Top Overlay=5|] "
            "[say \"hi\"|x|] [a||] [|a|] [unclosed|] [] [a|b|] ");
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
  EXPECT_EQ(testsupport::ErrorMessage<sdk::ELayerException>(
                [&] { sdk::LayerHashFromText(&hash, "16777217=1,196614=1,16777218=1", ',', '='); }),
            "CreateFromInteger_ForSave(196614)");
  EXPECT_EQ(hash.Count(), 1);
  EXPECT_TRUE(sdk::HashContainsLayer(hash, sdk::TopLayer));
  EXPECT_THROW(sdk::LayerHashFromText(nullptr, "", ',', '='), sdk::EAssertionFailed);
}

TEST(LayerHashText, ReadsDisplayNamesInTextMode) {
  // Entries stored and the value read for the layer: a blank splits an unquoted entry, so nothing
  // is stored; quoted, by display name, whose case is ignored; an empty Text entry means numbers,
  // which in Text mode are no names; a stored 0 is the default, so no entry.
  std::string read;
  // clang-format off
  const std::pair<const char*, TLayer> cases[] = {
      {"Text=1,Top Overlay=5", 33}, {"Text=1,\"Top Overlay=5\"", 33},
      {"Text=1,\"mid layer 3=7\"", 4}, {"Text=,16777217=2", sdk::TopLayer},
      {"Text=1,16777217=2", sdk::TopLayer}, {"16777217=0", sdk::TopLayer}};
  // clang-format on
  for (const auto& [text, layer] : cases) {
    sdk::TLayerHash hash(false, 0, 8);
    sdk::LayerHashFromText(&hash, text, ',', '=');
    read += std::to_string(hash.Count()) + ":" +
            std::to_string(sdk::LookupLayerValue(hash, layer)) + " ";
  }
  EXPECT_EQ(read, "0:0 1:5 1:7 1:2 0:0 0:0 ");
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
