// Values by handle in the router's open table.
#include "router/handle_table.h"
#include "router/network_nets.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// Handles as a host may hand them out, dense and as addresses far apart, enough of them that the
// table grows many times, and once by a reservation made before its first value or while it
// holds some: each keeps its own value, and handles never filed have none.
TEST(HandleTable, EveryHandleKeepsItsValueWhileTheTableGrows) {
  for (const int reserved_at : {1, 1000}) {
    SCOPED_TRACE(reserved_at);
    router::THandleTable<int> table;
    std::map<sdk::Handle, int> filed;
    for (int i = 1; i <= 3000; ++i) {
      if (i == reserved_at) table.Reserve(5 * reserved_at);
      const sdk::Handle dense = static_cast<sdk::Handle>(i), address = 0x10000000u + 4096u * i;
      table[dense] = i;
      table[address] += -i;  // made as 0 first
      filed[dense] = i;
      filed[address] = -i;
    }
    table[7] = 70;  // a second write to a filed handle replaces its value
    filed[7] = 70;
    for (const auto& [handle, value] : filed) {
      const int* found = table.Find(handle);
      ASSERT_NE(found, nullptr) << handle;
      EXPECT_EQ(*found, value) << handle;
    }
    for (const sdk::Handle missing : {0u, 3001u, 0x10000000u, 0x10000000u + 4096u * 3001}) {
      EXPECT_EQ(table.Find(missing), nullptr) << missing;
    }
  }
}

// The net asked for last is answered without the table: a count noted for it later (its pads
// were walked anew) must replace that answer, and other nets keep their own.
TEST(NetPadCounts, ANoteReplacesTheCountOfTheNetAskedForLast) {
  router::TNetPadCounts counts;
  counts.Note(7, 3);
  counts.Note(9, 1);
  EXPECT_TRUE(counts.InNetwork(7));
  counts.Note(7, 1);
  EXPECT_FALSE(counts.InNetwork(7));
  EXPECT_EQ(counts.Count(9), 1);
  EXPECT_EQ(counts.Count(7), 1);
}

}  // namespace
