// The server-module frame as the host sees it through its interfaces.
#include "sdk/server_module.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

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

TEST_F(ServerModuleTest, CreationWithoutClientKeepsTheApplicationAndReleaseClearsTheGlobal) {
  EXPECT_EQ(sdk::ClientGlobal(), nullptr);
  EXPECT_EQ(sdk::ServerModuleGlobal(), module_.get());
  EXPECT_EQ(framework::Application::Instance().Handle(), kUntouched);
  win::Bstr name;
  ASSERT_EQ(module_->GetModuleName(name.put()), S_OK);
  EXPECT_EQ(name.str(), L"Test");
  launcher_.reset();
  module_.reset();
  EXPECT_EQ(sdk::ServerModuleGlobal(), nullptr);
}

TEST_F(ServerModuleTest, FirstRegistrationOfANameWinsInAnyLetterCaseAndUnknownNamesRunNothing) {
  EXPECT_EQ(Launch(L"EXPORTDESIGNFILE"), S_OK);
  EXPECT_EQ(Launch(L"exportDesignFile"), S_OK);
  EXPECT_EQ(Launch(L"NoSuchCommand"), S_OK);
  EXPECT_EQ(launcher_->LaunchCommand(nullptr, nullptr, 0, nullptr), S_OK);
  EXPECT_EQ(std::make_pair(first_runs, second_runs), std::make_pair(2, 0));
}

TEST_F(ServerModuleTest, CommandStatePresetsAndStateProcedure) {
  int enabled = 7, image = 7, checked = 7;
  BOOLEAN visible = 7, default_action = 7;
  const auto state = [&](const wchar_t* name, const char* parameters) {
    EXPECT_EQ(launcher_->GetCommandState(win::Bstr(name).get(), parameters, nullptr, &enabled,
                                         &image, &checked, &visible, &default_action),
              S_OK);
    return std::vector<int>({enabled, image, checked, visible, default_action});
  };
  EXPECT_EQ(state(L"Fail", ""), std::vector<int>({-1, 0, -1, FALSE, FALSE})) << "no procedure";
  // Presets stay where the procedure leaves them.
  EXPECT_EQ(state(L"exportdesignfile", "A=1"), std::vector<int>({1, 0, -1, TRUE, FALSE}));
}

// The source and description of the error information this thread holds; "none" without.
std::wstring ErrorInformation() {
  win::ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.put()) != S_OK) return L"none";
  win::Bstr source, description;
  info->GetSource(source.put());
  info->GetDescription(description.put());
  return source.str() + L": " + description.str();
}

TEST_F(ServerModuleTest, ExceptionsBecomeFailuresWithFreshErrorInformation) {
  EXPECT_EQ(sdk::GetModuleFileNameWide(), L"sdk_tests.exe");
  EXPECT_EQ(Launch(L"Fail"), E_FAIL);
  EXPECT_EQ(ErrorInformation(), L"sdk_tests.exe: the board is gone");
  EXPECT_EQ(Launch(L"FailSilently"), E_FAIL);
  EXPECT_EQ(ErrorInformation(), L"sdk_tests.exe: ") << "an empty message still names the source";
  EXPECT_EQ(Launch(L"Fail"), E_FAIL);  // leaves error information behind...
  EXPECT_EQ(Launch(L"FailOddly"), E_UNEXPECTED);
  EXPECT_EQ(ErrorInformation(), L"none");  // ...which must not describe this failure
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
  // The level has no bounds.
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
