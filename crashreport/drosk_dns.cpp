// The mail exchanger lookup.
#include "crashreport/drosk_dns.h"

#include <winsock2.h>
#include <iphlpapi.h>
#include <windows.h>

#include <optional>

#include "crashreport/drosk_socket.h"
#include "crashreport/drosk_strings.h"
#include "crashreport/drosk_threads.h"
#include "crashreport/drosk_tools.h"
#include "framework/win/handles.h"
#include "framework/win/module.h"

namespace drosk {
namespace {

constexpr size_t kPacketSize = 512;
constexpr size_t kHeaderSize = 12;
constexpr size_t kMaxNameSize = 255;
constexpr long kReplyTimeoutSeconds = 5;
constexpr int kMaxReferrals = 10;

struct TDnsServers {
  TDAString NameServers;
  TDAString RootServers;
  uint16_t Port = kDnsPort;
};
std::optional<TDnsServers> g_override;

// Two of the root name servers, by address so that no lookup is needed to reach them.
const TDAString kRootServers = {"198.41.0.4", "199.9.14.201"};

uint16_t Word(std::string_view data, size_t position) {
  return static_cast<uint16_t>(static_cast<uint8_t>(data[position]) << 8 |
                               static_cast<uint8_t>(data[position + 1]));
}

bool DecodeName(std::string_view reply, size_t& position, size_t limit, std::string& name) {
  const size_t start = position;
  while (position < limit) {
    const auto length = static_cast<uint8_t>(reply[position]);
    if ((length & 0xC0) == 0xC0) {
      if (position + 1 >= limit) return false;
      size_t target = Word(reply, position) & 0x3FFF;
      // Each jump must land before the name part it came from: no loops.
      if (target >= start) return false;
      std::string rest;
      if (!DecodeName(reply, target, limit, rest)) return false;
      name += rest;
      position += 2;
      return name.size() <= kMaxNameSize + 1;  // with its leading "."
    }
    if (length == 0) {
      ++position;
      return true;
    }
    if ((length & 0xC0) != 0 || position + 1 + length > limit) return false;
    name += "." + std::string(reply.substr(position + 1, length));
    if (name.size() > kMaxNameSize + 1) return false;
    position += 1 + length;
  }
  return false;  // the name ran to the end without its zero byte
}

// The domain of the address shortened to its last three labels.
std::string ZoneOf(const std::string& domain) {
  size_t cut = domain.size();
  for (int dots = 0; dots < 3; ++dots) {
    cut = cut == 0 ? std::string::npos : domain.rfind('.', cut - 1);
    if (cut == std::string::npos) return domain;
  }
  return domain.substr(cut + 1);
}

std::string FirstOf(const TDAString& list) { return list.empty() ? std::string() : list[0]; }

std::string LookUpExchanger(const std::string& domain, const TDnsServers& servers) {
  const std::string zone = ZoneOf(domain);
  TDAString exchangeServers = servers.NameServers;
  if (exchangeServers.empty()) {
    // The walk from the roots by referrals.
    TDnsResult step = DnsQuery(zone, servers.RootServers, kDnsTypeNS, servers.Port);
    if (step.Authority.empty()) return {};
    const TDAString first = step.Authority;
    step = DnsQuery(zone, step.Authority, kDnsTypeNS, servers.Port);
    TDAString last = first;
    for (int i = 0; i < kMaxReferrals && step.Answers.empty() && !step.Authority.empty(); ++i) {
      step = DnsQuery(zone, step.Authority, kDnsTypeNS, servers.Port);
      last = step.Authority;
    }
    exchangeServers = step.Answers.empty() ? last : step.Answers;
  }
  std::string exchanger =
      FirstOf(DnsQuery(domain, exchangeServers, kDnsTypeMX, servers.Port).Answers);
  if (exchanger.empty() && zone != domain)
    exchanger = FirstOf(DnsQuery(zone, exchangeServers, kDnsTypeMX, servers.Port).Answers);
  return exchanger;
}

}  // namespace

bool DnsDecodeName(std::string_view reply, size_t& position, size_t limit, std::string& name) {
  name.clear();
  limit = std::min(limit, reply.size());
  if (!DecodeName(reply, position, limit, name)) return false;
  if (!name.empty()) name.erase(0, 1);
  return true;
}

std::string DnsQueryPacket(std::string_view name, uint16_t queryType) {
  std::string packet = {0, 1, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0};
  std::string labels = "." + std::string(name);
  for (size_t dot = 0; dot < labels.size();) {
    const size_t next = labels.find('.', dot + 1);
    const size_t length = (next == std::string::npos ? labels.size() : next) - dot - 1;
    labels[dot] = static_cast<char>(length);
    dot = next == std::string::npos ? labels.size() : next;
  }
  packet += labels;
  packet += {0, 0, static_cast<char>(queryType), 0, 1};
  return packet;
}

TDnsResult DnsParseReply(std::string_view reply, size_t questionSize, uint16_t queryType) {
  TDnsResult result;
  if (reply.size() < kHeaderSize) return result;
  size_t position = kHeaderSize + questionSize;
  auto parse = [&](uint16_t count, TDAString& list) {
    for (uint16_t i = 0; i < count; ++i) {
      std::string name;
      if (!DnsDecodeName(reply, position, reply.size(), name) || position + 10 > reply.size())
        return false;
      const size_t end = position + 10 + Word(reply, position + 8);
      size_t data = position + 10 + (queryType == kDnsTypeMX ? 2 : 0);
      if (end > reply.size() || !DnsDecodeName(reply, data, end, name)) return false;
      list.push_back(name);
      position = end;
    }
    return true;
  };
  if (!parse(Word(reply, 6), result.Answers) ||
      (queryType == kDnsTypeNS && !parse(Word(reply, 8), result.Authority)))
    return {};
  return result;
}

TDnsResult DnsQuery(std::string_view name, const TDAString& servers, uint16_t queryType,
                    uint16_t port) {
  UniqueSocket socket(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  sockaddr_in local = {};
  local.sin_family = AF_INET;
  if (!socket || bind(socket.get(), reinterpret_cast<const sockaddr*>(&local), sizeof(local)) != 0)
    return {};
  const std::string packet = DnsQueryPacket(name, queryType);
  int sent = 0;
  for (const std::string& server : servers) {
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (server.empty() || !ResolveHost(server, address.sin_addr)) continue;
    if (sendto(socket.get(), packet.data(), static_cast<int>(packet.size()), 0,
               reinterpret_cast<const sockaddr*>(&address), sizeof(address)) > 0)
      ++sent;
  }
  for (; sent > 0; --sent) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket.get(), &readable);
    timeval wait = {kReplyTimeoutSeconds, 0};
    if (select(0, &readable, nullptr, nullptr, &wait) != 1) break;
    char reply[kPacketSize];
    const int received = recvfrom(socket.get(), reply, sizeof(reply), 0, nullptr, nullptr);
    // A reply longer than the buffer arrives cut, as an error; what came is still read.
    const int size = received >= 0                      ? received
                     : WSAGetLastError() == WSAEMSGSIZE ? static_cast<int>(sizeof(reply))
                                                        : -1;
    if (size < 0) break;
    const std::string_view data(reply, static_cast<size_t>(size));
    if (data.size() < kHeaderSize || (data[3] & 0x0F) != 0) continue;
    TDnsResult result = DnsParseReply(data, packet.size() - kHeaderSize, queryType);
    if (!result.Answers.empty() || !result.Authority.empty()) return result;
  }
  return {};
}

