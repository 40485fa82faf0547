// Copy to the clipboard: the rows as text, and an enhanced metafile of the grid laid out in
// full from its first column, painted with TrueType fonts in the plain look. Every setting the
// picture changes is put back on every exit, and the clipboard is always closed.
#include <algorithm>
#include <cstring>
#include <utility>

#include "framework/application.h"
#include "framework/exception.h"
#include "editors/gdi_scope.h"
#include "framework/win/handles.h"
#include "framework/win/text.h"
#include "treelist/view/painter.h"
#include "treelist/core/tree_list.h"

namespace treelist {
namespace {

constexpr BYTE kTrueTypeOnly = OUT_TT_ONLY_PRECIS;
static_assert(kTrueTypeOnly == 7);

using win::UniqueEnhMetaFile;
using win::UniqueGlobal;

// One open clipboard for everything a copy puts there: the outermost scope opens and empties
// it, and closes it on every exit.
class ClipboardScope {
 public:
  explicit ClipboardScope(HWND owner) {
    if (depth_ == 0) {
      if (!OpenClipboard(owner)) {
        throw framework::Exception("Cannot open the clipboard: another program holds it");
      }
      EmptyClipboard();
    }
    ++depth_;
  }
  ~ClipboardScope() {
    if (--depth_ == 0) CloseClipboard();
  }
  ClipboardScope(const ClipboardScope&) = delete;
  ClipboardScope& operator=(const ClipboardScope&) = delete;

  // The clipboard owns `data` once it took it.
  static void Put(UINT format, HANDLE data) {
    if (!SetClipboardData(format, data)) {
      throw framework::Exception("The clipboard refused the grid's copy");
    }
  }

 private:
  static inline int depth_ = 0;
};

UniqueGlobal GlobalCopy(const void* bytes, size_t size) {
  UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, size));
  if (!memory) throw framework::Exception("Not enough memory for the clipboard's copy");
  std::memcpy(GlobalLock(memory.get()), bytes, size);
  GlobalUnlock(memory.get());
  return memory;
}

void PutText(const std::wstring& text) {
  UniqueGlobal wide = GlobalCopy(text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  ClipboardScope::Put(CF_UNICODETEXT, wide.get());
  (void)wide.release();
  const std::string ansi = win::Narrow(text);
  UniqueGlobal narrow = GlobalCopy(ansi.c_str(), ansi.size() + 1);
  ClipboardScope::Put(CF_TEXT, narrow.get());
  (void)narrow.release();
}

std::wstring DefaultFaceName() {
  LOGFONTW log_font{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof log_font, &log_font);
  return log_font.lfFaceName;
}

// The pitch the font is drawn in: its description keeps none, the font the system realises for
// it knows.
BYTE RealizedPitch(framework::TFont& font) {
  const win::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  editors::SelectScope select(dc.get(), font.Handle());
  TEXTMETRICW metrics{};
  if (!GetTextMetricsW(dc.get(), &metrics)) return DEFAULT_PITCH;
  // The flag's name says the opposite of what it means: it is set for a variable pitch.
  return (metrics.tmPitchAndFamily & TMPF_FIXED_PITCH) ? VARIABLE_PITCH : FIXED_PITCH;
}

// A frame in hundredths of millimetres for a picture of `width` x `height` screen pixels.
RECT MetafileFrame(int width, int height) {
  const win::WindowDC screen(nullptr);
  return {0, 0,
          MulDiv(width, GetDeviceCaps(screen.get(), HORZSIZE) * 100,
                 std::max(GetDeviceCaps(screen.get(), HORZRES), 1)),
          MulDiv(height, GetDeviceCaps(screen.get(), VERTSIZE) * 100,
                 std::max(GetDeviceCaps(screen.get(), VERTRES), 1))};
}

}  // namespace

std::vector<TdxTreeListNode*> TCustomdxTreeList::ClipboardRows(bool selected_only) {
  std::vector<TdxTreeListNode*> rows;
  for (TdxTreeListNode* n = GetFirstNode(); n; n = NextVisibleNode(n)) {
    if (!selected_only || n->Selected()) rows.push_back(n);
  }
  return rows;
}

void TCustomdxTreeList::CopyGridToClipboard(bool selected_only) {
  ClipboardScope clipboard(Handle());
  std::wstring text = GetHeaderLineText();
  for (TdxTreeListNode* node : ClipboardRows(selected_only))
    text += GetNodeLineText(node) + L"\r\n";
  PutText(text);
  CopyToClipboardAsPicture(selected_only);
}

void TCustomdxTreeList::CopyToClipboardAsPicture(bool selected_only) {
  ClipboardScope clipboard(Handle());
  UniqueEnhMetaFile picture(PaintToMetafile(selected_only));
  ClipboardScope::Put(CF_ENHMETAFILE, picture.get());
  (void)picture.release();
}

