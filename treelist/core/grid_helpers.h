// Small routines the grid shares with its column and layout-storage code: the measuring DC,
// counting the lines a wrapped text needs, and the registry paths of stored layouts.
#pragma once

#include <windows.h>

#include <string>

#include "framework/win/handles.h"

namespace treelist {

// A DC for measuring text as the screen draws it. A memory DC: the screen's own costs a round
// trip to Wine's server for each use, and the grid measures at every change of its layout.
inline win::UniqueMemoryDc MeasureDC() { return win::UniqueMemoryDc(CreateCompatibleDC(nullptr)); }

// String `id` of the module's string table; ETreeListError when the module lacks it.
std::wstring ModuleText(UINT id);

// Lines `text` needs when wrapped into `width` pixels in `font` (at least 1 for any text, 0 for
// none), at most `max_lines` when that is positive. `line_height` 0 measures the font's.
int CountTextLines(const std::wstring& text, int width, int line_height, HFONT font, int max_lines);

// A leading "\" added to a non-empty path, every trailing "\" removed.
std::string NormalizeRegistryPath(const std::string& path);

// Where the stored layouts of older versions lie: a key under HKEY_CURRENT_USER.
using RegistryRootProvider = std::wstring (*)();
// Deletes the sub-key "Software" (with what it holds) under the provider's key, when the key
// exists. Callers run it only when a provider is installed.
void DeleteObsoleteKey(RegistryRootProvider provider);

}  // namespace treelist
