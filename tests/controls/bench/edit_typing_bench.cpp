// Timing program, run by hand: 10,000 characters typed into an own-drawn edit one WM_CHAR at a
// time, each keystroke timed with its repaint; then caret moves over the long text. Exit code 1
// when the slowest keystroke (past the first hundred, while the system warms up) takes 1 ms or
// more.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <vector>

#include "framework/forms.h"
#include "controls/xp_edits2.h"
#include "tests/support/clock.h"

namespace {

struct Timings {
  double mean_us, median_us, p99_us;
};

Timings Summary(std::vector<double> took) {
  std::sort(took.begin(), took.end());
  double sum = 0;
  for (double t : took) sum += t;
  return {sum / took.size(), took[took.size() / 2], took[took.size() * 99 / 100]};
}

// Microseconds of each call.
template <class Body>
std::vector<double> Time(int count, Body&& body) {
  std::vector<double> took;
  for (int i = 0; i < count; ++i) {
    const double start = testsupport::Seconds();
    body(i);
    took.push_back((testsupport::Seconds() - start) * 1e6);
  }
  return took;
}

void Print(const char* what, const Timings& t) {
  std::printf("%-44s mean %7.1f us, median %7.1f us, 99%% %7.1f us\n", what, t.mean_us, t.median_us,
              t.p99_us);
}

int Run() {
  framework::TForm form(nullptr);
  form.SetBounds(50, 50, 300, 100);
  form.Show();
  auto* edit = new controls::TXPEdit(&form);
  edit->SetParent(&form);
  edit->SetBounds(10, 10, 200, 21);
  edit->SetFocus();
  HWND hwnd = edit->Handle();
  constexpr int kCharacters = 10000;
  const std::vector<double> typing = Time(kCharacters, [&](int i) {
    SendMessageW(hwnd, WM_CHAR, L'a' + i % 26, 1);
    UpdateWindow(hwnd);
  });
  const Timings first = Summary({typing.begin() + 100, typing.begin() + 1100});
  const Timings last = Summary({typing.end() - 1000, typing.end()});
  Print("keystroke, characters 100 to 1100:", first);
  Print("keystroke, characters 9000 to 10000:", last);
  Print("Home or End in 10000 characters:", Summary(Time(2000, [&](int i) {
          SendMessageW(hwnd, WM_KEYDOWN, i % 2 ? VK_END : VK_HOME, 1);
          UpdateWindow(hwnd);
        })));
  return edit->Text().size() == kCharacters && last.mean_us < 1000 ? 0 : 1;
}

}  // namespace

int main() {
  try {
    return Run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "edit_typing_bench: %s\n", e.what());
    return 2;
  }
}
