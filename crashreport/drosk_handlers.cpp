// Handler lists and thread holding.
#include "crashreport/drosk_handlers.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "crashreport/drosk_start.h"
#include "crashreport/drosk_hooks.h"
#include "crashreport/drosk_map_file.h"
#include "crashreport/drosk_settings.h"
#include "crashreport/drosk_threads.h"
#include "crashreport/drosk_tools.h"
#include "framework/win/handles.h"

namespace drosk {
namespace {

constexpr LRESULT kHandlerAnswer = 777;

struct THandlerLists {
  TDAExceptHandler Except;
  TDAExceptHandlerOO ExceptOO;
  TDAActionHandler Action;
  TDAActionHandlerOO ActionOO;
  TDAHiddenHandler Hidden;
  TDAHiddenHandlerOO HiddenOO;
};

std::mutex listsMutex;
THandlerLists lists;

THandlerLists CopyLists() {
  const std::lock_guard lock(listsMutex);
  return lists;
}

template <class Entry>
void AddEntry(std::vector<Entry>& list, const Entry& entry) {
  const std::lock_guard lock(listsMutex);
  if (std::find(list.begin(), list.end(), entry) == list.end()) list.push_back(entry);
}

template <class Entry>
void RemoveEntry(std::vector<Entry>& list, const Entry& entry) {
  const std::lock_guard lock(listsMutex);
  std::erase(list, entry);
}

UINT handlerMessage = 0;
HWND handlerWindow = nullptr;
volatile LONG runningInMainThread = 0;

// Whether a handler of this sync mode and phase takes part in the pass `params` describes.
bool Selected(TSyncMode sync, uint8_t phase, const TFireHandlersParams& params) {
  if (params.Kind == THandlerKind::Exception && phase != params.Phase) return false;
  if ((sync != TSyncMode::HandlingThread) != params.SyncPass) return false;
  return !params.FallbackPass || sync == TSyncMode::MainThreadOrHere;
}

bool StopsAfter(const TFireHandlersParams& params) {
  return params.Kind != THandlerKind::Hidden && params.Phase < 2 && params.Handled;
}

void Call(const TProcEntry<TExceptHandler>& e, TFireHandlersParams& p) {
  e.Procedure(p.Flag, p.Value1, p.Value2, p.Value3, p.Text1, p.Text2, p.Byte1, p.Handled);
}
void Call(const TMethodEntry<TExceptHandlerOO>& e, TFireHandlersParams& p) {
  e.Method(e.Object, p.Flag, p.Value1, p.Value2, p.Value3, p.Text1, p.Text2, p.Byte1, p.Handled);
}
void Call(const TProcEntry<TActionHandler>& e, TFireHandlersParams& p) {
  e.Procedure(p.Action, p.Flag, p.Value1, p.Value2, p.Value3, p.Text1, p.Text2, p.Handled);
}
void Call(const TMethodEntry<TActionHandlerOO>& e, TFireHandlersParams& p) {
  e.Method(e.Object, p.Action, p.Flag, p.Value1, p.Value2, p.Value3, p.Text1, p.Text2, p.Handled);
}
void Call(const TProcEntry<THiddenHandler>& e, TFireHandlersParams& p) {
  e.Procedure(p.Value1, p.Value2, p.Value3, p.Text1);
}
void Call(const TMethodEntry<THiddenHandlerOO>& e, TFireHandlersParams& p) {
  e.Method(e.Object, p.Value1, p.Value2, p.Value3, p.Text1);
}

// Calls the selected handlers of one list; false when the stop rule ended the walk.
template <class Entry>
bool CallList(const std::vector<Entry>& list, TFireHandlersParams& params) {
  for (const Entry& entry : list) {
    if (!Selected(entry.Sync, entry.Phase, params)) continue;
    try {
      Call(entry, params);
    } catch (...) {
      // A handler's failure must not end the handling of the report.
    }
    if (StopsAfter(params)) return false;
  }
  return true;
}

template <class Entry>
bool AnySynchronised(const std::vector<Entry>& list, const TFireHandlersParams& params) {
  return std::any_of(list.begin(), list.end(), [&](const Entry& e) {
    return e.Sync != TSyncMode::HandlingThread &&
           (params.Kind != THandlerKind::Exception || e.Phase == params.Phase);
  });
}

template <class Procs, class Methods>
bool NeedsSyncPass(const Procs& procs, const Methods& methods, const TFireHandlersParams& params) {
  return AnySynchronised(procs, params) || AnySynchronised(methods, params);
}

bool KindIsEmpty(const THandlerLists& l, THandlerKind kind) {
  switch (kind) {
    case THandlerKind::Exception: return l.Except.empty() && l.ExceptOO.empty();
    case THandlerKind::Action: return l.Action.empty() && l.ActionOO.empty();
    case THandlerKind::Hidden: return l.Hidden.empty() && l.HiddenOO.empty();
  }
  return true;
}

bool KindNeedsSyncPass(const THandlerLists& l, const TFireHandlersParams& params) {
  switch (params.Kind) {
    case THandlerKind::Exception: return NeedsSyncPass(l.Except, l.ExceptOO, params);
    case THandlerKind::Action: return NeedsSyncPass(l.Action, l.ActionOO, params);
    case THandlerKind::Hidden: return NeedsSyncPass(l.Hidden, l.HiddenOO, params);
  }
  return false;
}

bool SendHandlerMessage(WPARAM argument, LPARAM params, UINT timeout) {
  DWORD_PTR answer = 0;
  return SendMessageTimeoutA(handlerWindow, handlerMessage, argument, params, SMTO_NORMAL, timeout,
                             &answer) != 0 &&
         answer == kHandlerAnswer;
}

// Runs the synchronised pass in the main thread; false when the main thread did not take it.
bool RunSynchronised(TFireHandlersParams& params) {
  params.SyncPass = true;
  const bool released = DroskSettings().HoldThreadsWhileHandling && ReleaseMainThread();
  const bool done = SendHandlerMessage(1, 0, kHandlerPingTimeout) &&
                    SendHandlerMessage(0, reinterpret_cast<LPARAM>(&params), 0x7FFFFFFF);
  if (released) ReholdMainThread();
  return done;
}

void HandlerMessage(HWND, UINT, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  ThreadHoldPoint();
  if (wParam == 0 && lParam) CallHandlers(*reinterpret_cast<TFireHandlersParams*>(lParam));
  result = kHandlerAnswer;
}

// The holding state: created on the first hold, freed at shut-down.
struct THoldState {
  CRITICAL_SECTION Lock;
  TDACardinal Held;
  win::UniqueHandle MainEvent;
  win::UniqueHandle OtherEvent;
};
THoldState* hold = nullptr;
std::once_flag threadHooksOnce;

bool IsHeld(DWORD threadId) {
  EnterCriticalSection(&hold->Lock);
  const bool held = std::find(hold->Held.begin(), hold->Held.end(), threadId) != hold->Held.end();
  LeaveCriticalSection(&hold->Lock);
  return held;
}

void PostWake() {
  if (handlerWindow) PostMessageA(handlerWindow, handlerMessage, 1, 0);
}

void ResetOrCreate(win::UniqueHandle& event) {
  if (event) {
    ResetEvent(event.get());
  } else {
    event.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  }
}

}  // namespace

void RegisterHandler(const TProcEntry<TExceptHandler>& e) { AddEntry(lists.Except, e); }
void RegisterHandler(const TMethodEntry<TExceptHandlerOO>& e) { AddEntry(lists.ExceptOO, e); }
void RegisterHandler(const TProcEntry<TActionHandler>& e) { AddEntry(lists.Action, e); }
void RegisterHandler(const TMethodEntry<TActionHandlerOO>& e) { AddEntry(lists.ActionOO, e); }
void RegisterHandler(const TProcEntry<THiddenHandler>& e) { AddEntry(lists.Hidden, e); }
void RegisterHandler(const TMethodEntry<THiddenHandlerOO>& e) { AddEntry(lists.HiddenOO, e); }
void UnregisterHandler(const TProcEntry<TExceptHandler>& e) { RemoveEntry(lists.Except, e); }
void UnregisterHandler(const TMethodEntry<TExceptHandlerOO>& e) { RemoveEntry(lists.ExceptOO, e); }
void UnregisterHandler(const TProcEntry<TActionHandler>& e) { RemoveEntry(lists.Action, e); }
void UnregisterHandler(const TMethodEntry<TActionHandlerOO>& e) { RemoveEntry(lists.ActionOO, e); }
void UnregisterHandler(const TProcEntry<THiddenHandler>& e) { RemoveEntry(lists.Hidden, e); }
void UnregisterHandler(const TMethodEntry<THiddenHandlerOO>& e) { RemoveEntry(lists.HiddenOO, e); }

void ClearHandlers() {
  const std::lock_guard lock(listsMutex);
  lists = {};
}

void FireHandlers(TFireHandlersParams& params) {
  const THandlerLists current = CopyLists();
  if (KindIsEmpty(current, params.Kind)) return;
  TFireHandlersParams work = params;
  work.SyncPass = false;
  work.FallbackPass = false;
  CallHandlers(work);
  if (!work.Handled && !work.Flag && handlerWindow && KindNeedsSyncPass(current, work) &&
      !RunSynchronised(work)) {
    work.FallbackPass = true;
    CallHandlers(work);
  }
  params.Text1 = std::move(work.Text1);
  params.Text2 = std::move(work.Text2);
  params.Byte1 = work.Byte1;
  params.Handled = work.Handled;
}

void CallHandlers(TFireHandlersParams& params) {
  const THandlerLists current = CopyLists();
  const bool onMainThread = GetCurrentThreadId() == MainThreadId();
  if (onMainThread) InterlockedIncrement(&runningInMainThread);
  switch (params.Kind) {
    case THandlerKind::Exception:
      if (CallList(current.ExceptOO, params)) CallList(current.Except, params);
      if (params.Phase == 2) params.Handled = false;
      break;
    case THandlerKind::Action:
      if (CallList(current.ActionOO, params)) CallList(current.Action, params);
      break;
    case THandlerKind::Hidden:
      CallList(current.HiddenOO, params);
      CallList(current.Hidden, params);
      break;
  }
  if (onMainThread) InterlockedDecrement(&runningInMainThread);
}

bool HandlersRunInMainThread() { return runningInMainThread > 0; }

void InstallHandlerWindow() {
  if (handlerMessage) return;
  handlerMessage = AddMsgHandler(HandlerMessage);
  if (handlerMessage) handlerWindow = MsgHandlerWindow();
}

void RemoveHandlerWindow() {
  if (!handlerMessage) return;
  DelMsgHandler(HandlerMessage, std::exchange(handlerMessage, 0u));
  handlerWindow = nullptr;
}

HWND HandlerWindow() { return handlerWindow; }

void HoldOtherThreads(bool holding) {
  if (!hold) {
    if (!holding) return;
    hold = new THoldState;
    InitializeCriticalSection(&hold->Lock);
  }
  if (holding) std::call_once(threadHooksOnce, InstallThreadHooks);
  EnterCriticalSection(&hold->Lock);
  hold->Held.clear();
  if (holding) {
    ResetOrCreate(hold->MainEvent);
    ResetOrCreate(hold->OtherEvent);
  }
  LeaveCriticalSection(&hold->Lock);
  if (holding) {
    const DWORD self = GetCurrentThreadId();
    for (const uint32_t id : EnumThreads()) {
      if (id == self || id == MainThreadId() || !ThreadMayBeHeld(id)) continue;
      EnterCriticalSection(&hold->Lock);
      hold->Held.push_back(id);
      LeaveCriticalSection(&hold->Lock);
    }
  } else {
    if (hold->MainEvent) SetEvent(hold->MainEvent.get());
    if (hold->OtherEvent) SetEvent(hold->OtherEvent.get());
  }
  PostWake();
}

void ThreadHoldPoint() {
  if (!hold) return;
  const DWORD lastError = GetLastError();
  const DWORD self = GetCurrentThreadId();
  if (self != MainThreadId()) {
    if (hold->OtherEvent && IsHeld(self)) WaitForSingleObject(hold->OtherEvent.get(), INFINITE);
  } else if (hold->MainEvent) {
    WaitForSingleObject(hold->MainEvent.get(), INFINITE);
  }
  SetLastError(lastError);
}

bool ReleaseMainThread() {
  if (!hold || !hold->MainEvent) return false;
  if (WaitForSingleObject(hold->MainEvent.get(), 0) == WAIT_OBJECT_0) return false;
  SetEvent(hold->MainEvent.get());
  return true;
}

void ReholdMainThread() {
  if (hold && hold->MainEvent) ResetEvent(hold->MainEvent.get());
  PostWake();
}

bool ThreadMayBeHeld(DWORD threadId) {
  const uint32_t address = GetThreadTitle(threadId, true).CreationAddress;
  return address != 0 && GetMapFile(address)->isValid;
}

void EndThreadHolding() {
  THoldState* state = std::exchange(hold, nullptr);
  if (!state) return;
  if (state->MainEvent) SetEvent(state->MainEvent.get());
  if (state->OtherEvent) SetEvent(state->OtherEvent.get());
  DeleteCriticalSection(&state->Lock);
  delete state;
}

}  // namespace drosk
