// What an export holds while its set-up dialog runs, for a copy of a board opened in the stand-in
// editor in the test process: the via-style list, the collected rules and the per-document
// settings.
#pragma once

#include <memory>
#include <string>

#include "router/document_settings.h"
#include "router/ovix_rules.h"
#include "sdk/pcb_api.h"
#include "support/test_paths.h"

namespace setuptest {

class ExportObjects {
 public:
  // `source` is relative to the tests' folder; the copy is "board.json" in `dir`.
  ExportObjects(const testsupport::TempDir& dir, const std::string& source);
  ~ExportObjects();
  ExportObjects(const ExportObjects&) = delete;
  ExportObjects& operator=(const ExportObjects&) = delete;

  sdk::Handle board = 0;
  std::unique_ptr<router::TOvixRules> rules;
  std::unique_ptr<router::TQixDocumentSetings> settings;
};

}  // namespace setuptest
