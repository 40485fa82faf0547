// The mail exchanger lookup: DNS queries built by hand (RFC 1035) over UDP port 53 to the
// machine's name servers, or a walk down from the root servers by NS referrals.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "crashreport/drosk_types.h"

namespace drosk {

constexpr uint16_t kDnsTypeNS = 2;
constexpr uint16_t kDnsTypeMX = 15;

// The exchange of the first MX answer for the address's domain (then for its last three labels);
// empty when none is found.
std::string FindMailExchanger(std::string_view mailAddress);

// The machine's configured name servers.
TDAString GetNameServers();

constexpr uint16_t kDnsPort = 53;

// Replaces the machine's name servers and the root servers, and the port every server is asked
// on, for every later lookup (an empty name-server list makes lookups walk from the roots);
// `RestoreDnsServers` goes back to the machine's.
void OverrideDnsServers(const TDAString& nameServers, const TDAString& rootServers,
                        uint16_t port = kDnsPort);
void RestoreDnsServers();

struct TDnsResult {
  TDAString Answers;
  TDAString Authority;
};

// One query, sent to every server at once on `port`; the first reply with names ends it, each
// wait lasts at most 5 seconds.
TDnsResult DnsQuery(std::string_view name, const TDAString& servers, uint16_t queryType,
                    uint16_t port = kDnsPort);

// Reads a possibly compressed name at `position` (advanced past it). Replies are untrusted: a
// label or pointer beyond `limit` or the reply, a pointer that does not lead strictly backwards,
// or a name longer than 255 characters gives false.
bool DnsDecodeName(std::string_view reply, size_t& position, size_t limit, std::string& name);

// The records of a reply after a question of `questionSize` bytes: the answers, and for NS
// queries the authority records too. A reply that breaks its own bounds gives no names at all.
TDnsResult DnsParseReply(std::string_view reply, size_t questionSize, uint16_t queryType);

// The query packet for the name.
std::string DnsQueryPacket(std::string_view name, uint16_t queryType);

}  // namespace drosk
