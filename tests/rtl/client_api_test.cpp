// Host bindings in a process whose main image exports nothing: every wrapper yields its
// fixed default and nothing raises.
#include "rtl/client_api.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/test_paths.h"

namespace {

TEST(ClientApiWithoutHost, WrappersYieldTheirDefaults) {
  rtl::BindClientApi();
  rtl::StartVfsApi();
  EXPECT_TRUE(rtl::ClientAPI_GetUseExternalWebBrowser());
  EXPECT_FALSE(rtl::ClientAPI_GetIntegratedHelpSystem());
  EXPECT_FALSE(rtl::ClientAPI_GetPrefUseLuna());
  EXPECT_FALSE(rtl::ClientAPI_ExistSpecific("C:\\windows\\win.ini"));
  EXPECT_EQ(rtl::ClientAPI_ForceFileNameExtension("C:\\a\\board.json", "dsn"), "");
  EXPECT_EQ(rtl::ClientAPI_ExtractWholeFileNameFromPath("C:\\a\\board.json"), "");
  EXPECT_EQ(rtl::ClientAPI_UpdateFont(5), 0);
  EXPECT_FALSE(rtl::ClientAPI_GetTranslationManager());
  EXPECT_FALSE(rtl::VFSAPI_VFS_FileExists("C:\\windows\\win.ini"));

  std::string name = "kept";
  rtl::VFSAPI_VFS_ExtractFileName("C:\\a\\b.txt", name);
  EXPECT_EQ(name, "kept");

  IClient* client = reinterpret_cast<IClient*>(0x1);
  rtl::ClientAPI_GetClientInterface(&client);
  EXPECT_EQ(client, reinterpret_cast<IClient*>(0x1));
}

TEST(ClientApiWithoutHost, ClientCallsDoNothingWithoutAClient) {
  rtl::SetClientGlobal(nullptr);
  char buffer[16] = "Keep=1";
  rtl::RunHostProcess("PCB:Zoom", buffer, sizeof buffer, nullptr);
  EXPECT_STREQ(buffer, "Keep=1");
  EXPECT_EQ(rtl::GetHostMainWindowHandle(), nullptr);
  EXPECT_NO_THROW(rtl::SetHostStatusText(1, L"x"));

  testsupport::TempDir dir;
  const std::string existing = dir.Path("a.STS");
  testsupport::WriteFile(existing, "routed");
  EXPECT_NO_THROW(rtl::OpenFileAsDocument(existing, "TEXT"));
  EXPECT_NO_THROW(rtl::OpenFileAsDocument(dir.Path("missing.STS"), "TEXT"));
  EXPECT_FALSE(rtl::GetWorkspace());  // WorkspaceManager.DLL is not in this process
  EXPECT_FALSE(rtl::FindDocumentThroughWorkspace("board"));
}

}  // namespace
