// Framework benchmark: a form of 200 controls loaded from its description and shown, the cost of
// painting controls into a bitmap, and memory ini files of 200,000 keys read. Prints one line
// per measurement.
#include <windows.h>

#include <cstdio>
#include <string>

#include "framework/application.h"
#include "framework/form_resource.h"
#include "framework/ini_files.h"
#include "framework/picture.h"
#include "framework/stdctrls.h"
#include "framework/string_list.h"
#include "framework/win/text.h"
#include "tests/support/clock.h"

using namespace framework;

namespace {

double Now() { return testsupport::Seconds() * 1000.0; }

// Rows of label, edit and button in panels of ten rows: 200 controls with the panels.
std::string BigFormText() {
  std::string text = "object BigForm: TForm\n  ClientWidth = 900\n  ClientHeight = 700\n";
  int count = 0;
  for (int panel = 0; count < 200; ++panel) {
    text += "  object Panel" + std::to_string(panel) +
            ": TPanel\n    Left = " + std::to_string((panel % 4) * 220) +
            "\n    Top = " + std::to_string((panel / 4) * 230) +
            "\n    Width = 215\n    Height = 225\n";
    ++count;
    for (int row = 0; row < 10 && count < 200; ++row) {
      const std::string n = std::to_string(panel * 10 + row), top = std::to_string(4 + row * 22);
      text += "    object Label" + n + ": TLabel\n      Left = 4\n      Top = " + top +
              "\n      Caption = 'Label " + n + "'\n    end\n";
      text += "    object Edit" + n + ": TEdit\n      Left = 70\n      Top = " + top +
              "\n      Width = 80\n      Text = 'value " + n + "'\n    end\n";
      count += 2;
      if (count < 200 && row % 2 == 0) {
        text += "    object Button" + n + ": TButton\n      Left = 155\n      Top = " + top +
                "\n      Width = 55\n      Caption = 'Go'\n    end\n";
        ++count;
      }
    }
    text += "  end\n";
  }
  return text + "end\n";
}

// 200,000 keys, in one section and spread over 100, read by the memory ini file, next to
// reading the same file into a string list (the least any reader must do).
void BenchIniFiles() {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  const std::string path = win::Narrow(folder) + "framework_bench.ini";
  constexpr int kKeys = 200000;
  for (const int sections : {1, 100}) {
    std::string text;
    for (int s = 0; s < sections; ++s) {
      text += "[Section" + std::to_string(s) + "]\r\n";
      for (int k = s; k < kKeys; k += sections) {
        text += "Key" + std::to_string(k) + "=Value" + std::to_string(k) + "\r\n";
      }
    }
    {
      TFileStream file(path, fmCreate);
      file.WriteString(text);
    }
    double start = Now();
    TStringList lines;
    lines.LoadFromFile(path);
    const double split = Now() - start;
    start = Now();
    TMemIniFile ini(path);
    const double loaded = Now() - start;
    if (ini.ReadString("Section0", "Key0", "") != "Value0") throw Exception("ini file misread");
    std::printf(
        "memory ini file of %d keys in %d section%s: load %.0f ms (target 1000); "
        "lines alone %.0f ms, ratio %.1f\n",
        kKeys, sections, sections == 1 ? "" : "s", loaded, split, loaded / split);
  }
  DeleteFileW(win::Widen(path).c_str());
}

}  // namespace

int main() {
  try {
    RegisterStandardControls();
    const std::string text = BigFormText();
    constexpr int kRounds = 10;
    double load = 0, show = 0, created = 0;
    int controls = 0;
    for (int round = 0; round < kRounds; ++round) {
      TForm form(nullptr);
      const double start = Now();
      ReadComponentText(form, text, "BigForm");
      const double loaded = Now();
      form.Handle();
      created += Now() - loaded;
      form.Show();
      Application::Instance().ProcessMessages();
      const double shown = Now();
      load += loaded - start;
      show += shown - loaded;
      controls = static_cast<int>(form.Components().size());
    }
    std::printf("form of %d controls: load %.2f ms, show %.2f ms, together %.2f ms (target 100)\n",
                controls, load / kRounds, show / kRounds, (load + show) / kRounds);
    std::printf("  of which making the windows %.2f ms\n", created / kRounds);
    {
      // What the system alone takes for the same windows, for comparison.
      HWND top = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 900, 700, nullptr, nullptr,
                                 nullptr, nullptr);
      const double start = Now();
      for (int i = 0; i < 80; ++i) {
        CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"value", WS_CHILD | WS_VISIBLE, 0, i, 80, 20,
                        top, nullptr, nullptr, nullptr);
      }
      for (int i = 0; i < 60; ++i) {
        CreateWindowExW(0, L"BUTTON", L"Go", WS_CHILD | WS_VISIBLE, 0, i, 80, 20, top, nullptr,
                        nullptr, nullptr);
      }
      std::printf("  the system alone makes 80 edits and 60 buttons in %.2f ms\n", Now() - start);
      DestroyWindow(top);
    }

    TForm form(nullptr);
    ReadComponentText(form, text, "BigForm");
    form.Handle();
    constexpr int kPaints = 500;
    struct Target {
      const char* name;
      TControl* control;
    };
    const Target targets[] = {
        {"button", dynamic_cast<TControl*>(form.FindComponent("Button0"))},
        {"edit", dynamic_cast<TControl*>(form.FindComponent("Edit0"))},
        {"label", dynamic_cast<TControl*>(form.FindComponent("Label0"))},
        {"panel with children", dynamic_cast<TControl*>(form.FindComponent("Panel0"))}};
    for (const Target& target : targets) {
      TBitmap bitmap(target.control->Width(), target.control->Height());
      HDC dc = bitmap.Canvas().Handle();
      const double start = Now();
      for (int i = 0; i < kPaints; ++i) target.control->PaintTo(dc, 0, 0);
      std::printf("paint %s into a bitmap: %.3f ms (target 1)\n", target.name,
                  (Now() - start) / kPaints);
    }
    BenchIniFiles();
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "framework_bench: %s\n", e.what());
    return 1;
  }
}
