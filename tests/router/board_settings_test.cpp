// The router's board settings, per-document layer directions and via-style choices, on the
// example board in the stand-in editor.
#include <gtest/gtest.h>

#include "router/document_settings.h"
#include "router/router_board.h"
#include "router/via_styles.h"
#include "framework/ini_file.h"
#include "sdk/exceptions.h"
#include "sdk/file_ownership.h"
#include "sdk/quorvel_session.h"

namespace {

using quorveltest::QuorvelSession;
using router::TRoutingDirection;

// A copy of the example board in a folder of its own, open in the editor: its per-document
// file lands beside the copy.
class BoardCopy : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QuorvelSession::Get().loaded());
    board_file_ = dir_.Path("board.json");
    testsupport::WriteFile(board_file_, testsupport::ReadFile(quorveltest::ExampleBoardPath()));
    ASSERT_EQ(QuorvelSession::Get().Open(board_file_), "");
    board_ = sdk::PcbApi_GetCurrentBoardHandle();
    ASSERT_NE(board_, 0u);
  }
  std::string Preferences() const { return dir_.Path("board.qixpref"); }

  testsupport::TempDir dir_;
  std::string board_file_;
  sdk::Handle board_ = 0;
};

// Defaults without a file; a file that cannot be written stays as it was and the save raises;
// otherwise every key is written, other sections kept, and read back.
TEST_F(BoardCopy, RouterSettingsGoToTheWindowsFolderAndBack) {
  const std::string file = router::SettingsFileName();
  DeleteFileA(file.c_str());
  router::TBoard board(board_);
  ASSERT_EQ(board.Sync(1), 0);
  EXPECT_TRUE(board.Imperial());
  EXPECT_EQ(board.settings.wire_grid, 200000) << "defaults without a file";
  const std::string old = "[SpecctraSetup]\r\nWireGrid=7mil\r\n[Other]\r\nKept=1\r\n";
  testsupport::WriteFile(file, old);
  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY);
  board.Sync(1);
  EXPECT_EQ(board.settings.wire_grid, 70000);
  board.settings.wire_grid = 125000;
  board.settings.export_polygons = true;
  try {
    board.Sync(0);
    ADD_FAILURE() << "no error";
  } catch (const sdk::Exception& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot write the settings file " + file + ": the file is read-only");
  }
  EXPECT_EQ(testsupport::ReadFile(file), old);
  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
  board.Sync(0);
  const std::string written = testsupport::ReadFile(file);
  EXPECT_NE(written.find("WireGrid=12.5mil\r\n"), std::string::npos) << written;
  EXPECT_NE(written.find("[Other]\r\nKept=1\r\n"), std::string::npos) << written;
  router::TBoard again(board_);
  again.Sync(1);
  EXPECT_EQ(again.settings.wire_grid, 125000);
  EXPECT_TRUE(again.settings.export_polygons);
  DeleteFileA(file.c_str());
}

// Directions alternate down the stack, skipping planes; stored ones, without the layers that
// are off, are read back instead of the defaults.
TEST_F(BoardCopy, DirectionsAlternateDownTheStackAndAreStoredWithoutTheLayersOff) {
  {
    router::TQixDocumentSetings settings(board_);
    // Top, MidLayer1, (two planes), MidLayer2, Bottom.
    for (const auto& [layer, direction] : {std::pair{1, TRoutingDirection::Horizontal},
                                           {2, TRoutingDirection::Vertical},
                                           {3, TRoutingDirection::Horizontal},
                                           {32, TRoutingDirection::Vertical},
                                           {4, TRoutingDirection::Off},
                                           {39, TRoutingDirection::Off}}) {
      EXPECT_EQ(settings.Direction(layer), direction) << layer;
    }
    settings.SetDirection(2, TRoutingDirection::Off);
    settings.SetDirection(3, TRoutingDirection::PositiveDiagonal);
    settings.Save();
  }
  EXPECT_EQ(testsupport::ReadFile(Preferences()),
            "[LayerDirections]\r\nTopLayer=horizontal\r\nMidLayer2=positive_diagonal\r\n"
            "BottomLayer=vertical\r\n");
  router::TQixDocumentSetings read(board_);
  EXPECT_EQ(read.Direction(2), TRoutingDirection::Off) << "stored choices, not the defaults";
  EXPECT_EQ(read.Direction(3), TRoutingDirection::PositiveDiagonal);
  EXPECT_EQ(read.Direction(32), TRoutingDirection::Vertical);
}

