// Times hash lookups and layer-set membership as the number of keys grows, to show that a call
// costs about the same at 10 keys and at a million. Run by hand: layer_bench [lookups]
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>
#include <vector>

#include "sdk/hash_table.h"
#include "sdk/layer_set.h"

namespace {

using Clock = std::chrono::steady_clock;

// A fixed pseudo-random sequence, the same on every run.
class Random {
 public:
  std::uint32_t Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ ^ (state_ >> 16);
  }

 private:
  std::uint32_t state_ = 12345;
};

class Table : public sdk::TCustomPointerBucketList {
 public:
  Table() : TCustomPointerBucketList(8) {}
};

template <class Body>
double NanosecondsPerCall(int calls, Body&& body) {
  const auto start = Clock::now();
  body();
  const std::chrono::duration<double, std::nano> elapsed = Clock::now() - start;
  return elapsed.count() / calls;
}

// Keys as the module stores them: pointers (16-byte aligned, clustered) or sequential integers.
std::vector<sdk::HashKey> MakeKeys(int n, bool pointers) {
  std::vector<sdk::HashKey> keys;
  keys.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const auto k = static_cast<sdk::HashKey>(i);
    keys.push_back(pointers ? 0x00400000u + k * 16u : k);
  }
  return keys;
}

void BenchHashTable(int lookups) {
  std::printf("Pointer hash table: ns per call (%d calls each)\n", lookups);
  std::printf("%10s %8s %12s %12s %12s %12s %14s\n", "keys", "buckets", "hit ptr", "miss ptr",
              "hit int", "insert ptr", "std hit ptr");
  Random random;
  unsigned long long checksum = 0;
  for (int n : {10, 100, 1000, 10000, 100000, 1000000}) {
    double hit[2] = {}, miss = 0, insert = 0, reference = 0;
    int buckets = 0;
    for (int kind = 0; kind < 2; ++kind) {
      const bool pointers = kind == 0;
      const std::vector<sdk::HashKey> keys = MakeKeys(n, pointers);
      Table table;
      const double add = NanosecondsPerCall(n, [&] {
        for (sdk::HashKey key : keys) table.Add(key, key | 1);
      });
      std::vector<sdk::HashKey> probes;
      probes.reserve(static_cast<size_t>(lookups));
      for (int i = 0; i < lookups; ++i)
        probes.push_back(keys[random.Next() % static_cast<unsigned>(n)]);
      hit[kind] = NanosecondsPerCall(lookups, [&] {
        for (sdk::HashKey key : probes) checksum += table.GetValue(key);
      });
      if (pointers) {
        // The same probes against the standard library's table: what memory costs at this size.
        std::unordered_map<sdk::HashKey, sdk::HashValue> standard;
        for (sdk::HashKey key : keys) standard.emplace(key, key | 1);
        reference = NanosecondsPerCall(lookups, [&] {
          for (sdk::HashKey key : probes) checksum += standard.find(key)->second;
        });
        insert = add;
        buckets = table.BucketCount();
        for (sdk::HashKey& key : probes) key += 8;  // between two stored pointers: absent
        miss = NanosecondsPerCall(lookups, [&] {
          for (sdk::HashKey key : probes) checksum += table.GetValue(key);
        });
      }
    }
    std::printf("%10d %8d %12.1f %12.1f %12.1f %12.1f %14.1f\n", n, buckets, hit[0], miss, hit[1],
                insert, reference);
  }
  std::printf("(checksum %llu)\n\n", checksum);
}

// The layers of a set of n explicit layers: extended signal, mechanical and plane layers.
std::vector<sdk::TLayer> MakeLayers(int n) {
  std::vector<sdk::TLayer> layers;
  for (int i = 0; static_cast<int>(layers.size()) < n; ++i) {
    const int number = 17 + i / 3;
    switch (i % 3) {
      case 0: layers.push_back(sdk::SignalLayer(number + 16)); break;
      case 1: layers.push_back(sdk::MechanicalLayer(number)); break;
      default: layers.push_back(sdk::InternalPlaneLayer(number)); break;
    }
  }
  return layers;
}

void BenchLayerSet(int lookups) {
  std::printf("Layer set membership: ns per Contains (%d calls each)\n", lookups);
  std::printf("%10s %12s %12s %14s\n", "layers", "member", "non-member", "all-but-list");
  Random random;
  unsigned long long checksum = 0;
  // Three partitions of up to 65535 layers each bound what one set can list.
  for (int n : {10, 100, 1000, 10000, 100000, 190000}) {
    const std::vector<sdk::TLayer> layers = MakeLayers(n);
    sdk::LayerSet listed, all_but;
    listed.IncludeArray(layers.data(), layers.size());
    all_but.IncludeAll().ExcludeArray(layers.data(), layers.size());
    std::vector<sdk::TLayer> members, others;
    for (int i = 0; i < lookups; ++i) {
      members.push_back(layers[random.Next() % static_cast<unsigned>(n)]);
      others.push_back(sdk::MechanicalLayer(1 + random.Next() % 16));  // classic: never listed
    }
    const double hit = NanosecondsPerCall(lookups, [&] {
      for (sdk::TLayer l : members) checksum += listed.Contains(l);
    });
    const double miss = NanosecondsPerCall(lookups, [&] {
      for (sdk::TLayer l : others) checksum += listed.Contains(l);
    });
    const double excluded = NanosecondsPerCall(lookups, [&] {
      for (sdk::TLayer l : members) checksum += all_but.Contains(l);
    });
    std::printf("%10d %12.1f %12.1f %14.1f\n", n, hit, miss, excluded);
  }
  std::printf("(checksum %llu)\n", checksum);
}

}  // namespace

int main(int argc, char** argv) {
  const int lookups = argc > 1 ? std::atoi(argv[1]) : 2000000;
  BenchHashTable(lookups);
  BenchLayerSet(lookups);
  return 0;
}
