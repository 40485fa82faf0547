// A rule scope resolved against a board: the layers its layer words name, the guard against a
// layer stack whose links loop, and which router scope a pad stands for.
#include "router/rule_scope_helper.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "sdk/pcb_object_kinds.h"

namespace {

using router::TSpecctraScope;

// COM objects that live on the test's stack: references are not counted.
template <class Interface>
class StackObject : public Interface {
 public:
  HRESULT __stdcall QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG __stdcall AddRef() override { return 2; }
  ULONG __stdcall Release() override { return 1; }
  std::uint32_t __stdcall GetHandle() override { return 1; }
  IPCB_Board* __stdcall GetBoard() override { return nullptr; }
  HRESULT __stdcall GetName(BSTR* name) override {
    *name = nullptr;
    return S_OK;
  }
};

class FakePad : public StackObject<IPCB_Primitive> {
 public:
  explicit FakePad(BYTE layer) : layer_(layer) {}
  BYTE __stdcall GetObjectId() override { return pcbapi::kPad; }
  BYTE __stdcall GetLayer() override { return layer_; }

 private:
  BYTE layer_;
};

// A board whose layer stack is whatever the test links; it gives up on a walk that never ends.
class FakeBoard : public StackObject<IPCB_Board> {
 public:
  FakeBoard(std::vector<std::pair<BYTE, std::wstring>> stack, std::map<BYTE, BYTE> next)
      : stack_(std::move(stack)), next_(std::move(next)) {}
  BYTE __stdcall GetObjectId() override { return pcbapi::kBoard; }
  BYTE __stdcall GetLayer() override { return 0; }
  HRESULT __stdcall GetFileName(BSTR* path) override {
    *path = nullptr;
    return S_OK;
  }
  IPCB_BoardIterator* __stdcall CreateBoardIterator() override { return nullptr; }
  BYTE __stdcall GetFirstLayer() override { return stack_.empty() ? 0 : stack_.front().first; }
  BYTE __stdcall GetNextLayer(BYTE layer) override {
    if (++steps_ > kGiveUp) return 0;
    const auto found = next_.find(layer);
    return found == next_.end() ? 0 : found->second;
  }
  HRESULT __stdcall GetLayerName(BYTE layer, BSTR* name) override {
    for (const auto& [number, text] : stack_) {
      if (number == layer) {
        *name = SysAllocString(text.c_str());
        return S_OK;
      }
    }
    *name = nullptr;
    return E_INVALIDARG;
  }
  IPCB_Rule* __stdcall FindDominantRuleForObject(IPCB_Primitive*, BYTE) override { return nullptr; }
  IPCB_Rule* __stdcall FindDominantRuleForObjectPair(IPCB_Primitive*, IPCB_Primitive*,
                                                     BYTE) override {
    return nullptr;
  }
  bool GaveUp() const { return steps_ > kGiveUp; }

