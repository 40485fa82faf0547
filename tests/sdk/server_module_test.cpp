// The server-module frame as the host sees it through its interfaces.
#include "sdk/server_module.h"

#include <gtest/gtest.h>

#include "framework/application.h"
#include "sdk/client_api.h"
#include "sdk/error_bridge.h"

namespace {

int first_runs = 0;
int second_runs = 0;
void First(IServerView*, const char*) { ++first_runs; }
void Second(IServerView*, const char*) { ++second_runs; }
void Failing(IServerView*, const char*) { throw sdk::Exception("the board is gone"); }
void Silent(IServerView*, const char*) { throw sdk::Exception(""); }
void Unexpected(IServerView*, const char*) { throw 42; }

void ReportState(IServerView*, const char* parameters, int* enabled, int*, int*, BOOLEAN* visible,
                 BOOLEAN*) {
  *enabled = parameters && *parameters ? 1 : 0;
  *visible = TRUE;
}

class TestModule final : public sdk::TServerModule {
 protected:
  void RegisterCommands() override {
    CommandLauncher()->RegisterCommand("ExportDesignFile", First, ReportState);
    CommandLauncher()->RegisterCommand("exportdesignfile", Second, nullptr);
    CommandLauncher()->RegisterCommand("Fail", Failing, nullptr);
    CommandLauncher()->RegisterCommand("FailSilently", Silent, nullptr);
    CommandLauncher()->RegisterCommand("FailOddly", Unexpected, nullptr);
  }
  win::ComPtr<IServerDocument> CreateDocument(const std::wstring&, const std::wstring&) override {
    return nullptr;
  }
};

class ServerModuleTest : public testing::Test {
 protected:
  void SetUp() override {
    framework::Application::Instance().SetHandle(kUntouched);
    module_ = sdk::TServerModule::Create<TestModule>(nullptr, "Test");
    ASSERT_TRUE(module_);
    ASSERT_EQ(module_->GetCommandLauncher(launcher_.put()), S_OK);
    first_runs = second_runs = 0;
  }

  HRESULT Launch(const wchar_t* name, const char* parameters = "") {
    const win::Bstr command(name);
    return launcher_->LaunchCommand(command.get(), parameters, 0, nullptr);
  }

