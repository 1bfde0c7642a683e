// Tests of tag list lookup: last match wins, the end marker and null lists.
#include <gtest/gtest.h>

#include <cstdint>

#include "kova_types.h"

namespace {

TEST(TagLookup, LastMatchingPairWins) {
  const TagItem list[] = {{FCC("A   "), 1}, {FCC("B   "), 2}, {FCC("A   "), 3}, {0, 0}};
  bool found = false;
  EXPECT_EQ(TAG_Lookup(list, FCC("A   "), 99, &found), 3u);
  EXPECT_TRUE(found);
  EXPECT_EQ(TAG_Lookup(list, FCC("B   "), 99, nullptr), 2u);
}

TEST(TagLookup, MissingTagGivesFallback) {
  const TagItem list[] = {{7, 70}, {0, 0}, {8, 80}};  // pairs after the end are not read
  bool found = true;
  EXPECT_EQ(TAG_Lookup(list, 8, 5, &found), 5u);
  EXPECT_FALSE(found);
  found = true;
  EXPECT_EQ(TAG_Lookup(nullptr, 7, 6, &found), 6u);
  EXPECT_FALSE(found);
  const TagItem empty[] = {{0, 1234}};
  EXPECT_EQ(TAG_Lookup(empty, 0, 4, nullptr), 4u);  // tag 0 only ends a list
}

}  // namespace
