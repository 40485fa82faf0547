// The stand-in editor module in the test process.
#include "quorvel_session.h"

namespace quorveltest {

QuorvelSession& QuorvelSession::Get() {
  static QuorvelSession session;
  return session;
}

QuorvelSession::QuorvelSession() {
  module_ = LoadLibraryA(testsupport::BinaryPath(quorvel_host::kModuleName).c_str());
  if (!module_) return;
  open_ = reinterpret_cast<quorvel_host::OpenBoard>(
      reinterpret_cast<void*>(GetProcAddress(module_, quorvel_host::kOpenBoardName)));
  save_ = reinterpret_cast<quorvel_host::SaveBoard>(
      reinterpret_cast<void*>(GetProcAddress(module_, quorvel_host::kSaveBoardName)));
  close_ = reinterpret_cast<quorvel_host::CloseBoard>(
      reinterpret_cast<void*>(GetProcAddress(module_, quorvel_host::kCloseBoardName)));
  set_journal_ = reinterpret_cast<quorvel_host::SetJournal>(
      reinterpret_cast<void*>(GetProcAddress(module_, quorvel_host::kSetJournalName)));
  set_refusals_ = reinterpret_cast<quorvel_host::SetRefusals>(
      reinterpret_cast<void*>(GetProcAddress(module_, quorvel_host::kSetRefusalsName)));
  if (const auto counters =
          reinterpret_cast<quorvel_host::GetHostCallCounters>(reinterpret_cast<void*>(
              GetProcAddress(module_, quorvel_host::kGetHostCallCountersName)))) {
    counters_ = counters();
  }
  if (!open_ || !save_ || !close_ || !set_journal_ || !set_refusals_) module_ = nullptr;
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

std::vector<sdk::Handle> ExampleBoard::Objects(uint8_t kind, uint8_t layer, uint8_t method) const {
  std::vector<sdk::Handle> found;
  sdk::IterateContainer(board_, 1u << kind, Layers({layer}), method,
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
