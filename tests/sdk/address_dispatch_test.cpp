// Address dispatch against the stand-in host in process: its documents, views, task panels and
// help browsers, its address service and workspace. The host's journal shows where each address
// went; the shell is replaced by a recorder, and PDF pages go to the tests' stand-in reader.
#include "sdk/address_dispatch.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "framework/win/text.h"
#include "host/plavena/client.h"
#include "host/plavena/exports.h"
#include "sdk/client_api.h"
#include "sdk/host_fakes.h"
#include "support/test_paths.h"

namespace {

using plavena::HostDocument;
using plavena::HostTaskPanel;
using plavena::HostView;
using testfakes::ScopedRegistryKey;

plavena::Journal* shell_journal = nullptr;

void RecordShellOpen(HWND, const std::wstring& address) {
  shell_journal->Append("shell open " + win::Narrow(address));
}

// The panel as the form a view shows.
IUnknown* AsForm(HostTaskPanel* panel) { return static_cast<ITaskPanel*>(panel); }

class AddressDispatch : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // A loaded workspace library, as in the host: it answers for the client below.
    workspace_library_ = LoadLibraryA(testsupport::BinaryPath("WorkspaceManager.dll").c_str());
    sdk::BindClientApi();  // from this executable, which exports the host's functions
    sdk::StartVfsApi();
  }
  static void TearDownTestSuite() { FreeLibrary(workspace_library_); }

  void SetUp() override {
    ASSERT_TRUE(workspace_library_);
    plavena::SetExportedClient(client_, &journal_);
    plavena::SetUseExternalWebBrowser(false);
    sdk::SetClientGlobal(client_);
    shell_journal = &journal_;
    sdk::SetShellOpener(RecordShellOpen);
  }
  void TearDown() override {
    sdk::SetShellOpener(nullptr);
    sdk::SetClientGlobal(nullptr);
    plavena::SetExportedClient(nullptr, nullptr);
    client_->Release();
  }

  // Each address in turn; the journal lines it added.
  std::vector<std::string> Navigate(const std::wstring& address) {
    journal_.Clear();
    sdk::NavigateToAddress(address);
    return journal_.Lines();
  }
  HostDocument* Open(const std::wstring& path) {
    HostDocument* document = client_->OpenDocument(path, L"TEXT");
    client_->SetCurrentView(plain_view_);
    return document;
  }
  // The host's task panel "PickATask", a document found through the workspace.
  HostTaskPanel* OpenPickATask() {
    auto* panel = new HostTaskPanel(journal_, "PickATask");
    Open(L"PickATask")->View()->SetForm(AsForm(panel));
    panel->Release();
    return panel;
  }

  static inline HMODULE workspace_library_ = nullptr;
  plavena::Journal journal_;
  plavena::HostClient* client_ = new plavena::HostClient(journal_, nullptr);
  HostView* plain_view_ = client_->OpenDocument(L"C:\\work\\board.json", L"PCB")->View();
};

TEST_F(AddressDispatch, WebSchemesIgnoreLetterCase) {
  std::string web;
  for (const wchar_t* scheme :
       {L"http", L"HTTP", L"Ftp", L"hTTPs", L"", L"file", L"htt", L"httpx", L"mailto", L"ftps"}) {
    web += sdk::IsWebScheme(scheme) ? '1' : '0';
  }
  EXPECT_EQ(web, "1111000000");
}

TEST_F(AddressDispatch, WebAddressesGoToTheShellOnlyWhenTheHostPrefersIt) {
  EXPECT_EQ(Navigate(L"HTTP://Example.Test/a"), std::vector<std::string>{}) << "no taker at all";
  EXPECT_FALSE(sdk::OpenInTaskPanel(L"HTTP://Example.Test/a")) << "no PickATask document";
  OpenPickATask();
  plavena::SetUseExternalWebBrowser(true);
  EXPECT_EQ(Navigate(L"HTTP://Example.Test/a"),
            std::vector<std::string>{"shell open HTTP://Example.Test/a"});
  EXPECT_EQ(Navigate(L"FTP://files.test/x"),
            std::vector<std::string>{"shell open FTP://files.test/x"});
  EXPECT_TRUE(sdk::OpenInTaskPanel(L"https://b.test/"));
  EXPECT_EQ(journal_.Lines().back(), "shell open https://b.test/");
  EXPECT_EQ(Navigate(L"mailto:someone"),
            std::vector<std::string>{"task panel PickATask mailto:someone"})
      << "not a web scheme";

  plavena::SetUseExternalWebBrowser(false);
  EXPECT_FALSE(sdk::OpenInExternalBrowser(L"HTTP://Example.Test/a"));
  EXPECT_EQ(Navigate(L"HTTP://Example.Test/a"),
            std::vector<std::string>{"task panel PickATask HTTP://Example.Test/a"});
}

TEST_F(AddressDispatch, PdfPageLinks) {
  std::wstring address = L"C:\\Help\\guide.pdf#PAGE=7";
  int page = 0;
  EXPECT_TRUE(sdk::ParsePdfPageLink(address, page));
  EXPECT_EQ(address, L"C:\\Help\\guide.pdf");
  EXPECT_EQ(page, 7);
  address = L"C:\\Help\\GUIDE.Pdf#PAGE=seven";
  EXPECT_TRUE(sdk::ParsePdfPageLink(address, page));
  EXPECT_EQ(page, -1);
  address = L"C:\\Help\\guide.txt#PAGE=7";
  EXPECT_FALSE(sdk::ParsePdfPageLink(address, page));
  EXPECT_EQ(address, L"C:\\Help\\guide.txt") << "cut before the marker all the same";
  address = L"C:\\Help\\guide.pdf#page=7";
  EXPECT_FALSE(sdk::ParsePdfPageLink(address, page)) << "the marker's case counts";
  EXPECT_EQ(address, L"C:\\Help\\guide.pdf#page=7");
  // A bare name is made absolute against the current folder.
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  address = L"guide.pdf#PAGE=3";
  EXPECT_TRUE(sdk::ParsePdfPageLink(address, page));
  EXPECT_EQ(address, std::wstring(folder) + (folder[wcslen(folder) - 1] == L'\\' ? L"" : L"\\") +
                         L"guide.pdf");
}

