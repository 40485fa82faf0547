// PDF help through the tests' stand-in reader, registered in the prefix's classes the way a
// reader registers itself: the exact command lines it is started with, the DDE jump it receives,
// and the warning about old readers, answered through real messages.
#include "sdk/pdf_help.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/render.h"
#include "framework/win/handles.h"
#include "sdk/common_utils.h"
#include "sdk/form_acrobat_reader_warning.h"
#include "sdk/host_fakes.h"
#include "support/test_paths.h"

namespace {

using testfakes::ScopedRegistryKey;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
       start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

bool ClassKeyExists(const wchar_t* key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  RegCloseKey(opened);
  return true;
}

// The document class of PDF files replaced for one test: the system's own one may start a
// browser, which no test may do.
class ScopedPdfDocumentClass {
 public:
  explicit ScopedPdfDocumentClass(const std::wstring& document_class) {
    wchar_t value[256] = {};
    DWORD size = sizeof value;
    had_ = RegGetValueW(HKEY_CLASSES_ROOT, L".PDF", nullptr, RRF_RT_REG_SZ, nullptr, value,
                        &size) == ERROR_SUCCESS;
    old_ = value;
    Set(document_class);
  }
  ~ScopedPdfDocumentClass() {
    if (had_) {
      Set(old_);
    } else {
      RegDeleteKeyW(HKEY_CLASSES_ROOT, L".PDF");
    }
  }
  ScopedPdfDocumentClass(const ScopedPdfDocumentClass&) = delete;
  ScopedPdfDocumentClass& operator=(const ScopedPdfDocumentClass&) = delete;

 private:
  static void Set(const std::wstring& value) {
    RegSetKeyValueW(HKEY_CLASSES_ROOT, L".PDF", nullptr, REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
  bool had_ = false;
  std::wstring old_;
};

// Answers the reader warning as a user would: optionally ticks "Don't show this again", then OK.
struct WarningAnswer {
  static inline bool tick = false;
  static inline int seen = 0;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) noexcept {
    const HWND form = FindWindowW(nullptr, L"Warning");
    if (!form || !IsWindowVisible(form)) return;
    ++seen;
    if (tick) Click(form, L"&Don't show this again");
    Click(form, L"OK");
  }
  static void Click(HWND form, const wchar_t* caption) {
    if (const HWND button = FindWindowExW(form, nullptr, L"Button", caption)) {
      SendMessageW(button, BM_CLICK, 0, 0);
    }
  }
};

class PdfHelp : public ::testing::Test {
 protected:
  void SetUp() override {
    // The tests' own prefix: no reader but the stand-in.
    ASSERT_FALSE(ClassKeyExists(L"AcroPDF.PDF.1") || ClassKeyExists(L"PDF.PdfCtrl.1"));
    SetEnvironmentVariableA("TRALVEK_READER_LOG", log_.c_str());
    testsupport::WriteFile(help_, "%PDF-1.4\n");
    acrobat_command_.SetString(L"", L"\"" + Wide(reader_) + L"\" \"%1\"");
    ResetWarningSwitch();
    WarningAnswer::seen = 0;
    WarningAnswer::tick = false;
    timer_ = SetTimer(nullptr, 0, 50, WarningAnswer::Tick);
  }
  void TearDown() override {
    if (timer_) KillTimer(nullptr, timer_);
    ResetWarningSwitch();
    SetEnvironmentVariableA("TRALVEK_READER_LOG", nullptr);
  }
  static void ResetWarningSwitch() {
    RegDeleteKeyValueA(HKEY_CURRENT_USER, (sdk::GetProductFamilyRegistryKey() + "\\Forms").c_str(),
                       "EnableAcrobatVersionPopup");
  }

  // The log's lines once it has `count` of them (what is there after 10 seconds otherwise).
  std::vector<std::string> WaitForLog(size_t count) const {
    std::vector<std::string> lines;
    for (int i = 0; i < 200 && (lines = Lines(testsupport::ReadFile(log_))).size() < count; ++i) {
      Sleep(50);
    }
    return lines;
  }
  std::string PlainCommand(const std::string& file) const {
    return "command: \"" + reader_ + "\"  \"" + file + "\"";
  }
  std::string PageCommand(int page) const {
    return "command: \"" + reader_ + "\"  /a pagemode=bookmarks&page=" + std::to_string(page) +
           " \"" + help_ + "\"";
  }

