#include "services/counter.h"

#include <gtest/gtest.h>

#include "services/text.h"

namespace quelb {
namespace {

TEST(Counter, HoldsWholeCountsExactly) {
  Counter twelve(12);
  EXPECT_EQ(twelve.Value(), 12.0);
  EXPECT_EQ(twelve.Scaled(), 120000);
  EXPECT_EQ(NumberText(twelve.Value()), " 12");

  Counter count;
  EXPECT_EQ(count.Value(), 0.0);
  count.Add(-1);
  count.Add(1);
  EXPECT_EQ(count.Scaled(), 0);
  for (int i = 0; i < 100000; ++i) count.Add(1);
  EXPECT_EQ(count.Value(), 100000.0);
}

TEST(Counter, RoundsToFourPlacesWithTiesToEven) {
  EXPECT_EQ(Counter(0.00005).Scaled(), 0);
  EXPECT_EQ(Counter(0.00025).Scaled(), 2);
  EXPECT_EQ(Counter(0.00035).Scaled(), 4);
  EXPECT_EQ(Counter(1.23456).Scaled(), 12346);
  EXPECT_EQ(Counter(-2.5).Scaled(), -25000);
}

}  // namespace
}  // namespace quelb