TDAString GetNameServers() {
  TDAString servers;
  const TOS os = GetOS();
  if (os.Is9x || (os.IsNT && os.Major <= 4)) {
    const std::string key = std::string("System\\CurrentControlSet\\Services\\") +
                            (os.Is9x ? "VxD\\MSTCP" : "Tcpip\\Parameters");
    std::string text = RegReadString(HKEY_LOCAL_MACHINE, key, "DhcpNameServer");
    if (text.empty()) text = RegReadString(HKEY_LOCAL_MACHINE, key, "NameServer");
    const char separator = text.find(',') != std::string::npos ? ',' : ' ';
    FormatSubStrs(text, separator);
    for (int i = 1, count = SubStrCount(text, separator); i <= count; ++i)
      servers.push_back(SubStr(text, i, separator));
    return servers;
  }
  const win::UniqueLibrary library(LoadLibraryA("IpHlpApi.dll"));
  using TGetNetworkParams = DWORD(WINAPI*)(PFIXED_INFO, PULONG);
  const auto getNetworkParams =
      win::ProcAddress<TGetNetworkParams>(library.get(), "GetNetworkParams");
  if (!getNetworkParams) return servers;
  ULONG size = 0;
  getNetworkParams(nullptr, &size);
  std::string buffer(size * 2 + sizeof(FIXED_INFO), '\0');
  size = static_cast<ULONG>(buffer.size());
  auto* info = reinterpret_cast<FIXED_INFO*>(buffer.data());
  if (getNetworkParams(info, &size) != ERROR_SUCCESS) return servers;
  if (info->CurrentDnsServer) servers.push_back(info->CurrentDnsServer->IpAddress.String);
  for (const IP_ADDR_STRING* entry = &info->DnsServerList; entry; entry = entry->Next) {
    const std::string address = entry->IpAddress.String;
    if (!address.empty() && (servers.empty() || address != servers[0])) servers.push_back(address);
  }
  return servers;
}

void OverrideDnsServers(const TDAString& nameServers, const TDAString& rootServers, uint16_t port) {
  g_override = TDnsServers{nameServers, rootServers, port};
}

void RestoreDnsServers() { g_override.reset(); }

std::string FindMailExchanger(std::string_view mailAddress) {
  std::string domain(mailAddress.substr(std::min(mailAddress.size(), mailAddress.find('@') + 1)));
  if (!domain.empty() && domain.back() == '>') domain.pop_back();
  WSADATA data;
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return {};
  const TDnsServers servers =
      g_override ? *g_override : TDnsServers{GetNameServers(), kRootServers};
  const std::string exchanger = LookUpExchanger(domain, servers);
  WSACleanup();
  return exchanger;
}

}  // namespace drosk