std::vector<bool> Enabled(router::TViaStyleAssociationList& list) {
  std::vector<bool> enabled;
  for (int i = 0; i < list.Item(0).Count(); ++i) enabled.push_back(list.Item(0).Item(i).Enabled);
  return enabled;
}

TEST_F(BoardCopy, ViaStyleChoicesReadAsStored) {
  struct Case {
    const char* stored;         // nullptr: no key
    std::vector<bool> enabled;  // pairs (1,32), (1,2), (2,3)
    const char* why;
  };
  const Case cases[] = {
      {nullptr, {true, true, true}, "a rule with no stored value has every pair"},
      {"1-32", {true, false, false}, "only the named pair"},
      {"32-1|2-3", {true, false, true}, "either order"},
      {"x-y", {true, false, false}, "parts that are no numbers are 1 and 32"},
      {"5-6", {false, false, false}, "a pair the board lacks enables nothing"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    DeleteFileA(Preferences().c_str());
    if (c.stored) {
      framework::IniFile stored(Preferences());
      stored.WriteString("ViaStyles", "RoutingVias", c.stored);
      sdk::SaveIniFile(stored);
    }
    router::TViaStyleAssociationList list(board_);
    router::LoadViaStyles(list, Preferences());
    ASSERT_EQ(list.Count(), 1) << "one via-style rule on the board";
    EXPECT_EQ(list.Item(0).Rule().Name(), "RoutingVias");
    EXPECT_EQ(Enabled(list), c.enabled);
  }
}

// Unchecked pairs are stored, every pair unchecked too; drill pairs know which layer is higher.
TEST_F(BoardCopy, UncheckedPairsAreStoredAndDrillPairsKnowTheirLayers) {
  router::TViaStyleAssociationList list(board_);
  router::LoadViaStyles(list, Preferences());
  ASSERT_EQ(list.Count(), 1);
  const router::TPcbViaDrillPair& through = list.Item(0).Item(0);
  EXPECT_EQ(through.upper_layer, 1);
  EXPECT_EQ(through.lower_layer, 32);
  EXPECT_EQ(list.FindRule(list.Item(0).Rule().GetHandle()), &list.Item(0));
  EXPECT_EQ(list.FindRule(0), nullptr);
  list.Item(0).Item(1).Enabled = false;
  router::SaveViaStyles(list, Preferences());
  EXPECT_EQ(framework::IniFile(Preferences()).ReadString("ViaStyles", "RoutingVias", ""),
            "1-32|2-3");
  list.Item(0).DisableAllPairs();
  router::SaveViaStyles(list, Preferences());
  router::TViaStyleAssociationList read(board_);
  router::LoadViaStyles(read, Preferences());
  EXPECT_EQ(Enabled(read), (std::vector<bool>{false, false, false}));
}

sdk::Handle AddEmbedded(sdk::Handle board, const std::string& name) {
  const sdk::Handle object = sdk::PcbApi_CreateObject(pcbapi::kEmbedded);
  pcbapi::Text255 text = quorveltest::MakeText<255>(name);
  std::vector<uint8_t> data(pcbapi::kEmbeddedDataSize);
  sdk::PcbApi_QueryEmbedded(0, object, &text, data.data());
  sdk::PcbApi_AddObjectToContainer(board, object);
  return object;
}

TEST_F(BoardCopy, OnlyEmbeddedObjectsCarryingTheMarkerAreRemoved) {
  const sdk::Handle marked = AddEmbedded(board_, "before tralvek_hs after");
  const sdk::Handle partial = AddEmbedded(board_, "Tralvek_H");
  sdk::TPcbBoard board(board_);
  board.Sync(1);
  router::RemoveMarkedEmbeddedObjects(board);
  EXPECT_EQ(sdk::PcbApi_GetObjectIdFromObjectHandle(marked), 0) << "removed";
  EXPECT_EQ(sdk::PcbApi_GetObjectIdFromObjectHandle(partial) & 127, pcbapi::kEmbedded);
}

}  // namespace
