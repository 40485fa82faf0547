// Shows the probe dialog answered by Escape and prints "result N"; in test mode the dialog
// prints itself and ends this process instead.
#include <cstdio>
#include <string>

#include "probe_dialog.h"
#include "sdk/common_utils.h"

int main() {
  xptest::TProbeDialog dialog(nullptr);
  PostMessageW(dialog.Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
  const int result = dialog.ShowModal();
  sdk::WriteStandardOutput("result " + std::to_string(result) + "\r\n");
  return 0;
}
