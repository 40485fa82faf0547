// The memo editor.
#include "editors/memo_edit.h"

#include <algorithm>

#include "editors/container.h"
#include "editors/editor_class.h"
#include "editors/gdi_scope.h"
#include "framework/stdctrls.h"
#include "framework/win/handles.h"

namespace editors {

// The system's multi-line edit inside the memo editor; its keys go to the editor first.
class TdxMemoInner : public framework::TMemo {
 public:
  explicit TdxMemoInner(TdxInplaceMemoEdit& editor) : TMemo(&editor), editor_(editor) {
    SetParent(&editor);
    SetTabStop(false);
    OnChange = [this](framework::TComponent*) { editor_.InnerChanged(); };
  }

 protected:
  void CreateParams(framework::TCreateParams& params) override {
    TMemo::CreateParams(params);
    params.ex_style &= ~WS_EX_CLIENTEDGE;
    params.style &= ~(WS_HSCROLL | WS_VSCROLL | ES_AUTOHSCROLL);
    const TScrollStyle bars = editor_.scroll_bars_;
    if (bars == TScrollStyle::ssVertical || bars == TScrollStyle::ssBoth)
      params.style |= WS_VSCROLL;
    if (bars == TScrollStyle::ssHorizontal || bars == TScrollStyle::ssBoth) {
      params.style |= WS_HSCROLL;
    }
    if (!editor_.word_wrap_) params.style |= ES_AUTOHSCROLL;
  }
  void AfterCreateWnd() override {
    TMemo::AfterCreateWnd();
    editor_.UpdateScrollBars();
  }
  void KeyDown(WORD& key, unsigned shift) override {
    if (editor_.InnerKeyDown(key, shift)) {
      key = 0;
      return;
    }
    TMemo::KeyDown(key, shift);
  }
  void KeyPress(wchar_t& key) override {
    // Enter and Tab the editor handed on must not arrive as characters too.
    if ((key == L'\r' && !editor_.WantReturns) || (key == L'\t' && !editor_.WantTabs) ||
        key == 27) {
      key = 0;
      return;
    }
    TMemo::KeyPress(key);
  }

 private:
  TdxInplaceMemoEdit& editor_;
};

namespace {

std::unique_ptr<TdxEditViewData> MakeMemoViewData() {
  auto data = std::make_unique<TdxTextEditViewData>();
  data->Placement = kPlaceMultiLine;
  return data;
}

}  // namespace

const TdxInplaceEditClass& TdxInplaceMemoEdit::EditorClass() {
  static const TdxInplaceEditClass info{"TdxInplaceMemoEdit", &TdxInplaceTextEdit::EditorClass(),
                                        MakeEditor<TdxInplaceMemoEdit>, MakeMemoViewData,
                                        NoHitInCell};
  return info;
}

TdxInplaceMemoEdit::TdxInplaceMemoEdit(framework::TComponent* owner)
    : TdxInplaceTextEdit(owner), inner_(new TdxMemoInner(*this)) {}

TdxInplaceMemoEdit::~TdxInplaceMemoEdit() { DestroyComponents(); }

std::wstring TdxInplaceMemoEdit::Text() const { return inner_->Text(); }

void TdxInplaceMemoEdit::SetText(const std::wstring& text) {
  setting_text_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{setting_text_};
  inner_->SetText(text);
  UpdateScrollBars();  // after the edit has set its own scroll range for the new text
}

void TdxInplaceMemoEdit::InnerChanged() {
  UpdateScrollBars();
  if (setting_text_) return;
  SetModified(true);
  OnChange(this);
}

void TdxInplaceMemoEdit::RecreateInner() {
  if (inner_->HandleAllocated()) inner_->RecreateWnd();
}

bool TdxInplaceMemoEdit::LinesOverflow() {
  HWND hwnd = inner_->Handle();
  const int lines = static_cast<int>(SendMessageW(hwnd, EM_GETLINECOUNT, 0, 0));
  TEXTMETRICW metrics{};
  {
    const win::WindowDC dc(hwnd);
    SelectScope font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
    GetTextMetricsW(dc.get(), &metrics);
  }
  RECT client{};
  GetClientRect(hwnd, &client);
  return metrics.tmHeight > 0 && lines * metrics.tmHeight > client.bottom;
}

void TdxInplaceMemoEdit::UpdateScrollBars() {
  if (!inner_->HandleAllocated()) return;
  const bool vertical =
      scroll_bars_ == TScrollStyle::ssVertical || scroll_bars_ == TScrollStyle::ssBoth;
  const bool horizontal =
      scroll_bars_ == TScrollStyle::ssHorizontal || scroll_bars_ == TScrollStyle::ssBoth;
  HWND hwnd = inner_->Handle();
  // Hidden bars show only while there is something to scroll: lines below the window, or
  // unwrapped lines that may run past its width.
  ShowScrollBar(hwnd, SB_VERT, vertical && (!hide_scroll_bars_ || LinesOverflow()));
  ShowScrollBar(hwnd, SB_HORZ, horizontal && (!hide_scroll_bars_ || !word_wrap_));
}

void TdxInplaceMemoEdit::SetHideScrollBars(bool value) {
  if (hide_scroll_bars_ == value) return;
  hide_scroll_bars_ = value;
  RecreateInner();
}

void TdxInplaceMemoEdit::SetScrollBars(TScrollStyle value) {
  if (scroll_bars_ == value) return;
  scroll_bars_ = value;
  RecreateInner();
}

void TdxInplaceMemoEdit::SetWordWrap(bool value) {
  if (word_wrap_ == value) return;
  word_wrap_ = value;
  RecreateInner();
}

HWND TdxInplaceMemoEdit::InnerHandle() { return inner_->Handle(); }

bool TdxInplaceMemoEdit::IsEditorWindow(HWND hwnd) {
  if (hwnd && inner_->HandleAllocated() && hwnd == inner_->Handle()) return true;
  return TdxInplaceTextEdit::IsEditorWindow(hwnd);
}

void TdxInplaceMemoEdit::SetBounds(int left, int top, int width, int height) {
  TdxInplaceTextEdit::SetBounds(left, top, width, height);
  const RECT offsets = TextOffsets();
  inner_->SetBounds(offsets.left, offsets.top,
                    std::max<int>(0, width - offsets.left - offsets.right),
                    std::max<int>(0, height - offsets.top - offsets.bottom));
  UpdateScrollBars();
}

bool TdxInplaceMemoEdit::InnerKeyDown(WORD key, unsigned shift) {
  const bool ctrl = (shift & framework::ssCtrl) != 0;
  switch (key) {
    case VK_ESCAPE:
      if (!Revert()) PassKeyToContainer(key);
      return true;
    case VK_RETURN:
      if (WantReturns && !ctrl) return false;
      PassKeyToContainer(key);
      return true;
    case VK_TAB: {
      if (WantTabs) return false;
      const TCustomdxContainer* container = Container();
      if (!container || !container->IsTabs()) return false;
      PassKeyToContainer(key);
      return true;
    }
    case VK_PRIOR:
    case VK_NEXT:
      if (!ctrl) return false;
      PassKeyToContainer(key);
      return true;
  }
  return false;
}

void TdxInplaceMemoEdit::WndProc(framework::TMessage& message) {
  if (message.msg == WM_SETFOCUS) {
    inner_->SetReadOnly(!CanModify());
    inner_->SetFocus();  // the text is edited in the inner window
    return;
  }
  TdxInplaceTextEdit::WndProc(message);
}

}  // namespace editors
