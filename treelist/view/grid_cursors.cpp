// The grid's cursors: pictures drawn at build time into the module's resources.
#include "treelist/view/grid_cursors.h"

#include <windows.h>

#include "framework/screen.h"
#include "framework/win/module.h"
#include "framework/win/text.h"
#include "treelist/view/shared_resources.h"
#include "treelist/core/tree_list.h"

namespace treelist {

const GridCursor kGridCursors[10] = {
    {L"DXTLDELETECURSOR", crTreeListDelete},  {L"DXTL_FULLSCROLLCURSOR", crFullScroll},
    {L"DXTL_HORSCROLLCURSOR", crHorScroll},   {L"DXTL_VERSCROLLCURSOR", crVerScroll},
    {L"DXTL_UPSCROLLCURSOR", crUpScroll},     {L"DXTL_RIGHTSCROLLCURSOR", crRightScroll},
    {L"DXTL_DOWNSCROLLCURSOR", crDownScroll}, {L"DXTL_LEFTSCROLLCURSOR", crLeftScroll},
    {L"DXTL_DRAGCOPY", crDragCopy},           {L"DXTL_MULTIDRAGCOPY", crMultiDragCopy},
};

void RegisterGridCursors() {
  static bool registered = false;
  if (registered) return;
  framework::TScreen& screen = framework::Screen();
  for (const GridCursor& cursor : kGridCursors) {
    // Not shared: the screen destroys a cursor it gives up.
    auto handle = static_cast<HCURSOR>(
        LoadImageW(win::ThisModule(), cursor.resource, IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
    if (!handle) {
      throw ETreeListError("The module lacks its cursor resource " + win::Narrow(cursor.resource));
    }
    screen.SetCursorHandle(cursor.id, handle);
  }
  registered = true;
}

}  // namespace treelist
