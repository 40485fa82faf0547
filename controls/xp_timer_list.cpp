// The shared timer and its clients.
#include "controls/xp_timer_list.h"

#include <map>
#include <vector>

#include "framework/application.h"

namespace controls {

namespace {

struct TimerList {
  std::map<int, TimerClient> clients;
  int next_ticket = 1;
  UINT_PTR timer = 0;
};

TimerList& List() {
  static TimerList list;
  return list;
}

void StopTimer() noexcept {
  TimerList& list = List();
  if (list.timer != 0) KillTimer(nullptr, list.timer);
  list.timer = 0;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) noexcept {
  try {
    // A client may remove itself or others while it runs: call those still listed.
    std::vector<int> tickets;
    for (const auto& entry : List().clients) tickets.push_back(entry.first);
    for (const int ticket : tickets) {
      const auto it = List().clients.find(ticket);
      if (it == List().clients.end()) continue;
      const TimerClient client = it->second;
      client();
    }
  } catch (...) {
    framework::Application::Instance().HandleException();
  }
}

}  // namespace

int AddTimerClient(TimerClient client) {
  TimerList& list = List();
  const int ticket = list.next_ticket++;
  list.clients.emplace(ticket, std::move(client));
  if (list.timer == 0) list.timer = SetTimer(nullptr, 0, kTimerListInterval, Tick);
  return ticket;
}

void RemoveTimerClient(int ticket) {
  TimerList& list = List();
  list.clients.erase(ticket);
  if (list.clients.empty()) StopTimer();
}

UINT_PTR TimerListTimer() { return List().timer; }

void EndTimerListUnit() noexcept {
  StopTimer();
  List().clients.clear();
}

}  // namespace controls