HENHMETAFILE TCustomdxTreeList::PaintToMetafile(bool selected_only) {
  // Everything the picture changes, put back however painting ends. The fields change
  // directly: the Options setter would clear the selection, the look's setter recreate the
  // window; the lock keeps the font changes from laying the grid out again meanwhile.
  class PictureSettings {
   public:
    explicit PictureSettings(TCustomdxTreeList& grid)
        : grid_(grid),
          font_(grid.Font()),
          header_font_(grid.header_font_),
          band_font_(grid.band_font_),
          parent_font_(grid.ParentFont()),
          show_root_(grid.show_root_),
          look_(grid.look_),
          options_(grid.options_),
          left_coord_(grid.left_coord_) {
      ++grid.update_lock_;
    }
    ~PictureSettings() {
      grid_.painting_picture_ = false;
      grid_.look_ = look_;
      grid_.options_ = options_;
      grid_.show_root_ = show_root_;
      grid_.left_coord_ = left_coord_;
      try {
        grid_.Font().Assign(font_);
        grid_.header_font_.Assign(header_font_);
        grid_.band_font_.Assign(band_font_);
        if (parent_font_) grid_.SetParentFont(true);  // a font change cleared it
      } catch (...) {
        framework::Application::Instance().HandleException();
      }
      --grid_.update_lock_;
    }
    PictureSettings(const PictureSettings&) = delete;
    PictureSettings& operator=(const PictureSettings&) = delete;

   private:
    TCustomdxTreeList& grid_;
    framework::TFont font_, header_font_, band_font_;
    bool parent_font_;
    bool show_root_;
    TdxLookAndFeel look_;
    uint32_t options_;
    int left_coord_;
  } settings(*this);

  PrepareMetafileFont(Font());
  PrepareMetafileFont(header_font_);
  PrepareMetafileFont(band_font_);
  show_root_ = false;
  painting_picture_ = true;
  look_ = TdxLookAndFeel::lfUltraFlat;
  options_ |= aoHideFocusRect;
  left_coord_ = 0;

  std::vector<TdxTreeListNode*> rows = ClipboardRows(selected_only);
  LayoutInputs in;
  in.metrics = metrics_;
  in.auto_width = IsAutoWidth();
  in.client = ClientRect();
  const Layout current = ComputeLayout(GetHeaderModel(), in);
  int height = current.rows.top + (current.footer.bottom - current.footer.top);
  for (TdxTreeListNode* node : rows)
    height += GetRowHeight(node, metrics_.default_row_height, false);
  in.client = {0, 0, std::max<int>(current.data.left + current.total_width, 1),
               std::max(height, 1)};
  const Layout full = ComputeLayout(GetHeaderModel(), in);

  const RECT frame = MetafileFrame(in.client.right, in.client.bottom);
  HDC dc = CreateEnhMetaFileW(nullptr, nullptr, &frame, nullptr);
  if (!dc) throw framework::Exception("Cannot create the grid's picture");
  try {
    GridView view = ViewOf(full);
    int y = full.rows.top;
    for (TdxTreeListNode* node : rows) {
      view.rows.push_back(MakeViewRow(node, y));
      y += view.rows.back().height;
    }
    PaintView(view, dc);
  } catch (...) {
    DeleteEnhMetaFile(CloseEnhMetaFile(dc));
    throw;
  }
  return CloseEnhMetaFile(dc);
}

void TCustomdxTreeList::PrepareMetafileFont(framework::TFont& font) {
  if (CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, font.Name().c_str(), -1, "MS Sans Serif",
                     -1) == CSTR_EQUAL) {
    font.SetName("Microsoft Sans Serif");
    return;
  }
  LOGFONTW log_font{};
  log_font.lfHeight = font.Height();
  log_font.lfWeight = (font.Style() & framework::fsBold) ? FW_BOLD : FW_NORMAL;
  log_font.lfItalic = (font.Style() & framework::fsItalic) ? 1 : 0;
  log_font.lfUnderline = (font.Style() & framework::fsUnderline) ? 1 : 0;
  log_font.lfStrikeOut = (font.Style() & framework::fsStrikeOut) ? 1 : 0;
  log_font.lfCharSet = static_cast<BYTE>(font.Charset());
  log_font.lfOutPrecision = kTrueTypeOnly;
  log_font.lfPitchAndFamily = RealizedPitch(font);
  const std::wstring face = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE,
                                           font.Name().c_str(), -1, "Default", -1) == CSTR_EQUAL
                                ? DefaultFaceName()
                                : win::Widen(font.Name());
  wcsncpy(log_font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  HFONT handle = CreateFontIndirectW(&log_font);
  if (!handle) throw framework::Exception("Cannot create the picture's font " + font.Name());
  font.SetHandle(handle);
}

}  // namespace treelist