TEST_F(AddressDispatch, PdfPageLinksOpenTheReaderAndOtherLinksGoOn) {
  testsupport::TempDir dir;
  const std::string log = dir.Path("reader.log");
  SetEnvironmentVariableA("TRALVEK_READER_LOG", log.c_str());
  ScopedRegistryKey acrobat(HKEY_CLASSES_ROOT, L"acrobat");
  ScopedRegistryKey command(HKEY_CLASSES_ROOT, L"acrobat\\Shell\\Open\\Command");
  command.SetString(
      L"", win::Widen("\"" + testsupport::BinaryPath("pdf_reader_standin.exe") + "\" \"%1\""));
  ScopedRegistryKey seven(HKEY_CLASSES_ROOT, L"AcroPDF.PDF.1");
  const std::string guide = dir.Path("guide.pdf");
  testsupport::WriteFile(guide, "%PDF-1.4\n");
  OpenPickATask();

  EXPECT_EQ(Navigate(win::Widen(guide + "#PAGE=7")), std::vector<std::string>{})
      << "the reader took it";
  std::string started;
  for (int i = 0; i < 200 && (started = testsupport::ReadFile(log)).empty(); ++i) Sleep(50);
  EXPECT_NE(started.find("&page=7 \"" + guide + "\""), std::string::npos) << started;

  const std::wstring text_link = win::Widen(dir.Path("guide.txt#PAGE=7"));
  EXPECT_EQ(Navigate(text_link),
            std::vector<std::string>{"task panel PickATask " + win::Narrow(text_link)});
  SetEnvironmentVariableA("TRALVEK_READER_LOG", nullptr);
}

TEST_F(AddressDispatch, TheCurrentTaskPanelTakesAddressesItDoesNotShow) {
  auto* panel = new HostTaskPanel(journal_, "Help");
  HostView* help_view = Open(L"Help")->AddView(L"browser", AsForm(panel));
  panel->Release();
  client_->SetCurrentView(help_view);
  OpenPickATask();
  client_->SetCurrentView(help_view);

  EXPECT_EQ(Navigate(L"C:\\docs\\a.htm"),
            std::vector<std::string>{"task panel Help C:\\docs\\a.htm"});
  EXPECT_EQ(Navigate(L"c:\\DOCS\\A.HTM"), std::vector<std::string>{}) << "shown already";
  EXPECT_EQ(Navigate(L"C:\\docs\\b.htm"),
            std::vector<std::string>{"task panel Help C:\\docs\\b.htm"});
  EXPECT_EQ(panel->Address(), L"C:\\docs\\b.htm");
}

TEST_F(AddressDispatch, AViewShowingTheAddressIsBroughtForward) {
  HostDocument* multi = Open(L"C:\\work\\multi.txt");
  multi->AddView(L"second", nullptr);
  auto* browser = new HostTaskPanel(journal_, "Browser");
  Open(L"Pages")->AddView(L"reader", AsForm(browser));
  int taken = 0;
  browser->NavigateTo(win::Bstr(L"C:\\x\\page.htm").get(), &taken);
  browser->Release();
  OpenPickATask();

  EXPECT_FALSE(sdk::IsViewShowingAddress(nullptr, L"C:\\work\\board.json"));
  EXPECT_TRUE(sdk::IsViewShowingAddress(plain_view_, L"c:\\WORK\\board.JSON"));
  EXPECT_EQ(Navigate(L"C:\\WORK\\BOARD.JSON"),
            (std::vector<std::string>{"document show C:\\work\\board.json",
                                      "view activate C:\\work\\board.json "}));
  // A document with more than one view: the view's name belongs to its identity.
  EXPECT_EQ(Navigate(L"C:\\work\\multi.txt|SECOND"),
            (std::vector<std::string>{"document show C:\\work\\multi.txt",
                                      "view activate C:\\work\\multi.txt second"}));
  EXPECT_EQ(Navigate(L"C:\\work\\multi.txt"),
            std::vector<std::string>{"task panel PickATask C:\\work\\multi.txt"});
  // A help browser compares for itself.
  EXPECT_EQ(Navigate(L"C:\\X\\PAGE.HTM"),
            (std::vector<std::string>{"document show Pages", "view activate Pages reader"}));
  EXPECT_FALSE(sdk::FindViewShowingAddress(L"C:\\x\\other.htm"));
}

TEST_F(AddressDispatch, AnExistingFileOpensAsAHostDocument) {
  testsupport::TempDir dir;
  const std::string notes = dir.Path("notes.txt");
  testsupport::WriteFile(notes, "notes\n");
  OpenPickATask();
  EXPECT_EQ(Navigate(win::Widen(notes + "#part")),
            std::vector<std::string>{"address open " + notes + "#part"});
  EXPECT_EQ(Navigate(win::Widen(dir.Path("absent.txt"))),
            std::vector<std::string>{"task panel PickATask " + dir.Path("absent.txt")});
}

}  // namespace
