// Where this test run's loopback mail and name servers (mail_servers.py) are: their folder and
// the one port they all listen on, which the script chose free for this run.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace drosk {

// The servers' folder as a Windows path; empty when the run did not start them, so that a test
// fails instead of mailing anywhere else.
std::string MailServerFolder();

// The servers' port; 0 when the run did not start them.
uint16_t MailServerPort();

// Tests that talk to the servers: they fail at once when the run did not start them. `Log`
// gives what a scripted peer read (or a name server was asked) so far.
class MailServersTest : public testing::Test {
 protected:
  void SetUp() override;
  std::string Log(const std::string& address) const;
  std::string folder_;
  uint16_t port_ = 0;
};

}  // namespace drosk
