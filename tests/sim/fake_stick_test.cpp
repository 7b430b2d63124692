// The fake-capacity stick's layout: which bytes of a file read back as a later write's.
#include <gtest/gtest.h>

#include "sim/machine/fake_stick.h"

namespace {

using platform::host::OverwrittenRanges;
using platform::host::WrittenRange;

TEST(FakeStick, LaterWritesPastTheTrueCapacityWrapOverEarlierFiles) {
  constexpr std::uint64_t K = 1024;
  struct Case {
    const char* name;
    std::vector<std::uint64_t> sizes;  // in write order, each from a 32 KiB cluster
    std::size_t target;
    std::uint64_t keptBytes;
    std::vector<WrittenRange> expected;
  };
  const Case cases[] = {
      {"a stick that keeps all it claims", {64 * K, 64 * K, 64 * K}, 0, 0, {}},
      {"everything fits", {64 * K, 64 * K}, 0, 1024 * K, {}},
      {"the third file lands on the first", {64 * K, 64 * K, 64 * K}, 0, 128 * K, {{0, 64 * K, 2, 0}}},
      {"the second file is past nobody's wrap", {64 * K, 64 * K, 64 * K}, 1, 128 * K, {}},
      {"the last file written reads back whole", {64 * K, 64 * K, 64 * K}, 2, 128 * K, {}},
      {"a file larger than the flash spoils its own start", {96 * K}, 0, 64 * K, {{0, 32 * K, 0, 64 * K}}},
      {"small files take a cluster each", {1000, 1000}, 0, 32 * K, {{0, 1000, 1, 0}}},
      {"two later writers, applied in write order", {64 * K, 64 * K, 32 * K}, 0, 64 * K,
       {{0, 64 * K, 1, 0}, {0, 32 * K, 2, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(OverwrittenRanges(c.sizes, c.target, c.keptBytes), c.expected);
  }
}

}  // namespace
