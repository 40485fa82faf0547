// The standard controls.
#include "framework/stdctrls.h"

#include <map>

#include "framework/application.h"
#include "framework/image_list.h"
#include "framework/menus.h"
#include "framework/win/text.h"

namespace framework {

namespace {

const std::vector<std::string> kAlignmentNames = {"taLeftJustify", "taRightJustify", "taCenter"};
const std::vector<std::string> kBevelNames = {"bvNone", "bvLowered", "bvRaised"};

}  // namespace

// ---- TLabel ---------------------------------------------------------------------------------

const TClassInfo& TLabel::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derived<TLabel, TGraphicControl>("TLabel")
          .Enum("Alignment", &TLabel::Alignment, &TLabel::SetAlignment, kAlignmentNames,
                TAlignment::taLeftJustify)
          .Bool("Transparent", &TLabel::Transparent, &TLabel::SetTransparent, false)
          .Bool("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap, false);
  return info;
}

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 65, 13);
  SetControlStyle(ControlStyle() & ~csCaptureMouse);
}

void TLabel::SetAlignment(TAlignment alignment) {
  alignment_ = alignment;
  Invalidate();
}

void TLabel::SetWordWrap(bool value) {
  word_wrap_ = value;
  Invalidate();
}

void TLabel::SetTransparent(bool value) {
  transparent_ = value;
  Invalidate();
}

void TLabel::Paint() {
  TCanvas& canvas = Canvas();
  RECT rect = ClientRect();
  if (!transparent_) {
    canvas.Brush().SetColor(Color());
    canvas.FillRect(rect);
  }
  HDC dc = canvas.Handle();
  SelectObject(dc, canvas.Font().Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(Enabled() ? Font().Color() : clGrayText));
  UINT format = word_wrap_ ? DT_WORDBREAK : DT_SINGLELINE;
  if (alignment_ == TAlignment::taRightJustify) format |= DT_RIGHT;
  if (alignment_ == TAlignment::taCenter) format |= DT_CENTER;
  DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &rect, format);
}

// ---- TButton --------------------------------------------------------------------------------

const TClassInfo& TButton::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derived<TButton, TButtonControl>("TButton");
  return info;
}

TButton::TButton(TComponent* owner) : TButtonControl(owner) {
  SetBounds(0, 0, 75, 25);
  // The system button reports its clicks through WM_COMMAND.
  SetControlStyle(ControlStyle() & ~csClickEvents);
}

void TButton::CreateParams(TCreateParams& params) {
  TButtonControl::CreateParams(params);
  params.class_name = L"BUTTON";
  params.style |= Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  params.ex_style = 0;
}

