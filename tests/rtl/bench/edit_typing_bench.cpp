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
#include "rtl/components/xp/xp_edits2.h"

namespace {

double Seconds() {
  LARGE_INTEGER now;
  LARGE_INTEGER frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Timings {
  double mean_us, p99_us, max_us;
};

template <class Body>
Timings Time(int count, Body&& body) {
  std::vector<double> took;
  for (int i = 0; i < count; ++i) {
    const double start = Seconds();
    body(i);
    took.push_back((Seconds() - start) * 1e6);
  }
  std::vector<double> steady(took.begin() + std::min(count, 100), took.end());
  std::sort(steady.begin(), steady.end());
  double sum = 0;
  for (double t : steady) sum += t;
  return {sum / steady.size(), steady[steady.size() * 99 / 100], steady.back()};
}

int Run() {
  framework::TForm form(nullptr);
  form.SetBounds(50, 50, 300, 100);
  form.Show();
  auto* edit = new xp::TXPEdit(&form);
  edit->SetParent(&form);
  edit->SetBounds(10, 10, 200, 21);
  edit->SetFocus();
  HWND hwnd = edit->Handle();
  constexpr int kCharacters = 10000;
  const Timings typing = Time(kCharacters, [&](int i) {
    SendMessageW(hwnd, WM_CHAR, L'a' + i % 26, 1);
    UpdateWindow(hwnd);
  });
  const Timings moving = Time(2000, [&](int i) {
    SendMessageW(hwnd, WM_KEYDOWN, i % 2 ? VK_END : VK_HOME, 1);
    UpdateWindow(hwnd);
  });
  std::printf("typing %d characters: mean %.1f us, 99%% %.1f us, slowest %.1f us per keystroke\n",
              kCharacters, typing.mean_us, typing.p99_us, typing.max_us);
  std::printf("Home/End over the long text: mean %.1f us, 99%% %.1f us, slowest %.1f us\n",
              moving.mean_us, moving.p99_us, moving.max_us);
  return edit->Text().size() == kCharacters && typing.max_us < 1000 ? 0 : 1;
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
