// The module's compiled-in settings: interception off, whatever else the defaults say.
#include "crashreport/drosk_settings.h"

#include <gtest/gtest.h>

namespace drosk {
namespace {

TEST(DroskSettings, TheModuleNeitherHooksNorWatches) {
  const TDroskSettings& s = DroskSettings();
  // Nothing may hook, patch or start a thread in this module.
  EXPECT_FALSE(s.HandleExceptions || s.HookPointsLinked);
  EXPECT_EQ(s.FreezeCheckInterval, 0u);
  // The box's buttons hold their captions in fixed buffers.
  for (std::string_view caption : s.ButtonCaptions) EXPECT_LE(caption.size(), 31u);
}

}  // namespace
}  // namespace drosk
