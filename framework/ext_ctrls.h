// The splitter: a thin bar between aligned controls that the user drags to resize the control
// on its aligned side.
#pragma once

#include <windows.h>

#include "framework/controls.h"

namespace framework {

class TSplitter : public TGraphicControl {
 public:
  explicit TSplitter(TComponent* owner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
  bool Beveled() const noexcept { return beveled_; }
  void SetBeveled(bool value);
  // The smallest size the resized control keeps.
  int MinSize() const noexcept { return min_size_; }
  void SetMinSize(int value) { min_size_ = value < 1 ? 1 : value; }
  // Called after the splitter painted itself; a descendant may paint in its place instead.
  TNotifyEvent OnPaint;
  // Asked before each drag step with the neighbour's new size: a handler may change the size
  // (to keep the controls on the other side whole) or refuse the step.
  TEvent<TComponent*, int&, bool&> OnCanResize;
  // Called after each drag step that resized the neighbour.
  TNotifyEvent OnMoved;
  // A drag that is cancelled (Escape, the capture lost) puts the neighbour's size back.
  void WndProc(TMessage& message) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, unsigned shift, int x, int y) override;
  void MouseMove(unsigned shift, int x, int y) override;
  void MouseUp(TMouseButton button, unsigned shift, int x, int y) override;
  // Left and right splitters move across, top and bottom ones up and down.
  bool Horizontal() const;

 private:
  // The control beside the splitter on its aligned side, or null.
  TControl* FindNeighbour() const;
  // Gives the dragged neighbour that size and says so.
  void ResizeNeighbour(int size);

  bool beveled_ = false;
  int min_size_ = 30;
  TControl* dragged_ = nullptr;
  POINT drag_start_{};  // in the parent's client area
  int start_size_ = 0;
};

}  // namespace framework
