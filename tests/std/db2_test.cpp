#include "std/db2.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(Db2, QueueKeepsOrderAndCount) {
  DB* q = dbNew(0, 4, 0, 1024);
  for (int i = 0; i < 1000; i++) dbAdd(q, &i);
  EXPECT_EQ(dbCnt(q), 1000);
  int expect = 0;
  for (void* p = dbTop(q); p; p = dbNxt(p)) EXPECT_EQ(*static_cast<int*>(p), expect++);
  EXPECT_EQ(expect, 1000);
  while (void* p = dbTop(q)) dbDel(q, p);
  EXPECT_EQ(dbCnt(q), 0);
  EXPECT_EQ(dbTop(q), nullptr);
  EXPECT_EQ(dbEnd(q), nullptr);
  dbFre(q);
}

}  // namespace