  static inline const HWND kUntouched = reinterpret_cast<HWND>(0x1234);
  win::ComPtr<IServerModule> module_;
  win::ComPtr<ICommandLauncher> launcher_;
};

TEST_F(ServerModuleTest, CreationWithoutClientKeepsTheApplicationAndSetsTheGlobals) {
  EXPECT_EQ(sdk::ClientGlobal(), nullptr);
  EXPECT_EQ(sdk::ServerModuleGlobal(), module_.get());
  EXPECT_EQ(framework::Application::Instance().Handle(), kUntouched);
  win::Bstr name;
  ASSERT_EQ(module_->GetModuleName(name.put()), S_OK);
  EXPECT_EQ(name.str(), L"Test");
}

TEST_F(ServerModuleTest, ReleasingTheLastReferenceClearsTheModuleGlobal) {
  launcher_.reset();
  module_.reset();
  EXPECT_EQ(sdk::ServerModuleGlobal(), nullptr);
}

TEST_F(ServerModuleTest, FirstRegistrationOfANameWinsInAnyLetterCase) {
  EXPECT_EQ(Launch(L"EXPORTDESIGNFILE"), S_OK);
  EXPECT_EQ(Launch(L"exportDesignFile"), S_OK);
  EXPECT_EQ(first_runs, 2);
  EXPECT_EQ(second_runs, 0);
}

TEST_F(ServerModuleTest, UnknownCommandSucceedsAndRunsNothing) {
  EXPECT_EQ(Launch(L"NoSuchCommand"), S_OK);
  EXPECT_EQ(launcher_->LaunchCommand(nullptr, nullptr, 0, nullptr), S_OK);
  EXPECT_EQ(first_runs + second_runs, 0);
}

TEST_F(ServerModuleTest, CommandStatePresetsAndStateProcedure) {
  int enabled = 7, image = 7, checked = 7;
  BOOLEAN visible = 7, default_action = 7;
  const win::Bstr unknown(L"Fail");
  ASSERT_EQ(launcher_->GetCommandState(unknown.get(), "", nullptr, &enabled, &image, &checked,
                                       &visible, &default_action),
            S_OK);
  EXPECT_EQ(enabled, -1);
  EXPECT_EQ(image, 0);
  EXPECT_EQ(checked, -1);
  EXPECT_EQ(visible, FALSE);
  EXPECT_EQ(default_action, FALSE);

  const win::Bstr known(L"exportdesignfile");
  ASSERT_EQ(launcher_->GetCommandState(known.get(), "A=1", nullptr, &enabled, &image, &checked,
                                       &visible, &default_action),
            S_OK);
  EXPECT_EQ(enabled, 1);
  EXPECT_EQ(visible, TRUE);
  EXPECT_EQ(checked, -1);  // presets stay where the procedure leaves them
}

TEST_F(ServerModuleTest, ExceptionBecomesFailureWithErrorInformation) {
  EXPECT_EQ(Launch(L"Fail"), E_FAIL);
  win::ComPtr<IErrorInfo> info;
  ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
  win::Bstr source, description;
  info->GetSource(source.put());
  info->GetDescription(description.put());
  EXPECT_EQ(description.str(), L"the board is gone");
  EXPECT_EQ(source.str(), sdk::GetModuleFileNameWide());
  EXPECT_EQ(source.str(), L"sdk_tests.exe");
}

TEST_F(ServerModuleTest, EmptyMessageStillNamesTheSource) {
  EXPECT_EQ(Launch(L"FailSilently"), E_FAIL);
  win::ComPtr<IErrorInfo> info;
  ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
  win::Bstr source, description;
  info->GetSource(source.put());
  info->GetDescription(description.put());
  EXPECT_EQ(source.str(), L"sdk_tests.exe");
  EXPECT_EQ(description.str(), L"");
}

TEST_F(ServerModuleTest, ForeignExceptionsFailWithoutStaleErrorInformation) {
  EXPECT_EQ(Launch(L"Fail"), E_FAIL);  // leaves error information behind...
  EXPECT_EQ(Launch(L"FailOddly"), E_UNEXPECTED);
  win::ComPtr<IErrorInfo> info;
  EXPECT_EQ(GetErrorInfo(0, info.put()), S_FALSE);  // ...which must not describe this failure
}

TEST_F(ServerModuleTest, LauncherAndProcessControlIgnoreReferenceCounting) {
  win::ComPtr<IProcessControl> control;
  ASSERT_EQ(module_->GetProcessControl(control.put()), S_OK);
  for (int i = 0; i < 5; ++i) {
    launcher_->Release();
    control->Release();
  }
  int level = 99;
  ASSERT_EQ(control->GetLevel(&level), S_OK);  // still alive
  EXPECT_EQ(level, 0);
  EXPECT_EQ(Launch(L"ExportDesignFile"), S_OK);
}

TEST_F(ServerModuleTest, ProcessLevelHasNoBounds) {
  win::ComPtr<IProcessControl> control;
  ASSERT_EQ(module_->GetProcessControl(control.put()), S_OK);
  int level = 0;
  control->DecrementLevel(0, 0);
  control->GetLevel(&level);
  EXPECT_EQ(level, -1);
  control->SetLevel(41);
  control->IncrementLevel(0, 0);
  control->GetLevel(&level);
  EXPECT_EQ(level, 42);
}

TEST_F(ServerModuleTest, OptionsDocumentsAndViewsOfAModuleWithoutDocumentKinds) {
  win::ComPtr<IServerModuleOptions> options =
      module_.As<IServerModuleOptions>(IID_IServerModuleOptions);
  ASSERT_TRUE(options);
  win::ComPtr<IUnknown> page;
  const win::Bstr name(L"Anything");
  EXPECT_EQ(options->GetOptionsPage(name.get(), page.put()), S_OK);
  EXPECT_FALSE(page);
  win::ComPtr<IUnknown> view;
  EXPECT_EQ(module_->GetOptionsView(name.get(), view.put()), S_OK);
  EXPECT_FALSE(view);

  win::ComPtr<IServerDocument> document;
  EXPECT_EQ(module_->OpenDocument(name.get(), name.get(), document.put()), S_OK);
  EXPECT_FALSE(document);
  int count = -1;
  module_->GetDocumentCount(&count);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(module_->GetDocuments(0, document.put()), E_FAIL);
  EXPECT_EQ(module_->GetViews(-1, nullptr), E_POINTER);
  win::ComPtr<IServerView> no_view;
  EXPECT_EQ(module_->GetViews(0, no_view.put()), E_FAIL);
}

}  // namespace
