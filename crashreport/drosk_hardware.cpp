// The report's hardware list, from the device installation functions (loaded at run time: a
// system without them gives an empty list) and the drivers' registry keys.
#include <windows.h>
// after windows.h, which it needs
#include <setupapi.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "crashreport/drosk_bug_report.h"
#include "crashreport/drosk_strings.h"
#include "crashreport/drosk_threads.h"
#include "framework/win/handles.h"
#include "framework/win/module.h"

namespace drosk {

namespace {

constexpr const char* kClassKey = "System\\CurrentControlSet\\Control\\Class\\";
constexpr DWORD kHiddenDriver = 8;  // "Characteristics" bit of devices the user never sees

struct TDeviceClass {
  std::string name;
  std::vector<std::string> devices;
};

// Inserts before the first entry that is not smaller (letter case ignored).
template <class List, class Key, class Value>
auto& InsertSorted(List& list, const Key& key, Value&& value) {
  auto at = list.begin();
  while (at != list.end() && CompareText(key(*at), key(value)) < 0) ++at;
  return *list.insert(at, std::forward<Value>(value));
}

class SetupApi {
 public:
  using GetClassDevs = HDEVINFO(WINAPI*)(const GUID*, const char*, HWND, DWORD);
  using EnumDeviceInfo = BOOL(WINAPI*)(HDEVINFO, DWORD, SP_DEVINFO_DATA*);
  using GetProperty = BOOL(WINAPI*)(HDEVINFO, SP_DEVINFO_DATA*, DWORD, DWORD*, BYTE*, DWORD,
                                    DWORD*);
  using DestroyList = BOOL(WINAPI*)(HDEVINFO);

  SetupApi() : library_(LoadLibraryA("setupapi.dll")) {
    getClassDevs = win::ProcAddress<GetClassDevs>(library_.get(), "SetupDiGetClassDevsA");
    enumDeviceInfo = win::ProcAddress<EnumDeviceInfo>(library_.get(), "SetupDiEnumDeviceInfo");
    getProperty =
        win::ProcAddress<GetProperty>(library_.get(), "SetupDiGetDeviceRegistryPropertyA");
    destroyList = win::ProcAddress<DestroyList>(library_.get(), "SetupDiDestroyDeviceInfoList");
  }
  bool Complete() const { return getClassDevs && enumDeviceInfo && getProperty && destroyList; }

  GetClassDevs getClassDevs = nullptr;
  EnumDeviceInfo enumDeviceInfo = nullptr;
  GetProperty getProperty = nullptr;
  DestroyList destroyList = nullptr;

 private:
  win::UniqueLibrary library_;
};

std::string Property(const SetupApi& api, HDEVINFO list, SP_DEVINFO_DATA& device, DWORD property) {
  char buffer[1024];
  DWORD type = 0, size = 0;
  if (!api.getProperty(list, &device, property, &type, reinterpret_cast<BYTE*>(buffer),
                       sizeof buffer - 1, &size)) {
    return {};
  }
  buffer[std::min<DWORD>(size, sizeof buffer - 1)] = 0;
  return buffer;  // the first string of a multi-string
}

}  // namespace

std::string GetHardwareList() {
  std::vector<TDeviceClass> classes;
  const SetupApi api;
  if (api.Complete()) {
    const HDEVINFO list =
        api.getClassDevs(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
    if (list != INVALID_HANDLE_VALUE) {
      SP_DEVINFO_DATA device{};
      device.cbSize = sizeof device;
      for (DWORD i = 0; api.enumDeviceInfo(list, i, &device); ++i) {
        const std::string className = Property(api, list, device, SPDRP_CLASS);
        if (className.empty() || SameText(className, "LegacyDriver") ||
            SameText(className, "Unknown") || SameText(className, "Volume") ||
            StartsText("sw\\", Property(api, list, device, SPDRP_HARDWAREID))) {
          continue;
        }
        const std::string driverKey = kClassKey + Property(api, list, device, SPDRP_DRIVER);
        const std::string characteristics =
            RegReadString(HKEY_LOCAL_MACHINE, driverKey, "Characteristics");
        DWORD flags = 0;
        if (characteristics.size() == 4) std::memcpy(&flags, characteristics.data(), 4);
        if (flags & kHiddenDriver) continue;
        std::string description = Property(api, list, device, SPDRP_FRIENDLYNAME);
        if (description.empty()) description = Property(api, list, device, SPDRP_DEVICEDESC);
        const std::string provider = RegReadString(HKEY_LOCAL_MACHINE, driverKey, "ProviderName");
        if (!provider.empty() && provider[0] != '(' && !SameText(provider, "Microsoft")) {
          std::string version = RegReadString(HKEY_LOCAL_MACHINE, driverKey, "DriverVersion");
          if (version.empty()) version = RegReadString(HKEY_LOCAL_MACHINE, driverKey, "DriverDate");
          description += " (driver " + version + ")";
        }
        std::string shown = RegReadString(
            HKEY_LOCAL_MACHINE, kClassKey + Property(api, list, device, SPDRP_CLASSGUID), "");
        if (shown.empty()) shown = className;
        const auto name = [](const TDeviceClass& c) -> const std::string& { return c.name; };
        auto found = std::find_if(classes.begin(), classes.end(),
                                  [&](const TDeviceClass& c) { return c.name == shown; });
        TDeviceClass& target =
            found != classes.end() ? *found : InsertSorted(classes, name, TDeviceClass{shown, {}});
        InsertSorted(
            target.devices, [](const std::string& s) -> const std::string& { return s; },
            std::move(description));
      }
      api.destroyList(list);
    }
  }
  std::string text = "hardware:";
  for (const TDeviceClass& c : classes) {
    text += "\r\n+ " + c.name;
    for (const std::string& device : c.devices) text += "\r\n  - " + device;
  }
  return text;
}

}  // namespace drosk
