// Handler lists in their phases and sync modes, and the holding of threads in their message loops,
// with the library started in this process and its hooks installed.
#include "crashreport/drosk_handlers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "crashreport/drosk_start.h"
#include "crashreport/drosk_threads.h"
#include "crashreport/drosk_tools.h"
#include "framework/win/handles.h"

namespace drosk {
namespace {

struct TCall {
  std::string Name;
  DWORD Thread;
  bool InMainThread;
};
std::mutex callsMutex;
std::vector<TCall> calls;

void Record(const std::string& name) {
  const std::lock_guard lock(callsMutex);
  calls.push_back({name, GetCurrentThreadId(), HandlersRunInMainThread()});
}

std::vector<std::string> CallNames() {
  const std::lock_guard lock(callsMutex);
  std::vector<std::string> names;
  for (const TCall& c : calls) names.push_back(c.Name);
  return names;
}

// A handler object: its name is logged, it may claim the event.
struct TRecorder {
  std::string Name;
  bool Claims = false;
};

void ExceptProc(const char* name, bool claims, uint32_t value1, std::string& text1, bool& byte1,
                bool& handled) {
  Record(std::string(name) + ":" + std::to_string(value1));
  text1 += name;
  byte1 = !byte1;
  if (claims) handled = true;
}
void ExceptA(bool, uint32_t v1, uint32_t, uint32_t, std::string& t1, std::string&, bool& b,
             bool& h) {
  ExceptProc("a", false, v1, t1, b, h);
}
void ExceptClaims(bool, uint32_t v1, uint32_t, uint32_t, std::string& t1, std::string&, bool& b,
                  bool& h) {
  ExceptProc("claims", true, v1, t1, b, h);
}
void ExceptMethod(void* object, bool, uint32_t v1, uint32_t, uint32_t, std::string& t1,
                  std::string& t2, bool& b, bool& h) {
  const auto* recorder = static_cast<TRecorder*>(object);
  ExceptProc(recorder->Name.c_str(), recorder->Claims, v1, t1, b, h);
  t2 = "replaced";
}
void ActionProc(uint8_t action, bool, uint32_t, uint32_t, uint32_t, std::string&, std::string&,
                bool& handled) {
  Record("action" + std::to_string(action));
  handled = action == 5;
}
void HiddenProc(uint32_t v1, uint32_t, uint32_t, const std::string& t1) {
  Record("hidden:" + std::to_string(v1) + ":" + t1);
}

class HandlersTest : public testing::Test {
 protected:
  void SetUp() override {
    ClearHandlers();
    calls.clear();
  }
  void TearDown() override { ClearHandlers(); }

