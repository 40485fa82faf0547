// The loopback servers' folder comes from the test's environment, their port from the folder.
#include "mail_test_servers.h"

#include <cstdlib>

#include "support/test_paths.h"

namespace drosk {

std::string MailServerFolder() {
  const char* folder = std::getenv("DROSK_MAIL_SERVERS");
  if (!folder) return {};
  std::string path = std::string("Z:") + folder;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

uint16_t MailServerPort() {
  const std::string folder = MailServerFolder();
  if (folder.empty()) return 0;
  const unsigned long port =
      std::strtoul(testsupport::ReadFile(folder + "\\port").c_str(), nullptr, 10);
  return port > 0 && port <= 0xFFFF ? static_cast<uint16_t>(port) : 0;
}

void MailServersTest::SetUp() {
  folder_ = MailServerFolder();
  ASSERT_FALSE(folder_.empty()) << "DROSK_MAIL_SERVERS is not set: no loopback mail servers";
  ASSERT_TRUE(testsupport::FileExists(folder_ + "\\ready")) << folder_;
  port_ = MailServerPort();
  ASSERT_NE(port_, 0) << folder_;
}

std::string MailServersTest::Log(const std::string& address) const {
  return testsupport::ReadFile(folder_ + "\\" + address + ".log");
}

}  // namespace drosk
