#include "controls/routine_redirect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <stdexcept>

#include "framework/win/module.h"
#include "controls/free_notification.h"
#include "controls/window_dc_redirect.h"
#include "surface.h"

namespace {

using controls::TPatchRecord;

// Large enough for a 5-byte jump: the frame pointer is kept, so each has a prologue.
__attribute__((noinline)) int Original(int x) { return x + 1; }
__attribute__((noinline)) int Replacement(int x) { return x * 10; }

// Through a volatile pointer, so that the compiler cannot call or inline the routine directly.
int Call(int (*routine)(int), int x) {
  int (*volatile through)(int) = routine;
  return through(x);
}

TEST(RoutineRedirect, JumpsToTheTargetAndRestoresTheRoutine) {
  EXPECT_EQ(controls::RelativeJumpOffset(0x1000, 0x2000), 0xFFBu);
  EXPECT_EQ(controls::RelativeJumpOffset(0x2000, 0x1000), 0xFFFFEFFBu);  // backwards

  uint8_t before[8];
  std::memcpy(before, reinterpret_cast<const void*>(&Original), 8);
  TPatchRecord patch;
  controls::RedirectRoutine(reinterpret_cast<void*>(&Original),
                            reinterpret_cast<const void*>(&Replacement), patch);
  ASSERT_EQ(patch.address, reinterpret_cast<uintptr_t>(&Original));
  EXPECT_EQ(std::memcmp(patch.saved, before, 8), 0);
  const auto* code = reinterpret_cast<const uint8_t*>(&Original);
  EXPECT_EQ(code[0], 0xE9);
  uint32_t offset;
  std::memcpy(&offset, code + 1, 4);
  EXPECT_EQ(offset,
            controls::RelativeJumpOffset(patch.address, reinterpret_cast<uintptr_t>(&Replacement)));
  EXPECT_EQ(Call(&Original, 4), 40);

  controls::RestoreRoutine(patch);
  EXPECT_EQ(std::memcmp(code, before, 8), 0);
  EXPECT_EQ(Call(&Original, 4), 5);

  TPatchRecord failed;
  std::memset(failed.saved, 0xCC, sizeof failed.saved);
  controls::RestoreRoutine(failed);  // address 0: nothing is written
  EXPECT_EQ(Call(&Original, 4), 5);
}

TEST(ClipRect, NarrowsExcludesAndRestoresTheClipping) {
  xptest::Surface surface(20, 20, RGB(0, 0, 0));
  const win::UniqueBrush red(CreateSolidBrush(RGB(255, 0, 0)));
  const RECT all = {0, 0, 20, 20};
  HRGN saved = reinterpret_cast<HRGN>(1);
  controls::BeginClipRect(surface.dc(), {5, 5, 10, 10}, saved, false);
  EXPECT_EQ(saved, nullptr) << "a context without clipping saves no region";
  FillRect(surface.dc(), &all, red.get());
  EXPECT_EQ(xptest::Pixels(surface, {{5, 5}, {4, 5}, {10, 9}}), "ff0000 000000 000000");
  controls::EndClipRect(surface.dc(), saved);
  const win::UniqueRegion probe(CreateRectRgn(0, 0, 0, 0));
  EXPECT_EQ(GetClipRgn(surface.dc(), probe.get()), 0) << "clipping is gone again";

  // With a clip region already set: exclusion inside it, then the old region comes back.
  surface.Fill(RGB(0, 0, 0));
  const win::UniqueRegion outer(CreateRectRgn(0, 0, 15, 15));
  SelectClipRgn(surface.dc(), outer.get());
  {
    const controls::ClipRectScope scope(surface.dc(), {2, 2, 4, 4}, true);
    FillRect(surface.dc(), &all, red.get());
  }
  // Excluded, painted, outside the old region.
  EXPECT_EQ(xptest::Pixels(surface, {{2, 2}, {5, 5}, {16, 16}}), "000000 ff0000 000000");
  surface.Fill(RGB(0, 0, 0));
  FillRect(surface.dc(), &all, red.get());
  EXPECT_EQ(xptest::Pixels(surface, {{2, 2}, {16, 16}}), "ff0000 000000")
      << "the exclusion ended with the scope, the old region is back";
}

// ---- Free notification ---------------------------------------------------------------------

// A listener that records its name and then does what it was given (removes itself or another).
struct Listener {
  std::vector<std::string>* calls;
  std::string name;
  std::function<void()> then = [] {};
  controls::TFreeListener Handle() { return {&Listener::Notify, this}; }
  static void Notify(void* context, const void*) {
    auto* self = static_cast<Listener*>(context);
    self->calls->push_back(self->name);
    self->then();
  }
};

int g_frees = 0;
void CountingFree(void* block) {
  ++g_frees;
  std::free(block);
}

TEST(FreeNotification, FindsSortedEntriesAndWalksListenersSafely) {
  controls::TFreeNotificationRegistry registry;
  std::vector<std::string> calls;
  char storage[6];
  char* const blocks = storage + 1;  // one byte before the first block, for "before all"
  Listener a{&calls, "a"}, b{&calls, "b"}, c{&calls, "c"}, d{&calls, "d"};
  a.then = [&] { registry.RemoveListener(&blocks[3], a.Handle()); };  // itself, during the walk
  b.then = [&] { registry.RemoveListener(&blocks[3], d.Handle()); };  // one still to come
  for (int i : {3, 0, 4, 1}) registry.AddListener(&blocks[i], c.Handle());
  // Found (and where), or where it would be inserted.
  std::string found;
  for (const char* block : {&blocks[3], &blocks[2], &blocks[0] - 1, &blocks[4]}) {
    size_t index = 99;
    const bool there = registry.Find(block, index);
    found += (there ? "+" : "-") + std::to_string(index) + " ";
  }
  EXPECT_EQ(found, "+2 -2 -0 +3 ");

  // Block 3 has listeners c, a, b, d; b removes d.
  for (Listener* listener : {&a, &b, &d}) registry.AddListener(&blocks[3], listener->Handle());
  registry.NotifyFreed(&blocks[3]);
  EXPECT_EQ(calls, (std::vector<std::string>{"c", "a", "b"}));
  size_t index = 0;
  EXPECT_FALSE(registry.Find(&blocks[3], index)) << "the entry goes with the notification";
  EXPECT_EQ(registry.Count(), 3u);
  registry.RemoveListener(&blocks[0], c.Handle());
  EXPECT_FALSE(registry.Find(&blocks[0], index)) << "the last listener removed takes the entry";

  // Freeing goes through the given routine, with or without an entry or registry.
  calls.clear();
  controls::NotifyingFreeMem(std::malloc(8), &CountingFree, &registry);
  controls::NotifyingFreeMem(std::malloc(8), &CountingFree, nullptr);
  EXPECT_TRUE(calls.empty());
  void* registered = std::malloc(8);
  registry.AddListener(registered, c.Handle());
  controls::NotifyingFreeMem(registered, &CountingFree, &registry);
  EXPECT_EQ(g_frees, 3);
  EXPECT_EQ(calls, (std::vector<std::string>{"c"}));
}

// ---- The GetWindowDC redirect --------------------------------------------------------------

// Printing a control's frame through the redirect is the own-drawn controls' test; here: its
// scope, for every caller.
TEST(WindowDcRedirect, HandsOutThePrintDcForOneScope) {
  const HWND window = GetDesktopWindow();
  const auto* code = reinterpret_cast<const uint8_t*>(
      win::ProcAddress(GetModuleHandleW(L"user32.dll"), "GetWindowDC"));
  uint8_t before[5];
  std::memcpy(before, code, 5);

  xptest::Surface print(40, 30, RGB(255, 255, 255));
  try {
    const controls::WindowDcRedirect redirect(print.dc());
    ASSERT_TRUE(redirect.Active());
    EXPECT_EQ(GetWindowDC(window), print.dc());
    EXPECT_EQ(GetWindowDC(nullptr), print.dc()) << "every caller, while it lasts";
    {
      const xptest::Surface inner(4, 4);
      const controls::WindowDcRedirect nested(inner.dc());
      EXPECT_EQ(GetWindowDC(window), inner.dc());
    }
    EXPECT_EQ(GetWindowDC(window), print.dc()) << "the outer redirect is back";
    throw std::runtime_error("painting failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(std::memcmp(code, before, 5), 0) << "restored after a throw";
}

}  // namespace
