// The splitter.
#include "framework/ext_ctrls.h"

#include <algorithm>

namespace framework {

const TClassInfo& TSplitter::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derived<TSplitter, TGraphicControl>("TSplitter")
          .Bool("Beveled", &TSplitter::Beveled, &TSplitter::SetBeveled, false)
          .Int("MinSize", &TSplitter::MinSize, &TSplitter::SetMinSize, 30)
          .Event("OnPaint", &TSplitter::OnPaint)
          .Event("OnCanResize", &TSplitter::OnCanResize)
          .Event("OnMoved", &TSplitter::OnMoved);
  return info;
}

TSplitter::TSplitter(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 3, 100);
  SetAlign(TAlign::alLeft);
  SetCursor(crSizeWE);
}

void TSplitter::SetBeveled(bool value) {
  beveled_ = value;
  Invalidate();
}

bool TSplitter::Horizontal() const {
  return Align() == TAlign::alLeft || Align() == TAlign::alRight;
}

void TSplitter::Paint() {
  TCanvas& canvas = Canvas();
  const RECT client = ClientRect();
  canvas.Brush().SetColor(Color());
  canvas.FillRect(client);
  if (beveled_) {
    RECT edge = client;
    DrawEdge(canvas.Handle(), &edge, BDR_RAISEDOUTER, BF_RECT | BF_SOFT);
  }
  OnPaint(this);
}

TControl* TSplitter::FindNeighbour() const {
  if (!parent_) return nullptr;
  for (TControl* control : parent_->Controls()) {
    if (control == this || !control->Visible() || control->Align() != Align()) continue;
    const RECT r = control->BoundsRect();
    const bool beside = (Align() == TAlign::alLeft && r.right == left_) ||
                        (Align() == TAlign::alRight && r.left == left_ + width_) ||
                        (Align() == TAlign::alTop && r.bottom == top_) ||
                        (Align() == TAlign::alBottom && r.top == top_ + height_);
    if (beside) return control;
  }
  return nullptr;
}

void TSplitter::MouseDown(TMouseButton button, unsigned shift, int x, int y) {
  TGraphicControl::MouseDown(button, shift, x, y);
  if (button != TMouseButton::mbLeft) return;
  dragged_ = FindNeighbour();
  if (!dragged_) return;
  drag_start_ = {left_ + x, top_ + y};
  start_size_ = Horizontal() ? dragged_->Width() : dragged_->Height();
}

void TSplitter::MouseMove(unsigned shift, int x, int y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (!dragged_) return;
  const int delta = Horizontal() ? left_ + x - drag_start_.x : top_ + y - drag_start_.y;
  // Left and top neighbours grow as the splitter moves away from them, the others shrink.
  const bool grows = Align() == TAlign::alLeft || Align() == TAlign::alTop;
  int size = std::max(start_size_ + (grows ? delta : -delta), min_size_);
  bool accept = true;
  OnCanResize(this, size, accept);
  if (accept) ResizeNeighbour(std::max(size, min_size_));
}

void TSplitter::ResizeNeighbour(int size) {
  const int old = Horizontal() ? dragged_->Width() : dragged_->Height();
  if (size == old) return;
  if (Horizontal()) {
    dragged_->SetWidth(size);
  } else {
    dragged_->SetHeight(size);
  }
  OnMoved(this);
}

void TSplitter::MouseUp(TMouseButton button, unsigned shift, int x, int y) {
  TGraphicControl::MouseUp(button, shift, x, y);
  if (button == TMouseButton::mbLeft) dragged_ = nullptr;
}

void TSplitter::WndProc(TMessage& message) {
  if (message.msg == CM_CANCELMODE && dragged_) {
    ResizeNeighbour(start_size_);
    dragged_ = nullptr;
  }
  TGraphicControl::WndProc(message);
}

}  // namespace framework
