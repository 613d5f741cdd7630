#include "std/nif.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "testutil.h"

namespace {

using fmttest::captureStdout;
using fmttest::get32;
using fmttest::readFile;
using fmttest::TempDir;

TEST(NifTag, SpacesFillShortNamesAtTheLowEnd) {
  EXPECT_EQ(nifTag("type"), 0x74797065u);
  EXPECT_EQ(nifTag("xw"), 0x78772020u);
  EXPECT_EQ(NIF_TAG_NIF1, 0x4e494631u);
}

TEST(NifWrite, ChunkSizesAndPaddingFollowTheWriterConventions) {
  TempDir dir;
  std::string f = dir.file("c.nif");
  NIF* nifp = nifOpen(f.c_str(), NIF_WRITE);
  ASSERT_NE(nifp, nullptr);
  EXPECT_EQ(nifPutData(nifp, nifTag("dat5"), "abcde", 5), 1);  // 8 + 5 + 3
  EXPECT_EQ(nifPutStr(nifp, nifTag("s3"), "abc"), 1);          // 8 + 4
  EXPECT_EQ(nifPutStr(nifp, nifTag("s4"), "abcd"), 1);         // 8 + 8
  EXPECT_EQ(nifPutInt(nifp, nifTag("int"), -2), 1);            // 12
  EXPECT_EQ(nifBegin(nifp, nifTag("sub")), 1);
  EXPECT_EQ(nifWrite(nifp, "xyz", 3), 3u);
  EXPECT_EQ(nifEnd(nifp), 1);  // 8 + 3 + 1
  EXPECT_EQ(nifClose(nifp), 8 + 16 + 12 + 16 + 12 + 12);
  auto d = readFile(f);
  ASSERT_EQ(d.size(), 76u);
  EXPECT_EQ(std::memcmp(d.data(), "1FIN", 4), 0);
  EXPECT_EQ(get32(d, 4), d.size() - 8);  // outer size = file length - 8
  EXPECT_EQ(get32(d, 12), 5u);
  EXPECT_EQ(std::memcmp(&d[16], "abcde\0\0\0", 8), 0);
  EXPECT_EQ(get32(d, 28), 4u);
  EXPECT_EQ(std::memcmp(&d[32], "abc\0", 4), 0);
  EXPECT_EQ(get32(d, 40), 8u);
  EXPECT_EQ(std::memcmp(&d[44], "abcd\0\0\0\0", 8), 0);
  EXPECT_EQ(get32(d, 56), 4u);
  EXPECT_EQ(get32(d, 60), 0xfffffffeu);
  EXPECT_EQ(std::memcmp(&d[64], " bus", 4), 0);
  EXPECT_EQ(get32(d, 68), 3u);  // unpadded size
  EXPECT_EQ(d[75], 0);
}

TEST(NifWrite, SiffFlagChangesTheOutermostTag) {
  TempDir dir;
  std::string f = dir.file("s.sbf");
  NIF* nifp = nifOpen(f.c_str(), NIF_WRITE | NIF_SIFF);
  ASSERT_NE(nifp, nullptr);
  EXPECT_EQ(nifClose(nifp), 8);
  auto d = readFile(f);
  ASSERT_EQ(d.size(), 8u);
  EXPECT_EQ(std::memcmp(d.data(), "ffiS\0\0\0\0", 8), 0);
}

TEST(NifWrite, FailedFileCreationAndFailedCloseAreReported) {
  EXPECT_EQ(nifOpen("/nonexistent-dir/x.pxa", NIF_WRITE), nullptr);
  NIF* nifp = nifOpen("/dev/full", NIF_WRITE);
  ASSERT_NE(nifp, nullptr);
  nifPutInt(nifp, nifTag("xw"), 1);
  EXPECT_EQ(nifClose(nifp), -1);
}

std::vector<uint8_t> sample() {
  std::vector<uint8_t> d = {'1', 'F', 'I', 'N', 0, 0, 0, 0};
  auto chunk = [&](const char* tag, std::vector<uint8_t> body, uint32_t size) {
    size_t at = d.size();
    fmttest::put32(d, at, nifTag(tag));
    fmttest::put32(d, at + 4, size);
    d.insert(d.end(), body.begin(), body.end());
    while (d.size() % 4) d.push_back(0);
  };
  chunk("dat5", {1, 2, 3, 4, 5}, 5);
  chunk("four", {9, 9, 9, 9}, 4);
  fmttest::put32(d, 4, static_cast<uint32_t>(d.size() - 8));
  return d;
}

TEST(NifRead, EnterReadLeaveWalksTheChunks) {
  auto d = sample();
  NIF* nifp = nifOpen(d.data(), NIF_MEM, d.size());
  ASSERT_NE(nifp, nullptr);
  uint32_t size = 0;
  EXPECT_EQ(nifEnter(nifp, &size), nifTag("dat5"));
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(nifLeave(nifp), 1);
  EXPECT_EQ(nifEnter(nifp, &size), nifTag("four"));
  uint8_t buf[8] = {};
  EXPECT_EQ(nifRead(nifp, buf, 8), 4u);  // clamped to the chunk
  EXPECT_EQ(buf[3], 9);
  EXPECT_EQ(nifEnter(nifp, nullptr), 0u);  // fewer than 8 bytes left in it
  nifLeave(nifp);
  EXPECT_EQ(nifEnter(nifp, nullptr), 0u);
  EXPECT_EQ(nifClose(nifp), static_cast<int32_t>(d.size()));
}

TEST(NifRead, ForeignOrShortHeadersAreRejectedSilently) {
  auto d = sample();
  d[3] = 'O';  // "1FIO"
  std::string out =
      captureStdout([&] { EXPECT_EQ(nifOpen(d.data(), NIF_MEM, d.size()), nullptr); });
  EXPECT_EQ(out, "");
  std::vector<uint8_t> tiny = {'1', 'F', 'I', 'N'};
  EXPECT_EQ(nifOpen(tiny.data(), NIF_MEM, tiny.size()), nullptr);
  EXPECT_EQ(nifOpen("/nonexistent-file.pxa", 0), nullptr);
}

TEST(NifRead, LengthMismatchPrintsAndYieldsNothing) {
  auto d = sample();
  for (int delta : {1, -1}) {
    auto e = d;
    if (delta > 0)
      e.push_back(0);
    else
      e.pop_back();
    NIF* nifp = nullptr;
    std::string out = captureStdout([&] { nifp = nifOpen(e.data(), NIF_MEM, e.size()); });
    ASSERT_NE(nifp, nullptr);
    char want[80];
    std::snprintf(want, sizeof want, "ファイルサイズが異常です %d, %d\n",
                  static_cast<int>(e.size() - 8), static_cast<int>(d.size() - 8));
    EXPECT_EQ(out, want);
    EXPECT_EQ(nifEnter(nifp, nullptr), 0u);
    nifClose(nifp);
  }
}

TEST(NifRead, ChunkSizesPassingTheParentOrTheFileAreCut) {
  auto d = sample();
  fmttest::put32(d, 12, 0x7ffffff0);  // "dat5" claims far more than the file
  NIF* nifp = nifOpen(d.data(), NIF_MEM, d.size());
  ASSERT_NE(nifp, nullptr);
  uint32_t size = 0;
  EXPECT_EQ(nifEnter(nifp, &size), nifTag("dat5"));
  EXPECT_EQ(size, d.size() - 16);
  std::vector<uint8_t> buf(64);
  EXPECT_EQ(nifRead(nifp, buf.data(), 64), d.size() - 16);
  EXPECT_EQ(nifLeave(nifp), 1);
  EXPECT_EQ(nifEnter(nifp, nullptr), 0u);
  nifClose(nifp);
}

TEST(NifRead, FileRoundTrip) {
  TempDir dir;
  std::string f = dir.file("r.nif");
  NIF* w = nifOpen(f.c_str(), NIF_WRITE);
  ASSERT_NE(w, nullptr);
  nifPutInt(w, nifTag("yw"), 77);
  ASSERT_GT(nifClose(w), 0);
  NIF* r = nifOpen(f.c_str(), 0);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->toptag, NIF_TAG_NIF1);
  EXPECT_EQ(nifEnter(r, nullptr), nifTag("yw"));
  int32_t v = 0;
  EXPECT_EQ(nifRead(r, &v, 4), 4u);
  EXPECT_EQ(v, 77);
  nifClose(r);
}

}  // namespace