void TButton::SetDefault(bool value) {
  TButtonControl::SetDefault(value);
  if (HandleAllocated())
    SendMessageW(Handle(), BM_SETSTYLE, value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::WndProc(TMessage& message) {
  if (message.msg == CN_COMMAND && HIWORD(message.wParam) == BN_CLICKED) {
    Click();
    return;
  }
  TButtonControl::WndProc(message);
}

// ---- TCheckBox ------------------------------------------------------------------------------

const TClassInfo& TCheckBox::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derived<TCheckBox, TButtonControl>("TCheckBox")
          .Bool("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked, false);
  return info;
}

TCheckBox::TCheckBox(TComponent* owner) : TButtonControl(owner) {
  SetBounds(0, 0, 97, 17);
  SetControlStyle(ControlStyle() & ~csClickEvents);
}

void TCheckBox::CreateParams(TCreateParams& params) {
  TButtonControl::CreateParams(params);
  params.class_name = L"BUTTON";
  params.style |= BS_AUTOCHECKBOX;
  params.ex_style = 0;
}

void TCheckBox::AfterCreateWnd() {
  SendMessageW(Handle(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TCheckBox::SetChecked(bool value) {
  checked_ = value;
  if (HandleAllocated()) AfterCreateWnd();
}

void TCheckBox::WndProc(TMessage& message) {
  if (message.msg == CN_COMMAND && HIWORD(message.wParam) == BN_CLICKED) {
    // The system has toggled the box already.
    checked_ = SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
    Click();
    return;
  }
  TButtonControl::WndProc(message);
}

// ---- TEdit and TMemo ------------------------------------------------------------------------

const TClassInfo& TEdit::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derived<TEdit, TWinControl>("TEdit")
          .Bool("ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly, false)
          .Color("Color", &TEdit::Color, &TEdit::SetColor, clWindow)
          .Bool("ParentColor", &TEdit::ParentColor, &TEdit::SetParentColor, false)
          .Bool("TabStop", &TEdit::TabStop, &TEdit::SetTabStop, true)
          .WideString("Text", &TEdit::Text, &TEdit::SetText)
          .Event("OnChange", &TEdit::OnChange);
  return info;
}

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 121, 21);
  SetParentColor(false);
  SetColor(clWindow);
  SetTabStop(true);
}

void TEdit::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.class_name = L"EDIT";
  params.style |= ES_AUTOHSCROLL | (read_only_ ? ES_READONLY : 0);
  params.ex_style = WS_EX_CLIENTEDGE;
}

void TEdit::SetReadOnly(bool value) {
  read_only_ = value;
  if (HandleAllocated()) SendMessageW(Handle(), EM_SETREADONLY, value, 0);
}

void TEdit::WndProc(TMessage& message) {
  if (message.msg == CN_COMMAND && HIWORD(message.wParam) == EN_CHANGE) {
    text_ = Text();
    OnChange(this);
    return;
  }
  TWinControl::WndProc(message);
}

const TClassInfo& TMemo::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derived<TMemo, TEdit>("TMemo")
          .Strings("Lines", &TMemo::Lines, &TMemo::SetLines)
          .WideString("Text", &TMemo::Text, &TMemo::SetText)
          .Bool("WantReturns", &TMemo::WantReturns, &TMemo::SetWantReturns, true)
          .Bool("WantTabs", &TMemo::WantTabs, &TMemo::SetWantTabs, false)
          .Bool("WordWrap", &TMemo::WordWrap, &TMemo::SetWordWrap, true);
  return info;
}

TMemo::TMemo(TComponent* owner) : TEdit(owner) { SetBounds(0, 0, 185, 89); }

void TMemo::CreateParams(TCreateParams& params) {
  TEdit::CreateParams(params);
  params.style &= ~ES_AUTOHSCROLL;
  params.style |= ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL | ES_AUTOVSCROLL |
                  (word_wrap_ ? 0 : ES_AUTOHSCROLL | WS_HSCROLL);
}

std::vector<std::string> TMemo::Lines() const {
  std::vector<std::string> lines;
  const std::string text = win::Narrow(Text());
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start - (end > start && text[end - 1] == '\r')));
    start = end + 1;
  }
  return lines;
}

void TMemo::SetLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  SetText(win::Widen(text));
}

void TMemo::SetWordWrap(bool value) {
  if (value == word_wrap_) return;
  word_wrap_ = value;
  RecreateWnd();
}

void TMemo::WndProc(TMessage& message) {
  TEdit::WndProc(message);
  if (message.msg == WM_GETDLGCODE) {
    // The system's multi-line edit wants every key; Tab and Enter only as the memo says.
    message.result &= ~(DLGC_WANTTAB | DLGC_WANTALLKEYS);
    if (want_tabs_) message.result |= DLGC_WANTTAB;
    if (want_returns_) message.result |= DLGC_WANTALLKEYS;
  }
}

// ---- TPanel ---------------------------------------------------------------------------------

const TClassInfo& TPanel::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derived<TPanel, TCustomControl>("TPanel").Enum(
      "BevelOuter", &TPanel::BevelOuter, &TPanel::SetBevelOuter, kBevelNames,
      TPanelBevel::bvRaised);
  return info;
}

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) {
  SetBounds(0, 0, 185, 41);
  SetParentColor(false);  // a panel shows its own face colour
  SetControlStyle(ControlStyle() | csAcceptsControls);
}