  testsupport::TempDir dir_;
  const std::string reader_ = testsupport::BinaryPath("pdf_reader_standin.exe");
  const std::string log_ = dir_.Path("reader.log");
  const std::string help_ = dir_.Path("guide.pdf");
  ScopedRegistryKey acrobat_{HKEY_CLASSES_ROOT, L"acrobat"};
  ScopedRegistryKey acrobat_command_{HKEY_CLASSES_ROOT, L"acrobat\\Shell\\Open\\Command"};
  UINT_PTR timer_ = 0;
};

TEST_F(PdfHelp, ReaderCommandLosesItsPlaceholders) {
  acrobat_command_.SetString(L"", L"\"C:\\R\\reader.exe\" /u \"%1\" %1");
  EXPECT_EQ(sdk::GetPdfReaderCommand(), "\"C:\\R\\reader.exe\"   ");
  // Without the reader's own key the command comes through the document class.
  RegDeleteTreeW(HKEY_CLASSES_ROOT, L"acrobat");
  RegDeleteKeyW(HKEY_CLASSES_ROOT, L"acrobat");
  {
    ScopedPdfDocumentClass unknown(L"TralvekTest.Missing");
    EXPECT_EQ(sdk::GetPdfReaderCommand(), "") << "a document class without a command";
    EXPECT_FALSE(sdk::ShowPdfHelp(help_, 1)) << "no reader: nothing can start";
  }
  ScopedPdfDocumentClass document_class(L"TralvekTest.Document");
  ScopedRegistryKey document(HKEY_CLASSES_ROOT, L"TralvekTest.Document");
  ScopedRegistryKey command(HKEY_CLASSES_ROOT, L"TralvekTest.Document\\Shell\\Open\\Command");
  command.SetString(L"", L"C:\\R\\other.exe %1 /u");
  EXPECT_EQ(sdk::GetPdfReaderCommand(), "C:\\R\\other.exe  ");
}

TEST_F(PdfHelp, ReaderVersionFromControlClassesThenFromTheProgram) {
  EXPECT_EQ(
      sdk::GetPdfReaderVersion("\"" + testsupport::BinaryPath("sdk_test_mode_probe.exe") + "\" "),
      1)
      << "the program's major version";
  EXPECT_EQ(sdk::GetPdfReaderVersion("\"" + reader_ + "\" "), 4) << "a program without version";
  EXPECT_EQ(sdk::GetPdfReaderVersion(""), 4) << "no program at all";
  {
    ScopedRegistryKey five(HKEY_CLASSES_ROOT, L"PDF.PdfCtrl.5");
    ScopedRegistryKey nine(HKEY_CLASSES_ROOT, L"PDF.PdfCtrl.9");
    EXPECT_EQ(sdk::GetPdfReaderVersion(""), 5) << "the lowest numbered control";
    ScopedRegistryKey one(HKEY_CLASSES_ROOT, L"PDF.PdfCtrl.1");
    EXPECT_EQ(sdk::GetPdfReaderVersion(""), 4);
    ScopedRegistryKey seven(HKEY_CLASSES_ROOT, L"AcroPDF.PDF.1");
    EXPECT_EQ(sdk::GetPdfReaderVersion(""), 7);
  }
  ScopedRegistryKey eleven(HKEY_CLASSES_ROOT, L"PDF.PdfCtrl.11");
  EXPECT_EQ(sdk::GetPdfReaderVersion(""), 4) << "controls above 10 are not looked for";
}

TEST_F(PdfHelp, NewReaderGetsThePageAndTheJumpToIt) {
  ScopedRegistryKey seven(HKEY_CLASSES_ROOT, L"AcroPDF.PDF.1");
  // The reader is open already: it receives the jump.
  std::string serve = "\"" + reader_ + "\" --serve";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  ASSERT_TRUE(CreateProcessA(nullptr, serve.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &started));
  const win::UniqueHandle thread(started.hThread);
  const win::UniqueHandle server(started.hProcess);
  const win::UniqueHandle serving(CreateEventA(nullptr, TRUE, FALSE, "TralvekReaderServing"));
  ASSERT_EQ(WaitForSingleObject(serving.get(), 10000), WAIT_OBJECT_0);

  EXPECT_TRUE(sdk::ShowPdfHelp(help_, 12));
  std::vector<std::string> lines = WaitForLog(2);
  EXPECT_EQ(WaitForSingleObject(server.get(), 10000), WAIT_OBJECT_0) << "the jump ends it";
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, (std::vector<std::string>{PageCommand(12), "execute: [DocGoTo(NULL, 11)]"}));