 private:
  static constexpr int kGiveUp = 1000;
  std::vector<std::pair<BYTE, std::wstring>> stack_;
  std::map<BYTE, BYTE> next_;
  int steps_ = 0;
};

// The legacy layers 1..82 that the scope's layer words name.
std::vector<int> ScopeLayers(const std::string& scope, IPCB_Board* board = nullptr) {
  router::TRuleExpressionScopeHelper helper;
  helper.SetTree(router::TRuleExpressionParser().ParseScope(scope));
  helper.CollectObjects(board);
  std::vector<int> layers;
  for (int layer = 1; layer <= 82; ++layer) {
    if (helper.layers().Contains(layer)) layers.push_back(layer);
  }
  return layers;
}

std::vector<int> Range(int first, int last) {
  std::vector<int> layers;
  for (int layer = first; layer <= last; ++layer) layers.push_back(layer);
  return layers;
}

TEST(RuleScopeHelper, LayerWordsNameTheirLayers) {
  struct Case {
    const char* scope;
    std::vector<int> layers;
  };
  const Case cases[] = {
      {"OnTopLayer", {1}},  {"OnTop", {1}},          {"OnBottomLayer", {32}},
      {"onbottom", {32}},   {"OnMid", Range(2, 31)}, {"OnSignal", Range(1, 32)},
      {"InNet('GND')", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scope);
    EXPECT_EQ(ScopeLayers(c.scope), c.layers);
  }
}

TEST(RuleScopeHelper, OnLayerFindsTheStackLayerByNameAndWalksALoopingStackOnce) {
  const std::vector<std::pair<BYTE, std::wstring>> stack = {
      {1, L"Top"}, {2, L"Signal 2"}, {40, L"GND Plane"}, {32, L"Bottom"}};
  FakeBoard linked(stack, {{1, 2}, {2, 40}, {40, 32}});
  EXPECT_EQ(ScopeLayers("OnLayer('signal 2')", &linked), std::vector<int>{2});
  EXPECT_EQ(ScopeLayers("OnLayer('Bottom')", &linked), std::vector<int>{32});
  // The host's links run back to the second layer after the third.
  FakeBoard looping(stack, {{1, 2}, {2, 40}, {40, 2}});
  EXPECT_EQ(ScopeLayers("OnLayer('GND Plane')", &looping), std::vector<int>{40});
  EXPECT_EQ(ScopeLayers("OnLayer('Bottom')", &looping), std::vector<int>{}) << "not in the walk";
  EXPECT_FALSE(looping.GaveUp()) << "the walk went round the loop";
  // A host that links layers past the last plane into its stack, the multi-layer among them:
  // they stand for no layer.
  FakeBoard multi({{1, L"Top"}, {54, L"Last Plane"}, {55, L"Guide"}, {74, L"Multi"}},
                  {{1, 54}, {54, 55}, {55, 74}});
  EXPECT_EQ(ScopeLayers("OnLayer('Last Plane')", &multi), std::vector<int>{54});
  EXPECT_EQ(ScopeLayers("OnLayer('Guide')", &multi), std::vector<int>{});
  EXPECT_EQ(ScopeLayers("OnLayer('Multi')", &multi), std::vector<int>{});
}

// The object words of a clearance scope name the design file's object ids of its clearance
// types: pads both pins (0) and surface-mount pads (1), vias 2, tracks 3, fills the area 4; no
// word names a test point (5).
TEST(RuleScopeHelper, ObjectWordsNameTheirObjectIds) {
  const std::pair<const char*, const char*> cases[] = {{"IsPad", "110000"},
                                                       {"IsVia", "001000"},
                                                       {"IsTrack", "000100"},
                                                       {"IsFill", "000010"},
                                                       {"InNet('A')", "000000"}};
  for (const auto& [scope, named] : cases) {
    router::TRuleExpressionScopeHelper helper;
    helper.SetTree(router::TCleranceRuleExpressionParser().ParseScope(scope));
    helper.CollectObjects(nullptr);
    std::string ids;
    for (int id = 0; id <= router::kTestPointObjectId; ++id)
      ids += helper.NamesObjectId(id) ? '1' : '0';
    EXPECT_EQ(ids, named) << scope;
  }
}

TEST(RuleScopeHelper, PadsOnAnOuterLayerAreSurfaceMountPadsAndOthersPins) {
  struct Case {
    BYTE layer;
    TSpecctraScope scope;
  };
  const Case cases[] = {
      {1, TSpecctraScope::SMDpad}, {32, TSpecctraScope::SMDpad}, {2, TSpecctraScope::Pin},
      {31, TSpecctraScope::Pin},   {74, TSpecctraScope::Pin},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.layer));
    FakePad pad(c.layer);
    EXPECT_EQ(router::ObjectScopeKind(&pad), c.scope);
  }
}

// The host may hold one object of two and not the other, when they differ in their layer alone,
// by a layer or room word or a pad kind the layer decides; a through test point and a through pad
// by a test-point word only; objects of one net by any word but those of nets, classes, from-tos
// and the board. Of a word the parsers do not know nothing is known.
TEST(RuleScopeHelper, ScopesThatMayTellObjectsApart) {
  struct Case {
    const char* scope;
    bool layers, test_points, objects_of_a_net;
  };
  const Case cases[] = {
      {"All", false, false, false},
      {"InNet('A') Or Not InNetClass('P')", false, false, false},
      {"InFromToClass('G')", false, false, false},
      {"IsPad And InNet('A')", false, false, true},
      {"IsVia Or IsTrack Or IsFill Or IsPolyRegion", false, false, true},
      {"InNet('A') And OnLayer('MidLayer1')", true, false, true},
      {"InNet('A') And OnTopLayer", true, false, true},
      {"Not OnBottom", true, false, true},
      {"OnMid", true, false, true},
      {"OnSignal", true, false, true},
      {"WithinRoom('R')", true, false, true},
      {"IsThruPin", true, false, true},
      {"IsSMDPad Or IsPad", true, false, true},
      {"IsTestPoint", false, true, true},
      {"InNet('A') And IsArc", true, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scope);
    const auto tree = router::TCleranceRuleExpressionParser().ParseScope(c.scope);
    EXPECT_EQ(router::MayTellLayersApart(tree.get()), c.layers);
    EXPECT_EQ(router::MayTellTestPointsFromPads(tree.get()), c.test_points);
    EXPECT_EQ(router::MayTellObjectsOfANetApart(tree.get()), c.objects_of_a_net);
  }
  EXPECT_TRUE(router::MayTellLayersApart(nullptr)) << "no scope read";
  EXPECT_TRUE(router::MayTellTestPointsFromPads(nullptr)) << "no scope read";
  EXPECT_TRUE(router::MayTellObjectsOfANetApart(nullptr)) << "no scope read";
}

}  // namespace
