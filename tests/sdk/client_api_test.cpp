// Host bindings in a process whose main image exports nothing: every wrapper yields its
// fixed default and nothing raises.
#include "sdk/client_api.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/test_paths.h"

namespace {

TEST(ClientApiWithoutHost, WrappersYieldTheirDefaults) {
  sdk::BindClientApi();
  sdk::StartVfsApi();
  EXPECT_EQ(
      std::vector<bool>({sdk::ClientAPI_GetUseExternalWebBrowser(),
                         sdk::ClientAPI_GetIntegratedHelpSystem(), sdk::ClientAPI_GetPrefUseLuna(),
                         sdk::ClientAPI_ExistSpecific("C:\\windows\\win.ini"),
                         static_cast<bool>(sdk::ClientAPI_GetTranslationManager()),
                         sdk::VFSAPI_VFS_FileExists("C:\\windows\\win.ini")}),
      std::vector<bool>({true, false, false, false, false, false}));
  EXPECT_EQ(sdk::ClientAPI_ForceFileNameExtension("C:\\a\\board.json", "dsn") +
                sdk::ClientAPI_ExtractWholeFileNameFromPath("C:\\a\\board.json"),
            "");
  EXPECT_EQ(sdk::ClientAPI_UpdateFont(5), 0);

  std::string name = "kept";
  sdk::VFSAPI_VFS_ExtractFileName("C:\\a\\b.txt", name);
  EXPECT_EQ(name, "kept");

  IClient* client = reinterpret_cast<IClient*>(0x1);
  sdk::ClientAPI_GetClientInterface(&client);
  EXPECT_EQ(client, reinterpret_cast<IClient*>(0x1));
}

TEST(ClientApiWithoutHost, ClientCallsDoNothingWithoutAClient) {
  sdk::SetClientGlobal(nullptr);
  char buffer[16] = "Keep=1";
  sdk::RunHostProcess("PCB:Zoom", buffer, sizeof buffer, nullptr);
  EXPECT_STREQ(buffer, "Keep=1");
  EXPECT_EQ(sdk::GetHostMainWindowHandle(), nullptr);
  EXPECT_NO_THROW(sdk::SetHostStatusText(1, L"x"));

  testsupport::TempDir dir;
  const std::string existing = dir.Path("a.STS");
  testsupport::WriteFile(existing, "routed");
  EXPECT_NO_THROW(sdk::OpenFileAsDocument(existing, "TEXT"));
  EXPECT_NO_THROW(sdk::OpenFileAsDocument(dir.Path("missing.STS"), "TEXT"));
  EXPECT_FALSE(sdk::GetWorkspace());  // WorkspaceManager.DLL is not in this process
  EXPECT_FALSE(sdk::FindDocumentThroughWorkspace("board"));
}

}  // namespace