  // Without a running reader the jump goes nowhere, silently.
  DeleteFileA(log_.c_str());
  EXPECT_TRUE(sdk::ShowPdfHelp(help_, 1));
  EXPECT_EQ(WaitForLog(1), std::vector<std::string>{PageCommand(1)});
  EXPECT_EQ(WarningAnswer::seen, 0) << "new readers need no warning";
}

TEST_F(PdfHelp, OldReaderGetsThePlainCommandAndTheWarningOnce) {
  ScopedRegistryKey five(HKEY_CLASSES_ROOT, L"PDF.PdfCtrl.5");
  EXPECT_TRUE(sdk::ShowPdfHelp(help_, 1));
  EXPECT_EQ(WaitForLog(1), std::vector<std::string>{PlainCommand(help_)});
  EXPECT_EQ(WarningAnswer::seen, 0) << "the first page needs no page argument";

  EXPECT_TRUE(sdk::IsAcrobatWarningEnabled());
  EXPECT_TRUE(sdk::ShowPdfHelp(help_, 12));
  EXPECT_EQ(WarningAnswer::seen, 1);
  EXPECT_TRUE(sdk::IsAcrobatWarningEnabled()) << "the box was not ticked";

  WarningAnswer::tick = true;
  EXPECT_TRUE(sdk::ShowPdfHelp(help_, 12));
  EXPECT_EQ(WarningAnswer::seen, 2);
  EXPECT_FALSE(sdk::IsAcrobatWarningEnabled()) << "ticked: off for later calls";
  EXPECT_TRUE(sdk::ShowPdfHelp(help_, 3));
  EXPECT_EQ(WarningAnswer::seen, 2);
  EXPECT_EQ(WaitForLog(4), std::vector<std::string>(4, PlainCommand(help_)));
}

TEST_F(PdfHelp, MissingOrUnquotableFilesStartNothing) {
  ScopedRegistryKey seven(HKEY_CLASSES_ROOT, L"AcroPDF.PDF.1");
  EXPECT_FALSE(sdk::ShowPdfHelp(dir_.Path("absent.pdf"), 1)) << "missing here and in Help";

  // Found by its bare name in the application's Help folder instead.
  const std::string folder = sdk::GetFallbackHelpFolder();
  const bool made_folder = CreateDirectoryA(folder.c_str(), nullptr);
  const std::string fallback = folder + "tralvek_fallback_guide.pdf";
  testsupport::WriteFile(fallback, "%PDF-1.4\n");
  // A quote would end the path's quotes on the reader's command line: refused, although the
  // bare name leads to a help file that exists.
  EXPECT_FALSE(sdk::ShowPdfHelp("C:\\x\" /evil \"\\tralvek_fallback_guide.pdf", 1));
  EXPECT_TRUE(sdk::ShowPdfHelp("C:\\nowhere\\tralvek_fallback_guide.pdf", 2));
  WaitForLog(1);
  Sleep(300);  // a start of the refused name would have logged by now
  const std::vector<std::string> all_lines = WaitForLog(1);
  DeleteFileA(fallback.c_str());
  if (made_folder) RemoveDirectoryA(folder.c_str());
  ASSERT_EQ(all_lines.size(), 1u) << "only the fallback file started the reader";
  EXPECT_NE(all_lines[0].find("&page=2 \"" + fallback + "\""), std::string::npos) << all_lines[0];
}

TEST_F(PdfHelp, WarningFormAndItsSwitch) {
  KillTimer(nullptr, timer_);
  timer_ = 0;
  sdk::TAcrobatReaderWarning form(nullptr);
  auto& ok = dynamic_cast<framework::TButton&>(*form.FindComponent("ButtonOK"));
  EXPECT_TRUE(ok.Default() && ok.ModalResult() == framework::kModalOk);
  EXPECT_EQ(form.DontShowAgain().Caption(), L"&Don't show this again");
  EXPECT_FALSE(form.DontShowAgain().Checked());
  EXPECT_EQ(dynamic_cast<framework::TLabel&>(*form.FindComponent("Label1")).Caption(),
            L"Some features of the Plavena documentation system use functionality unavailable "
            L"in your version of Acrobat Reader. We recommend version 6.0 or higher.");
  form.Show();
  const auto picture = testsupport::Render(form);
  testsupport::SavePicture(*picture, "acrobat_reader_warning");
  // The icon is drawn: more than the face colour in its corner of the form.
  const RECT icon{12, 12, 44, 44};
  EXPECT_LT(testsupport::CountPixels(*picture, icon, GetSysColor(COLOR_BTNFACE)), 32 * 32);
  form.Close();

  sdk::DisableAcrobatWarning();
  EXPECT_FALSE(sdk::IsAcrobatWarningEnabled());
  sdk::ShowAcrobatReaderWarning();  // returns at once: nothing shown, no one answers
  ResetWarningSwitch();
  EXPECT_TRUE(sdk::IsAcrobatWarningEnabled()) << "a missing value counts as on";
}

}  // namespace
