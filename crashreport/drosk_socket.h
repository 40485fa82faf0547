// What the mail units share of Windows Sockets: the socket's owner and the host lookup.
#pragma once

#include <winsock2.h>

#include <cstring>
#include <string>

#include "framework/win/handles.h"

namespace drosk {

struct SocketTraits {
  using Raw = SOCKET;
  static Raw none() { return INVALID_SOCKET; }
  static bool valid(Raw s) { return s != INVALID_SOCKET; }
  static void close(Raw s) { closesocket(s); }
};
using UniqueSocket = win::Unique<SocketTraits>;

// A dotted IPv4 address, else the first address of the host lookup.
inline bool ResolveHost(const std::string& text, in_addr& address) {
  address.s_addr = inet_addr(text.c_str());
  if (address.s_addr != INADDR_NONE) return true;
  const hostent* entry = gethostbyname(text.c_str());
  if (!entry || entry->h_addrtype != AF_INET || !entry->h_addr_list[0]) return false;
  memcpy(&address, entry->h_addr_list[0], sizeof(address));
  return true;
}

}  // namespace drosk