  // Fires an exception in the phase; gives the handlers called, then the texts, the flag and
  // whether the event ends handled.
  static std::string Fire(uint8_t phase, const std::string& text = "", bool handled = false) {
    calls.clear();
    TFireHandlersParams p;
    p.Kind = THandlerKind::Exception;
    p.Phase = phase;
    p.Value1 = 42;
    p.Text1 = text;
    p.Handled = handled;
    FireHandlers(p);
    std::string out;
    for (const std::string& name : CallNames()) out += name + " ";
    return out + "| " + p.Text1 + " " + p.Text2 + (p.Byte1 ? " set" : " clear") +
           (p.Handled ? " handled" : "");
  }
};

TEST_F(HandlersTest, ExceptionHandlersRunByPhaseMethodsFirstAndStopWhenHandled) {
  EXPECT_EQ(Fire(0, "kept", true), "| kept  clear handled") << "no handler at all: nothing changes";
  TRecorder method{"m"};
  const TMethodEntry<TExceptHandlerOO> methodIn2{TSyncMode::HandlingThread, 2, ExceptMethod,
                                                 &method};
  RegisterHandler(TProcEntry<TExceptHandler>{TSyncMode::HandlingThread, 0, ExceptA});
  RegisterHandler(TProcEntry<TExceptHandler>{TSyncMode::HandlingThread, 0, ExceptA});  // once
  RegisterHandler(
      TMethodEntry<TExceptHandlerOO>{TSyncMode::HandlingThread, 0, ExceptMethod, &method});
  RegisterHandler(TProcEntry<TExceptHandler>{TSyncMode::HandlingThread, 1, ExceptClaims});
  // Methods first, each sees what the last left (the flag flipped twice).
  EXPECT_EQ(Fire(0), "m:42 a:42 | ma replaced clear");
  // A method that handles the event in phase 0 keeps the plain list from running.
  method.Claims = true;
  EXPECT_EQ(Fire(0), "m:42 | m replaced set handled");
  EXPECT_EQ(Fire(1), "claims:42 | claims  set handled");
  // Phase 2: every handler runs although one handled the event, and handled ends clear.
  RegisterHandler(TProcEntry<TExceptHandler>{TSyncMode::HandlingThread, 2, ExceptClaims});
  RegisterHandler(methodIn2);
  RegisterHandler(TProcEntry<TExceptHandler>{TSyncMode::HandlingThread, 2, ExceptA});
  EXPECT_EQ(Fire(2), "m:42 claims:42 a:42 | mclaimsa replaced set");
  UnregisterHandler(methodIn2);
  EXPECT_EQ(Fire(2), "claims:42 a:42 | claimsa  clear");
}

TEST_F(HandlersTest, ActionAndHiddenHandlersIgnorePhases) {
  RegisterHandler(TProcEntry<TActionHandler>{TSyncMode::HandlingThread, 3, ActionProc});
  RegisterHandler(TProcEntry<THiddenHandler>{TSyncMode::HandlingThread, 1, HiddenProc});
  TFireHandlersParams action;
  action.Kind = THandlerKind::Action;
  action.Action = 5;
  FireHandlers(action);
  EXPECT_TRUE(action.Handled);
  TFireHandlersParams hidden;
  hidden.Kind = THandlerKind::Hidden;
  hidden.Value1 = 7;
  hidden.Text1 = "Oops";
  FireHandlers(hidden);
  EXPECT_EQ(CallNames(), (std::vector<std::string>{"action5", "hidden:7:Oops"}));
  EXPECT_FALSE(hidden.Handled);
}

void SyncSkip(bool, uint32_t, uint32_t, uint32_t, std::string&, std::string&, bool&, bool&) {
  Record("skip");
}
void SyncHere(bool, uint32_t, uint32_t, uint32_t, std::string& t1, std::string&, bool&, bool&) {
  Record("here");
  t1 += "here";
}
void OnHandlingThread(bool, uint32_t, uint32_t, uint32_t, std::string&, std::string&, bool&,
                      bool&) {
  Record("direct");
}

DWORD WINAPI FireThread(void* params) {
  FireHandlers(*static_cast<TFireHandlersParams*>(params));
  return 0;
}

// Fires phase 0 on a thread of its own, as the exception-handling thread does; the main thread
// either answers its messages meanwhile or stays blocked.
TFireHandlersParams FireOnOtherThread(bool mainAnswers, bool flag) {
  TFireHandlersParams params;
  params.Flag = flag;
  const win::UniqueHandle thread(CreateThread(nullptr, 0, FireThread, &params, 0, nullptr));
  HANDLE handle = thread.get();
  if (mainAnswers) {
    while (MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
  } else {
    WaitForSingleObject(thread.get(), INFINITE);
  }
  return params;
}

TEST_F(HandlersTest, SynchronisedHandlersRunInTheMainThreadOrFallBack) {
  ASSERT_TRUE(HandlerWindow());
  RegisterHandler(TProcEntry<TExceptHandler>{TSyncMode::MainThreadOrSkip, 0, SyncSkip});
  RegisterHandler(TProcEntry<TExceptHandler>{TSyncMode::MainThreadOrHere, 0, SyncHere});
  RegisterHandler(TProcEntry<TExceptHandler>{TSyncMode::HandlingThread, 0, OnHandlingThread});

  const TFireHandlersParams answered = FireOnOtherThread(true, false);
  ASSERT_EQ(CallNames(), (std::vector<std::string>{"direct", "skip", "here"}));
  EXPECT_NE(calls[0].Thread, MainThreadId());
  EXPECT_FALSE(calls[0].InMainThread);
  for (int i : {1, 2}) {
    EXPECT_EQ(calls[i].Thread, MainThreadId());
    EXPECT_TRUE(calls[i].InMainThread);
  }
  EXPECT_EQ(answered.Text1, "here");
  EXPECT_FALSE(HandlersRunInMainThread());

  // The flag keeps the synchronised pass from running at all.
  calls.clear();
  FireOnOtherThread(true, true);
  EXPECT_EQ(CallNames(), std::vector<std::string>{"direct"});

  // A main thread that does not answer the ping: mode 1 is skipped, mode 2 runs right there,
  // after the ping's time limit.
  calls.clear();
  const DWORD start = GetTickCount();
  const TFireHandlersParams blocked = FireOnOtherThread(false, false);
  EXPECT_GE(GetTickCount() - start, kHandlerPingTimeout - 20);
  ASSERT_EQ(CallNames(), (std::vector<std::string>{"direct", "here"}));
  EXPECT_NE(calls[1].Thread, MainThreadId());
  EXPECT_EQ(blocked.Text1, "here");
  // Answer the messages the timed-out sends left behind.
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// A thread that runs through its message loop, counting its rounds.
struct TLoopingThread {
  std::atomic<long> Rounds{0};
  std::atomic<bool> Stop{false};
  static DWORD WINAPI Run(void* self) {
    auto* t = static_cast<TLoopingThread*>(self);
    while (!t->Stop) {
      MSG msg;
      PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
      ++t->Rounds;
      Sleep(1);
    }
    return 0;
  }
};

bool Advances(const TLoopingThread& thread) {
  const long before = thread.Rounds;
  Sleep(150);
  return thread.Rounds > before;
}

using TStartThread = HANDLE (*)(LPTHREAD_START_ROUTINE, void*);

TEST(ThreadHolding, HeldThreadsWaitInTheirMessageLoopsUntilReleased) {
  TLoopingThread ours;
  const win::UniqueHandle oursThread(
      CreateThread(nullptr, 0, TLoopingThread::Run, &ours, 0, nullptr));
  // A thread started by code without debug information is never held.
  TLoopingThread foreign;
  const auto start = reinterpret_cast<TStartThread>(
      GetProcAddressEx(GetModuleHandleA("rtl100.bpl"), "ProbeStartThread"));
  ASSERT_TRUE(start);
  const win::UniqueHandle foreignThread(start(TLoopingThread::Run, &foreign));
  ASSERT_TRUE(oursThread && foreignThread);
  EXPECT_TRUE(ThreadMayBeHeld(GetThreadId(oursThread.get())));
  EXPECT_FALSE(ThreadMayBeHeld(GetThreadId(foreignThread.get())));
  EXPECT_NE(GetThreadTitle(GetThreadId(foreignThread.get()), true).CreationAddress, 0u);
  ASSERT_TRUE(Advances(ours));

  HoldOtherThreads(true);
  Sleep(50);
  EXPECT_FALSE(Advances(ours));
  EXPECT_TRUE(Advances(foreign));
  // The main thread's event is reset too: releasing it answers whether it was held.
  EXPECT_TRUE(ReleaseMainThread());
  EXPECT_FALSE(ReleaseMainThread());
  ReholdMainThread();
  HoldOtherThreads(false);
  EXPECT_TRUE(Advances(ours));

  // Holding again resets the events that the release set.
  HoldOtherThreads(true);
  Sleep(50);
  EXPECT_FALSE(Advances(ours));
  HoldOtherThreads(false);
  EXPECT_TRUE(Advances(ours));

  ours.Stop = foreign.Stop = true;
  WaitForSingleObject(oursThread.get(), INFINITE);
  WaitForSingleObject(foreignThread.get(), INFINITE);
}

}  // namespace
}  // namespace drosk
