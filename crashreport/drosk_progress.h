// The progress of a long report: weighted phases, and a small top-most bar that shows itself only
// when the work is slow (over 750 ms) and far from done (less than half). The bar is drawn with
// plain window and GDI calls and has no message loop: it must work while the program is in
// trouble.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/win/handles.h"

namespace drosk {

class TProgressBar {
 public:
  TProgressBar();  // creates, paints at 0 and shows the window; throws DroskException when it
                   // cannot
  ~TProgressBar();
  TProgressBar(const TProgressBar&) = delete;
  TProgressBar& operator=(const TProgressBar&) = delete;

  // Repaints for a position of 0..1000; nothing when neither the bar's edge nor the percentage
  // changes.
  void Paint(uint32_t position);
  HWND Window() const noexcept { return window_.get(); }
  uint32_t Position() const noexcept { return position_; }

 private:
  RECT Inner() const;
  int Edge(uint32_t position) const;
  void Blit(int left, int right) const;

  win::UniqueWindow window_;
  uint32_t position_ = 0;
  int width_ = 0;
  win::UniqueMemoryDc memoryDC_;
  HDC windowDC_ = nullptr;
  win::UniqueBitmap bitmap_;
  HGDIOBJ oldBitmap_ = nullptr;
  win::UniqueFont font_;
  HGDIOBJ oldFont_ = nullptr;
};

struct TProgressPhase {
  uint64_t start = 0;
  uint64_t weight = 0;
};

struct TProgress {
  std::unique_ptr<TProgressBar> bar;
  uint32_t startTicks = 0;
  std::vector<TProgressPhase> phases;
  uint64_t total = 0;
  int32_t current = 0;
  uint64_t shownBase = 0;  // the overall amount done when the bar appeared
};

constexpr uint32_t kProgressDelay = 750;  // milliseconds before a bar may appear

std::unique_ptr<TProgress> ProgressCreate();
void ProgressAddPhase(TProgress* progress, uint64_t weight);
// Position 0..1000 within the current phase. A bar that cannot be made is simply not shown.
void ProgressSetPosition(TProgress* progress, uint32_t position) noexcept;
void ProgressNextPhase(TProgress* progress) noexcept;
void ProgressFree(std::unique_ptr<TProgress>& progress) noexcept;

}  // namespace drosk
