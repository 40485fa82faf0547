// The stand-in editor module in the test process.
#include "quorvel_session.h"

#include <type_traits>

namespace quorveltest {

QuorvelSession& QuorvelSession::Get() {
  static QuorvelSession session;
  return session;
}

QuorvelSession::QuorvelSession() {
  module_ = LoadLibraryA(testsupport::BinaryPath(quorvel_host::kModuleName).c_str());
  if (!module_) return;
  const auto bind = [this](auto& proc, const char* name) {
    proc = reinterpret_cast<std::remove_reference_t<decltype(proc)>>(
        reinterpret_cast<void*>(GetProcAddress(module_, name)));
    return proc != nullptr;
  };
  quorvel_host::GetHostCallCounters counters = nullptr;
  if (bind(counters, quorvel_host::kGetHostCallCountersName)) counters_ = counters();
  if (!bind(open_, quorvel_host::kOpenBoardName) || !bind(save_, quorvel_host::kSaveBoardName) ||
      !bind(close_, quorvel_host::kCloseBoardName) ||
      !bind(set_journal_, quorvel_host::kSetJournalName) ||
      !bind(set_refusals_, quorvel_host::kSetRefusalsName)) {
    module_ = nullptr;
  }
}

std::string QuorvelSession::Open(const std::string& path) {
  char error[1024] = "untouched";
  return open_(path.c_str(), error, sizeof error) == 0 ? std::string() : std::string(error);
}

std::string QuorvelSession::Save(const std::string& path) {
  char error[1024] = "untouched";
  return save_(path.c_str(), error, sizeof error) == 0 ? std::string() : std::string(error);
}

void QuorvelSession::SetJournal(quorvel_host::JournalAppend append) { set_journal_(append); }

std::vector<sdk::Handle> Members(sdk::Handle container, uint8_t kind, uint8_t layer,
                                 uint8_t method) {
  std::vector<sdk::Handle> found;
  sdk::IterateContainer(container, 1u << kind, Layers({layer}), method,
                        [&](sdk::Handle h) { found.push_back(h); });
  return found;
}

sdk::LegacyLayerSet Layers(std::initializer_list<int> layers) {
  sdk::LegacyLayerSet set;
  for (int layer : layers) set.Include(layer);
  return set;
}

std::string TextOf(const pcbapi::Text255& text) { return std::string(text.chars, text.length); }

}  // namespace quorveltest
