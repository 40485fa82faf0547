// The stand-in editor module loaded into the test process, and boards opened in it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sdk/pcb_api.h"
#include "support/test_paths.h"

namespace quorveltest {

// Loads "Quorvel.dll" from the binaries folder once; the bridge binds it on its next call.
class QuorvelSession {
 public:
  static QuorvelSession& Get();
  bool loaded() const { return module_ != nullptr; }
  // Opens a board file; "" on success, else the editor's message.
  std::string Open(const std::string& path);
  std::string Save(const std::string& path);
  // Leaves the editor with no board open.
  void Close() { close_(); }
  void SetJournal(quorvel_host::JournalAppend append);
  // Has the editor refuse operations (see quorvel_host::SetRefusals); 0 operations switch it off.
  void SetRefusals(uint32_t operations, uint32_t kinds, int32_t count = -1) {
    set_refusals_(operations, kinds, count);
  }
  // The calls into the editor so far.
  uint64_t HostCalls() const { return counters_ ? counters_->calls : 0; }

 private:
  QuorvelSession();
  HMODULE module_ = nullptr;
  quorvel_host::OpenBoard open_ = nullptr;
  quorvel_host::SaveBoard save_ = nullptr;
  quorvel_host::CloseBoard close_ = nullptr;
  quorvel_host::SetJournal set_journal_ = nullptr;
  quorvel_host::SetRefusals set_refusals_ = nullptr;
  const quorvel_host::HostCallCounters* counters_ = nullptr;
};

// Handles of one kind in a container (board, net, component; legacy layer 0 = every layer), in
// the editor's order.
std::vector<sdk::Handle> Members(sdk::Handle container, uint8_t kind, uint8_t layer = 0,
                                 uint8_t method = 0);

inline std::string ExampleBoardPath() {
  return testsupport::TestDataPath("../examples/example-board.json");
}

// Opens the example board before each test.
class ExampleBoard : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QuorvelSession::Get().loaded()) << "Quorvel.dll did not load";
    ASSERT_EQ(QuorvelSession::Get().Open(ExampleBoardPath()), "");
    board_ = sdk::PcbApi_GetCurrentBoardHandle();
    ASSERT_NE(board_, 0u);
  }

 public:
  std::vector<sdk::Handle> Objects(uint8_t kind, uint8_t layer = 0, uint8_t method = 0) const {
    return Members(board_, kind, layer, method);
  }
  sdk::Handle board_ = 0;
};

sdk::LegacyLayerSet Layers(std::initializer_list<int> layers);
std::string TextOf(const pcbapi::Text255& text);
template <int N>
pcbapi::Text<N> MakeText(const std::string& value) {
  pcbapi::Text<N> text{};
  text.length = static_cast<uint8_t>(value.size());
  value.copy(text.chars, value.size());
  return text;
}

// Internal units of a length in mils.
constexpr sdk::Coord Mil(double mils) { return static_cast<sdk::Coord>(mils * 10000); }

}  // namespace quorveltest
