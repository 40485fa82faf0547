// Paints 10,000 cells through each full editor's view data into a memory DC and prints the time
// per cell, beside the system's own drawing of the same cells (a fill and DrawTextW, plus
// DrawFrameControl for a box or button) and the ratio of the two.
//
//   view_data_bench [CELLS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editors/button_edits.h"
#include "editors/check_edit.h"
#include "editors/date_edits.h"
#include "editors/memo_edit.h"
#include "editors/number_edits.h"
#include "editors/picture_edits.h"
#include "framework/streams.h"
#include "framework/win/handles.h"

namespace {

constexpr int kCellWidth = 160, kCellHeight = 20;

double Seconds() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// What a user would draw instead: the cell's background and text by the system, and a frame
// control where the editor shows a box or a button.
void SystemCell(HDC dc, const RECT& cell, const std::wstring& text, UINT frame_kind, UINT frame) {
  SetBkColor(dc, RGB(255, 255, 255));
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &cell, nullptr, 0, nullptr);
  RECT text_rect = cell;
  InflateRect(&text_rect, -3, -2);
  if (frame_kind) {
    RECT box = text_rect;
    box.left = box.right - 15;
    text_rect.right = box.left;
    DrawFrameControl(dc, &box, frame_kind, frame);
  }
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &text_rect,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

struct Row {
  const editors::TdxInplaceEditClass& editor;
  std::wstring value;
  UINT frame_kind, frame;  // the system's equivalent
  std::function<void(editors::TdxEditViewData&)> prepare;
};

}  // namespace

int main(int argc, char** argv) {
  const int cells = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
  win::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = kCellWidth + 4;
  info.bmiHeader.biHeight = -(kCellHeight + 4);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  win::UniqueBitmap bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  SelectObject(dc.get(), bitmap.get());
  win::UniqueFont font(
      CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
  SelectObject(dc.get(), font.get());

  framework::TPicture picture;
  {
    framework::TBitmap image(16, 16, framework::TPixelFormat::pf24bit);
    framework::TMemoryStream stream;
    image.SaveToStream(stream);
    editors::LoadPictureFromValue(
        picture, nullptr,
        std::string(stream.Bytes().begin(), stream.Bytes().begin() + stream.Size()));
  }
  const std::vector<std::wstring> values = {L"0", L"1"}, descriptions = {L"Off", L"On"};
  const Row rows[] = {
      {editors::TdxInplaceTextEdit::EditorClass(), L"Net GND clearance", 0, 0, nullptr},
      {editors::TdxInplaceCheckEdit::EditorClass(), L"1", DFC_BUTTON, DFCS_BUTTONCHECK, nullptr},
      {editors::TdxInplaceDropDownEdit::EditorClass(), L"Vertical", DFC_SCROLL, DFCS_SCROLLCOMBOBOX,
       nullptr},
      {editors::TdxInplacePickEdit::EditorClass(), L"Horizontal", DFC_SCROLL, DFCS_SCROLLCOMBOBOX,
       nullptr},
      {editors::TdxInplaceMemoEdit::EditorClass(), L"Two lines\r\nof text", 0, 0, nullptr},
      {editors::TdxInplaceSpinEdit::EditorClass(), L"42", DFC_SCROLL, DFCS_SCROLLUP, nullptr},
      {editors::TdxInplaceButtonEdit::EditorClass(), L"Button", DFC_BUTTON, DFCS_BUTTONPUSH,
       nullptr},
      {editors::TdxInplaceImageEdit::EditorClass(), L"1", 0, 0,
       [&](editors::TdxEditViewData& data) {
         auto& image = static_cast<editors::TdxImageEditViewData&>(data);
         image.Values = values;
         image.Descriptions = descriptions;
       }},
      {editors::TdxInplaceHyperLinkEdit::EditorClass(), L"http://127.0.0.1/", 0, 0, nullptr},
      {editors::TdxInplaceGraphicEdit::EditorClass(), L"", 0, 0,
       [&](editors::TdxEditViewData& data) {
         static_cast<editors::TdxGraphicEditViewData&>(data).Picture = &picture;
       }},
      {editors::TdxInplaceMRUEdit::EditorClass(), L"Recent", DFC_SCROLL, DFCS_SCROLLCOMBOBOX,
       nullptr},
      {editors::TdxInplaceBlobEdit::EditorClass(), L"Blob text", DFC_SCROLL, DFCS_SCROLLCOMBOBOX,
       [&](editors::TdxEditViewData& data) {
         auto& blob = static_cast<editors::TdxBlobEditViewData&>(data);
         blob.Images = editors::GetBlobImages();
         blob.IsEmpty = false;
       }},
      {editors::TdxInplaceDateEdit::EditorClass(), L"5/17/2024", DFC_SCROLL, DFCS_SCROLLCOMBOBOX,
       nullptr},
      {editors::TdxInplaceCalcEdit::EditorClass(), L"3.14159", DFC_SCROLL, DFCS_SCROLLCOMBOBOX,
       nullptr},
      {editors::TdxInplaceCurrencyEdit::EditorClass(), L"1234.50", 0, 0, nullptr},
      {editors::TdxInplaceTimeEdit::EditorClass(), L"12:30", 0, 0, nullptr},
  };

  std::printf("%d cells of %d x %d, per cell in microseconds\n", cells, kCellWidth, kCellHeight);
  std::printf("%-26s %10s %10s %8s\n", "view data of", "editor", "system", "ratio");
  const RECT bounds{0, 0, kCellWidth + 4, kCellHeight + 4};
  for (const Row& row : rows) {
    std::unique_ptr<editors::TdxEditViewData> data = row.editor.create_view_data();
    data->Bounds = bounds;
    data->Font = font.get();
    if (row.prepare) row.prepare(*data);
    std::vector<framework::Variant> texts;
    for (int i = 0; i < 16; ++i) {
      texts.emplace_back(row.editor.InheritsFrom(editors::TdxInplaceCheckEdit::EditorClass())
                             ? framework::Variant(i % 3)
                             : framework::Variant(row.value + (i % 2 ? L"" : L" ")));
    }
    double start = Seconds();
    for (int i = 0; i < cells; ++i) {
      data->Value = texts[i % 16];
      data->Paint(dc.get());
    }
    GdiFlush();
    const double editor = (Seconds() - start) * 1e6 / cells;
    start = Seconds();
    for (int i = 0; i < cells; ++i) {
      SystemCell(dc.get(), bounds, row.value, row.frame_kind, row.frame);
    }
    GdiFlush();
    const double system = (Seconds() - start) * 1e6 / cells;
    std::printf("%-26s %10.2f %10.2f %8.2f\n", row.editor.name, editor, system,
                system > 0 ? editor / system : 0.0);
  }
  return 0;
}
