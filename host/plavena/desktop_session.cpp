// The prefix's desktop, kept between the host's commands.
#include "host/plavena/desktop_session.h"

#include <thread>

#include "framework/win/handles.h"

namespace plavena {

namespace {

std::wstring UsedEventName(const std::wstring& session) { return session + L"SessionUsed"; }

// Set once the keeper is on the desktop; made by whichever of the keeper and a waiting command
// comes first.
win::UniqueHandle DesktopEvent(const std::wstring& session) {
  return win::UniqueHandle(
      CreateEventW(nullptr, TRUE, FALSE, (session + L"SessionDesktop").c_str()));
}

struct ServiceTraits {
  using Raw = SC_HANDLE;
  static Raw none() { return nullptr; }
  static bool valid(Raw h) { return h != nullptr; }
  static void close(Raw h) { CloseServiceHandle(h); }
};
using UniqueService = win::Unique<ServiceTraits>;  // the service manager's, or a service's

void StartRpcService() noexcept {
  const UniqueService manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return;
  const UniqueService service(OpenServiceW(manager.get(), L"RpcSs", SERVICE_START));
  if (service) StartServiceW(service.get(), 0, nullptr);  // or it runs already
}

}  // namespace

void MarkSessionUsed(const std::wstring& session) {
  const win::UniqueHandle used(
      OpenEventW(EVENT_MODIFY_STATE, FALSE, UsedEventName(session).c_str()));
  if (used) SetEvent(used.get());
}

bool WaitForKeptDesktop(DWORD timeout_ms, const std::wstring& session) {
  const win::UniqueHandle desktop = DesktopEvent(session);
  return desktop && WaitForSingleObject(desktop.get(), timeout_ms) == WAIT_OBJECT_0;
}

bool KeepDesktop(const std::wstring& session, DWORD linger_ms,
                 const std::function<void()>& on_desktop) {
  const win::UniqueHandle keeper(CreateMutexW(nullptr, TRUE, (session + L"SessionKeeper").c_str()));
  if (!keeper || GetLastError() == ERROR_ALREADY_EXISTS) return false;
  const win::UniqueHandle used(CreateEventW(nullptr, FALSE, FALSE, UsedEventName(session).c_str()));
  if (!used) return false;
  // The desktop's shell and the host's reading of a dialog wait for the RPC service, which Wine
  // starts only when first asked: asked now, it starts beside the desktop.
  std::thread rpc(StartRpcService);
  // A program is on the desktop once it asks for the desktop's window, which starts the desktop
  // when none runs.
  GetDesktopWindow();
  rpc.join();
  const win::UniqueHandle desktop = DesktopEvent(session);
  if (desktop) SetEvent(desktop.get());
  on_desktop();
  while (WaitForSingleObject(used.get(), linger_ms) == WAIT_OBJECT_0) {
  }
  return true;
}

}  // namespace plavena