void TPanel::SetBevelOuter(TPanelBevel bevel) {
  bevel_outer_ = bevel;
  Invalidate();
}

void TPanel::Paint() {
  TCanvas& canvas = Canvas();
  RECT rect = ClientRect();
  HDC dc = canvas.Handle();
  if (bevel_outer_ != TPanelBevel::bvNone) {
    DrawEdge(dc, &rect, bevel_outer_ == TPanelBevel::bvRaised ? BDR_RAISEDINNER : BDR_SUNKENOUTER,
             BF_RECT | BF_ADJUST);
  }
  SelectObject(dc, canvas.Font().Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(Font().Color()));
  DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &rect,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

// ---- TImage ---------------------------------------------------------------------------------

const TClassInfo& TImage::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derived<TImage, TGraphicControl>("TImage")
                                     .Bool("Center", &TImage::Center, &TImage::SetCenter, false)
                                     .Data("Picture", &TImage::ReadPicture, &TImage::WritePicture)
                                     .Bool("Stretch", &TImage::Stretch, &TImage::SetStretch, false);
  return info;
}

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 105, 105);
  picture_.OnChange = [this] { Invalidate(); };
}

void TImage::WritePicture(TStream& stream) {
  if (picture_.Graphic()) picture_.WriteData(stream);
}

void TImage::SetStretch(bool value) {
  stretch_ = value;
  Invalidate();
}

void TImage::SetCenter(bool value) {
  center_ = value;
  Invalidate();
}

void TImage::Paint() {
  TGraphic* graphic = picture_.Graphic();
  if (!graphic || graphic->Empty()) return;
  if (stretch_) {
    Canvas().StretchDraw(ClientRect(), *graphic);
    return;
  }
  const int x = center_ ? (Width() - graphic->Width()) / 2 : 0;
  const int y = center_ ? (Height() - graphic->Height()) / 2 : 0;
  Canvas().Draw(x, y, *graphic);
}

// ---- TTimer ---------------------------------------------------------------------------------

namespace {

std::map<UINT_PTR, TTimer*>& Timers() {
  static std::map<UINT_PTR, TTimer*> timers;
  return timers;
}

}  // namespace

const TClassInfo& TTimer::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derived<TTimer, TComponent>("TTimer")
                                     .Bool("Enabled", &TTimer::Enabled, &TTimer::SetEnabled, true)
                                     .Int("Interval", &TTimer::Interval, &TTimer::SetInterval, 1000)
                                     .Event("OnTimer", &TTimer::OnTimer);
  return info;
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
  enabled_ = false;
  Update();
}

void TTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  Update();
}

void TTimer::SetInterval(int milliseconds) {
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  Update();
}

void TTimer::Update() {
  if (id_) {
    KillTimer(nullptr, id_);
    Timers().erase(id_);
    id_ = 0;
  }
  if (enabled_ && interval_ > 0) {
    id_ = SetTimer(nullptr, 0, static_cast<UINT>(interval_), TimerProc);
    if (id_) Timers()[id_] = this;
  }
}

void CALLBACK TTimer::TimerProc(HWND, UINT, UINT_PTR id, DWORD) noexcept {
  try {
    const auto it = Timers().find(id);
    if (it != Timers().end()) it->second->OnTimer(it->second);
  } catch (...) {
    Application::Instance().HandleException();
  }
}

void RegisterStandardControls() {
  RegisterComponent<TLabel>();
  RegisterComponent<TButton>();
  RegisterComponent<TCheckBox>();
  RegisterComponent<TEdit>();
  RegisterComponent<TMemo>();
  RegisterComponent<TPanel>();
  RegisterComponent<TImage>();
  RegisterComponent<TTimer>();
  RegisterComponent<TImageList>();
  RegisterComponent<TPopupMenu>();
  RegisterComponent<TMenuItem>();
}

}  // namespace framework
