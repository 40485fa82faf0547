// View data: the painting record of one cell, filled by the grid for every cell it paints and
// drawn the way the cell's editor would show the value, without any editor window.
#pragma once

#include <windows.h>

#include <string>

#include "controls/edit_text_model.h"
#include "editors/edit_style.h"
#include "framework/stdctrls.h"
#include "framework/variant.h"

namespace editors {

// Where the text sits in the cell: one line at the top, centre or bottom, or wrapped lines
// from the top or centred.
enum TdxTextPlacement : int {
  kPlaceTop = 0,
  kPlaceCenter = 1,
  kPlaceBottom = 2,
  kPlaceMultiLine = 3,
  kPlaceMultiLineCenter = 4
};

// DrawText's horizontal format for an alignment.
UINT HorizontalFormat(framework::TAlignment alignment);

class TdxEditViewData {
 public:
  TdxEditViewData() = default;
  virtual ~TdxEditViewData() = default;
  TdxEditViewData(const TdxEditViewData&) = delete;
  TdxEditViewData& operator=(const TdxEditViewData&) = delete;

  // Paints the cell at Bounds: background, then the value.
  virtual void Paint(HDC dc) const;
  // Paints as Paint does, but nothing outside the cell that Bounds surround by the frame area,
  // so that a grid need not clip the DC for every cell. False, with nothing painted, for a
  // record whose painting may reach beyond the cell: every class that paints otherwise than
  // its base does says so.
  virtual bool PaintInsideCell(HDC) const { return false; }
  // Lines the value needs when wrapped into `width` (1 for values that do not wrap).
  virtual int CalcLineCount(HDC dc, int width) const;
  // The text the cell shows for Value.
  virtual std::wstring DisplayText() const;

  bool Enabled = true;
  bool Selected = false;
  framework::TColor BorderColor = framework::clNone;
  TdxEditButtonStyle ButtonStyle = TdxEditButtonStyle::bts3D;
  TdxEditEdges Edges = kAllEdges;
  bool Shadow = false;
  bool HotTrack = false;  // the cell follows the mouse
  bool Hot = false;       // the mouse is over it now
  RECT ButtonRect{};
  RECT Bounds{};  // the painted rectangle, 2 pixels around the cell as the editor's window is
  framework::TAlignment Alignment = framework::TAlignment::taLeftJustify;
  HFONT Font = nullptr;  // borrowed; null: the DC's
  COLORREF BrushColor = RGB(255, 255, 255);
  COLORREF TextColor = RGB(0, 0, 0);
  framework::Variant Value;
  int Placement = kPlaceCenter;
  // Pixels between the frame and the text, as the editor's text offsets.
  int TextOffsetLeft = 1, TextOffsetTop = 0;
  // A highlight pass paints only the first HighlightLength characters (the search mark).
  int HighlightLength = 0;
  bool HighlightPass = false;

 protected:
  // The cell: Bounds less the 2-pixel frame area.
  RECT CellRect() const;
  // The rectangle the text goes in: the cell less the offsets.
  RECT TextRect() const;
  // Fills `area` (Bounds by default) with BrushColor, except in a highlight pass.
  void PaintBackground(HDC dc) const { PaintBackground(dc, Bounds); }
  void PaintBackground(HDC dc, const RECT& area) const;
  // One line or wrapped lines by Placement and Alignment; `end_ellipsis` shortens one line.
  void PaintText(HDC dc, const RECT& rect, const std::wstring& text, bool end_ellipsis) const;
  // What the background covers: Bounds, of which the DC's clipping shows what it may, or only
  // the cell (PaintInsideCell).
  enum class PaintArea { kBounds, kCell };
  // The background and then the text in `rect`: one drawing call for a plain line whose ink
  // stays where the text's own clipping would leave it.
  void PaintBackgroundAndText(HDC dc, PaintArea area, const RECT& rect, const std::wstring& text,
                              bool end_ellipsis) const;

 private:
  // Where one unshortened line starts in `rect`; measures the text only off the left edge.
  POINT LinePosition(HDC dc, const RECT& rect, const std::wstring& text) const;
  // The font the text is drawn in: the record's, else the DC's.
  HGDIOBJ DrawingFont(HDC dc) const;
  // The selected font's line height, kept while the DC and font stay: a grid paints every
  // cell of a page in one.
  int LineHeight(HDC dc) const;
  mutable HDC measured_dc_ = nullptr;
  mutable HGDIOBJ measured_font_ = nullptr;
  mutable int line_height_ = 0;
};

class TdxTextEditViewData : public TdxEditViewData {
 public:
  std::wstring DisplayText() const override;
  void Paint(HDC dc) const override;
  // The text clips itself to its rectangle inside the cell.
  bool PaintInsideCell(HDC dc) const override;

  controls::TEditCharCase CharCase = controls::TEditCharCase::ecNormal;
  bool EndEllipsis = false;
  wchar_t PasswordChar = 0;
  bool SelectionBar = false;  // a memo's strip at the left for selecting lines

 private:
  RECT TextArea() const;  // TextRect less the selection bar
};

}  // namespace editors
