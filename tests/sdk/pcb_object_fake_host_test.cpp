// The board object model against a fake editor that counts calls and gives answers the stand-in
// editor never gives.
#include <windows.h>

#include <gtest/gtest.h>

#include "sdk/pcb_object_kinds.h"
#include "support/test_paths.h"

namespace {

using namespace sdk;

class FakeEditor : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module_ = LoadLibraryA(testsupport::BinaryPath("fakehost\\Quorvel.dll").c_str());
  }
  void SetUp() override {
    ASSERT_NE(module_, nullptr) << "the fake Quorvel.dll did not load";
    Reset(250);
  }
  template <class Proc>
  static Proc Export(const char* name) {
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }
  static void Reset(int32_t references) {
    Export<void(__stdcall*)(int32_t)>("Fake_Reset")(references);
  }
  static int Calls() { return Export<int(__stdcall*)()>("Fake_Calls")(); }
  static Handle Of(uint8_t kind, uint32_t answers = 0) { return Handle{kind} << 8 | answers; }
  static HMODULE module_;
};
HMODULE FakeEditor::module_ = nullptr;

TEST_F(FakeEditor, KindsWithoutAClassCostOnlyTheKindQuery) {
  for (uint8_t kind : {0, 23, 24, 25, 27, 99}) {
    SCOPED_TRACE(static_cast<int>(kind));
    Reset(0);
    EXPECT_EQ(CreatePcbObject(Of(kind)), nullptr);
    EXPECT_EQ(Calls(), 1);
  }
  // The editor's kind byte may carry a high bit: only the low 7 bits name the kind.
  EXPECT_NE(CreatePcbObject(Of(pcbapi::kTextObject | 0x80)), nullptr);
}

TEST_F(FakeEditor, FlagSettersWithoutWriteBackMakeNoCall) {
  TPcbVia via(Of(pcbapi::kVia));
  Reset(0);
  via.SetTestPointTop(true);
  via.SetTestPointBottom(true);
  via.SetFlag12(true);
  via.SetBitField3Bits1And2(true);
  EXPECT_TRUE(via.GetTestPointTop() && via.GetTestPointBottom());
  EXPECT_EQ(std::make_pair(via.GetFlags(), Calls()), std::make_pair(uint16_t{0x3000 | 0x0800}, 0));
}

TEST_F(FakeEditor, DimensionTakesNoMoreReferencesThanItsTableHolds) {
  for (int32_t count : {0, 2, 200, 201, 250, 100000}) {
    SCOPED_TRACE(count);
    Reset(count);
    TPcbDimension dimension(Of(pcbapi::kDimension));
    EXPECT_EQ(dimension.Sync(pcbapi::kRead), 0);
    const int expected = count < 200 ? count : 200;
    EXPECT_EQ(std::make_pair(dimension.GetReferenceCount(),
                             Export<int(__stdcall*)()>("Fake_MaxReferenceIndex")()),
              std::make_pair(expected, expected - 1));
    if (expected > 0) {
      EXPECT_EQ(dimension.GetReference(expected - 1).point, expected - 1);
    }
  }
}

TEST_F(FakeEditor, FailedRecordsAreReportedAsFailures) {
  struct Case {
    uint8_t kind;
    uint32_t answers;
    int result;
  };
  // Bit 0: every record fails; bit 1: only the kind's first record fails.
  const Case cases[] = {
      {pcbapi::kDimension, 0, 0},
      {pcbapi::kDimension, 1, 1},
      {pcbapi::kDimension, 2, 1},  // the extended record succeeded, the main one did not
      {pcbapi::kTextObject, 0, 0},
      {pcbapi::kTextObject, 2, 1},  // the text record failed, its TrueType info did not
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << int{c.kind} << "/" << c.answers);
    std::unique_ptr<TPCBObject> object = CreatePcbObject(Of(c.kind, c.answers));
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->Sync(pcbapi::kRead), c.result);
  }
}

}  // namespace
