// The mail exchanger lookup: packets and untrusted replies in memory, and lookups against the
// scripted name servers of mail_servers.py on 127.30.1.x at the run's port.
#include "crashreport/drosk_dns.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <random>
#include <string>

#include "crashreport/drosk_smtp.h"
#include "mail_test_servers.h"
#include "support/test_paths.h"

namespace drosk {
namespace {

using namespace std::string_literals;

constexpr char kResolver[] = "127.30.1.1";
constexpr char kNameError[] = "127.30.1.2";
constexpr char kHostile[] = "127.30.1.3";
constexpr char kRoot[] = "127.30.1.10";

// A reply to "MX x.test": two MX records (preferences 20 and 10), the first exchange compressed
// into the question.
const std::string kReply =
    "\x00\x01\x81\x80\x00\x01\x00\x02\x00\x00\x00\x00"
    "\x01x\x04test\x00\x00\x0f\x00\x01"
    "\xc0\x0c\x00\x0f\x00\x01\x00\x00\x00\x3c\x00\x09\x00\x14\x04mx20\xc0\x0c"
    "\xc0\x0c\x00\x0f\x00\x01\x00\x00\x00\x3c\x00\x0f\x00\x0a\x04mx10\x01x\x04test\x00"s;

TEST(DroskDns, QueriesAreBuiltAndRepliesParsedWithCompression) {
  EXPECT_EQ(DnsQueryPacket("x.test", kDnsTypeMX),
            "\x00\x01\x01\x00\x00\x01\x00\x00\x00\x00\x00\x00\x01x\x04test\x00\x00\x0f\x00\x01"s);
  EXPECT_EQ(DnsQueryPacket("ab.c", kDnsTypeNS).size(), 18u + 4);
  const TDnsResult mx = DnsParseReply(kReply, 12, kDnsTypeMX);
  EXPECT_EQ(mx.Answers, (TDAString{"mx20.x.test", "mx10.x.test"}));
  EXPECT_TRUE(mx.Authority.empty());
  size_t position = 12;
  std::string name;
  ASSERT_TRUE(DnsDecodeName(kReply, position, kReply.size(), name));
  EXPECT_EQ(name, "x.test");
  EXPECT_EQ(position, 20u);
}

TEST(DroskDns, BrokenRepliesGiveNoNames) {
  // A pointer to its own name's start, a pointer forwards past the end, a label beyond the data,
  // no zero byte, a reserved label type; pointers that jump back and forth between two names.
  std::string name;
  for (const auto& [bad, start] : {std::pair{"\001a\300\000"s, 0},
                                   {"\001a\300\005"s, 0},
                                   {"\005ab"s, 0},
                                   {"\001a\001b"s, 0},
                                   {"\100a\000"s, 0},
                                   {"\001a\300\004\001b\300\000"s, 4}}) {
    size_t position = start;
    EXPECT_FALSE(DnsDecodeName(bad, position, bad.size(), name)) << bad;
  }
  // More answers counted than present, and a record longer than the reply.
  std::string counted = kReply;
  counted[7] = 3;
  EXPECT_TRUE(DnsParseReply(counted, 12, kDnsTypeMX).Answers.empty());
  std::string longRecord = kReply;
  longRecord[longRecord.size() - 16] = 0x30;
  EXPECT_TRUE(DnsParseReply(longRecord, 12, kDnsTypeMX).Answers.empty());
  // A name of 63-byte labels beyond 255 characters.
  std::string longName;
  for (int i = 0; i < 5; ++i) longName += "\x3f" + std::string(63, 'n');
  longName += '\0';
  size_t position = 0;
  EXPECT_FALSE(DnsDecodeName(longName, position, longName.size(), name));
  // 255 characters are allowed, also when a pointer completes them: 63 + "." + 191.
  std::string full = longName.substr(0, 4 * 64) + '\0';
  position = 0;
  ASSERT_TRUE(DnsDecodeName(full, position, full.size(), name));
  EXPECT_EQ(name.size(), 255u);
  full += "\x3f" + std::string(63, 'p') + "\xc0\x40";
  position = 257;
  ASSERT_TRUE(DnsDecodeName(full, position, full.size(), name));
  EXPECT_EQ(name.size(), 255u);
  EXPECT_EQ(position, full.size());
  full += "\001b\077" + std::string(63, 'q') + "\xc0\x40";
  position = 323;
  EXPECT_FALSE(DnsDecodeName(full, position, full.size(), name));
}

// Damaged copies of the reply end at a page without access: any read beyond them faults.
TEST(DroskDns, DamagedRepliesAreReadWithinTheirBytes) {
  char* pages = static_cast<char*>(VirtualAlloc(nullptr, 8192, MEM_COMMIT, PAGE_READWRITE));
  ASSERT_NE(pages, nullptr);
  DWORD old = 0;
  ASSERT_TRUE(VirtualProtect(pages + 4096, 4096, PAGE_NOACCESS, &old));
  std::mt19937 random(30);
  int withNames = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string reply = kReply;
    for (int flips = 1 + round % 4; flips > 0; --flips)
      reply[random() % reply.size()] = static_cast<char>(random());
    reply.resize(12 + random() % (reply.size() - 11));
    char* copy = pages + 4096 - reply.size();
    memcpy(copy, reply.data(), reply.size());
    const std::string_view view(copy, reply.size());
    for (uint16_t type : {kDnsTypeMX, kDnsTypeNS}) {
      const TDnsResult result = DnsParseReply(view, 12, type);
      withNames += !result.Answers.empty();
      for (const std::string& answer : result.Answers) ASSERT_LE(answer.size(), 255u);
    }
  }
  VirtualFree(pages, 0, MEM_RELEASE);
  EXPECT_GT(withNames, 0);
}

// Lookups reach only the scripted servers; their logs show the questions asked.
class DroskDnsLookup : public MailServersTest {
 protected:
  void TearDown() override { RestoreDnsServers(); }
};

TEST_F(DroskDnsLookup, TheFirstMxAnswerOfTheDomainThenOfItsLastThreeLabels) {
  OverrideDnsServers({kResolver}, {}, port_);
  size_t start = Log(kResolver).size();
  EXPECT_EQ(FindMailExchanger("Ann <ann@x.test>"), "mx20.x.test");
  EXPECT_EQ(FindMailExchanger("ann@a.b.c.d"), "mx.b.c.d");
  EXPECT_EQ(FindMailExchanger("ann@m.x.test"), "");
  EXPECT_EQ(Log(kResolver).substr(start), "x.test 15\na.b.c.d 15\nb.c.d 15\nm.x.test 15\n");
}

TEST_F(DroskDnsLookup, NameErrorsAndHostileRepliesAreSkippedForTheNextReply) {
  const size_t start = Log(kNameError).size();
  OverrideDnsServers({kNameError, kHostile, "", kResolver}, {}, port_);
  for (int kind = 0; kind < 4; ++kind) {  // the hostile server's four kinds of rubbish
    SCOPED_TRACE(kind);
    EXPECT_EQ(FindMailExchanger("ann@x.test"), "mx20.x.test");
  }
  EXPECT_EQ(Log(kNameError).substr(start), "x.test 15\nx.test 15\nx.test 15\nx.test 15\n");
  // Only rubbish and refusals: nothing found, after the last reply rather than a time-out.
  OverrideDnsServers({kNameError, kHostile}, {}, port_);
  const DWORD begin = GetTickCount();
  EXPECT_EQ(FindMailExchanger("ann@x.test"), "");
  EXPECT_LT(GetTickCount() - begin, 4000u);
}

TEST_F(DroskDnsLookup, WithoutNameServersTheWalkFollowsReferralsFromTheRoot) {
  OverrideDnsServers({}, {kRoot}, port_);
  const size_t root = Log(kRoot).size();
  const size_t second = Log("127.30.1.11").size();
  const size_t third = Log("127.30.1.12").size();
  const size_t resolver = Log(kResolver).size();
  EXPECT_EQ(FindMailExchanger("ann@x.test"), "mx20.x.test");
  EXPECT_EQ(Log(kRoot).substr(root), "x.test 2\n");
  EXPECT_EQ(Log("127.30.1.11").substr(second), "x.test 2\n");
  EXPECT_EQ(Log("127.30.1.12").substr(third), "x.test 2\n");
  EXPECT_EQ(Log(kResolver).substr(resolver), "x.test 15\n");
  // A root without referrals ends the walk.
  OverrideDnsServers({}, {kResolver}, port_);
  EXPECT_EQ(FindMailExchanger("ann@none.test"), "");
}

TEST_F(DroskDnsLookup, DirectDeliveryMailsEachRecipientThroughItsExchanger) {
  OverrideDnsServers({kResolver}, {}, port_);
  const size_t before = testsupport::ReadFile(folder_ + "\\received.json").size();
  EXPECT_TRUE(SendSmtpMail("crash@x.test", "ann@direct.test; bob@nomx.test", "s", "direct", "", "",
                           "", "", port_));
  const std::string received = testsupport::ReadFile(folder_ + "\\received.json");
  EXPECT_GT(received.size(), before);
  EXPECT_NE(received.find("\"rcpt_tos\": [\"ann@direct.test\"], \"to\": \"<ann@direct.test>\""),
            std::string::npos);
  EXPECT_EQ(received.find("bob@nomx.test"), std::string::npos);
  EXPECT_FALSE(SendSmtpMail("crash@x.test", "bob@nomx.test", "s", "b", "", "", "", "", port_));
}

}  // namespace
}  // namespace drosk
