// The program's hooks into the exception handling: exception handlers (called in phases while a
// report is made), action handlers (called before an action is carried out) and hidden-exception
// handlers, each kind as a list of procedures and a list of methods. Also the holding of the
// program's other threads while an exception is handled.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace drosk {

// Where a handler runs: on the handling thread; synchronised in the main thread and skipped when
// that thread does not answer; or synchronised, falling back to the handling thread.
enum class TSyncMode : uint8_t { HandlingThread, MainThreadOrSkip, MainThreadOrHere };

enum class THandlerKind : uint8_t { Exception, Action, Hidden };

using TExceptHandler = void (*)(bool flag, uint32_t value1, uint32_t value2, uint32_t value3,
                                std::string& text1, std::string& text2, bool& byte1, bool& handled);
using TExceptHandlerOO = void (*)(void* object, bool flag, uint32_t value1, uint32_t value2,
                                  uint32_t value3, std::string& text1, std::string& text2,
                                  bool& byte1, bool& handled);
using TActionHandler = void (*)(uint8_t action, bool flag, uint32_t value1, uint32_t value2,
                                uint32_t value3, std::string& text1, std::string& text2,
                                bool& handled);
using TActionHandlerOO = void (*)(void* object, uint8_t action, bool flag, uint32_t value1,
                                  uint32_t value2, uint32_t value3, std::string& text1,
                                  std::string& text2, bool& handled);
using THiddenHandler = void (*)(uint32_t value1, uint32_t value2, uint32_t value3,
                                const std::string& text1);
using THiddenHandlerOO = void (*)(void* object, uint32_t value1, uint32_t value2, uint32_t value3,
                                  const std::string& text1);

template <class Proc>
struct TProcEntry {
  TSyncMode Sync = TSyncMode::HandlingThread;
  uint8_t Phase = 0;
  Proc Procedure = nullptr;
  bool operator==(const TProcEntry&) const = default;
};
template <class Code>
struct TMethodEntry {
  TSyncMode Sync = TSyncMode::HandlingThread;
  uint8_t Phase = 0;
  Code Method = nullptr;
  void* Object = nullptr;
  bool operator==(const TMethodEntry&) const = default;
};

using TDAExceptHandler = std::vector<TProcEntry<TExceptHandler>>;
using TDAExceptHandlerOO = std::vector<TMethodEntry<TExceptHandlerOO>>;
using TDAActionHandler = std::vector<TProcEntry<TActionHandler>>;
using TDAActionHandlerOO = std::vector<TMethodEntry<TActionHandlerOO>>;
using TDAHiddenHandler = std::vector<TProcEntry<THiddenHandler>>;
using TDAHiddenHandlerOO = std::vector<TMethodEntry<THiddenHandlerOO>>;

// Registration appends an entry (an equal one is not added twice); unregistration removes it.
void RegisterHandler(const TProcEntry<TExceptHandler>& entry);
void RegisterHandler(const TMethodEntry<TExceptHandlerOO>& entry);
void RegisterHandler(const TProcEntry<TActionHandler>& entry);
void RegisterHandler(const TMethodEntry<TActionHandlerOO>& entry);
void RegisterHandler(const TProcEntry<THiddenHandler>& entry);
void RegisterHandler(const TMethodEntry<THiddenHandlerOO>& entry);
void UnregisterHandler(const TProcEntry<TExceptHandler>& entry);
void UnregisterHandler(const TMethodEntry<TExceptHandlerOO>& entry);
void UnregisterHandler(const TProcEntry<TActionHandler>& entry);
void UnregisterHandler(const TMethodEntry<TActionHandlerOO>& entry);
void UnregisterHandler(const TProcEntry<THiddenHandler>& entry);
void UnregisterHandler(const TMethodEntry<THiddenHandlerOO>& entry);
// Empties all six lists (library shut-down).
void ClearHandlers();

struct TFireHandlersParams {
  THandlerKind Kind = THandlerKind::Exception;
  uint8_t Phase = 0;   // exception handlers: only this phase is called
  uint8_t Action = 0;  // action handlers: the action code
  bool Flag = false;   // handed to the handlers; when set, no synchronised pass is made
  uint32_t Value1 = 0, Value2 = 0, Value3 = 0;
  std::string Text1, Text2;  // in/out
  bool Byte1 = false;        // in/out
  bool Handled = false;      // in/out
  bool SyncPass = false;
  bool FallbackPass = false;
};

// Fires one kind: the handling-thread pass here, then, when needed and nothing handled the
// event, the synchronised pass in the main thread (or the fallback pass here). Copies the texts,
// byte1 and handled back into `params`; with both lists empty `params` is left untouched.
void FireHandlers(TFireHandlersParams& params);
// One pass over the kind's two lists, as `params` selects.
void CallHandlers(TFireHandlersParams& params);
// True while handlers run synchronised in the main thread.
bool HandlersRunInMainThread();

// The handler message on the main thread's message-handler window; from the main thread.
void InstallHandlerWindow();
void RemoveHandlerWindow();
HWND HandlerWindow();
// Milliseconds the main thread has to answer the ping before a synchronised pass.
inline constexpr UINT kHandlerPingTimeout = 1500;

// Holds (or releases) the program's other threads: they wait in `ThreadHoldPoint`, which the
// message-loop hooks run. Only threads whose creating code has debug information are held.
void HoldOtherThreads(bool hold);
void ThreadHoldPoint();
bool ReleaseMainThread();
void ReholdMainThread();
bool ThreadMayBeHeld(DWORD threadId);
// Frees the holding state (library shut-down).
void EndThreadHolding();

}  // namespace drosk
