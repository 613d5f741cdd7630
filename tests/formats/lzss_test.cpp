#include "formats/lzss.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "testutil.h"

namespace {

std::vector<uint8_t> encode(const std::vector<uint8_t>& in) {
  std::vector<uint8_t> out(static_cast<size_t>(lzBound(in.size())) + 1);
  int n = lzEncode(out.data(), in.data(), static_cast<int>(in.size()));
  EXPECT_LE(n, lzBound(in.size()));
  out.resize(n);
  return out;
}

std::vector<uint8_t> decode(const std::vector<uint8_t>& in, int n, int* used = nullptr) {
  std::vector<uint8_t> out(n);
  int u = lzDecode(out.data(), n, in.data(), static_cast<int>(in.size()));
  if (used) *used = u;
  return out;
}

TEST(Lzss, EighteenEqualBytesGiveOneLiteralAndOneRun) {
  std::vector<uint8_t> in(18, 0x41);
  // Flag 0x40: second item is a reference; 0x0e = length 17, distance 1.
  EXPECT_EQ(encode(in), (std::vector<uint8_t>{0x40, 0x41, 0x0e, 0x00}));
  int used = 0;
  EXPECT_EQ(decode(encode(in), 18, &used), in);
  EXPECT_EQ(used, 4);
}

TEST(Lzss, EmptyInputGivesEmptyStream) {
  EXPECT_TRUE(encode({}).empty());
  std::vector<uint8_t> none;
  EXPECT_EQ(lzDecode(nullptr, 0, none.data(), 0), 0);
}

TEST(Lzss, LiteralsOnlyStartANewFlagByteEveryEightItems) {
  std::vector<uint8_t> in = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  EXPECT_EQ(encode(in), (std::vector<uint8_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 9}));
  EXPECT_EQ(static_cast<int64_t>(encode(in).size()), lzBound(9));
}

TEST(Lzss, ReferenceOfDistanceOneRepeatsThePreviousByte) {
  std::vector<uint8_t> stream = {0x40, 7, 0x02, 0x00};  // literal 7, then 5 copies at distance 1
  EXPECT_EQ(decode(stream, 6), std::vector<uint8_t>(6, 7));
}

TEST(Lzss, TieKeepsTheNewerCandidate) {
  // At position 8 "abc" matches 3 bytes both at 4 and at 0: the newer (distance 4) wins.
  std::vector<uint8_t> in = {'a', 'b', 'c', 'x', 'a', 'b', 'c', 'y',
                             'a', 'b', 'c', 'z', 'q', 'r', 's'};
  auto out = encode(in);
  ASSERT_EQ(out.size(), 15u);
  EXPECT_EQ(out[0], 0x0a);  // items 5 and 7 are references
  EXPECT_EQ(out[8], 0x00);  // length 3, distance 4: b0 = 0, b1 = 3
  EXPECT_EQ(out[9], 0x03);
  EXPECT_EQ(out[11], 0x00);  // second group, literals only
  EXPECT_EQ(decode(out, 15), in);
}

TEST(Lzss, RoundTripsAcrossTheWindowAndLongInputs) {
  for (int modulo : {2, 5, 256}) {
    auto in = fmttest::noise(70000, 7u + modulo, modulo);
    // Repeat a block far back (beyond the window) and near (inside it).
    in.insert(in.end(), in.begin() + 100, in.begin() + 5000);
    auto out = encode(in);
    EXPECT_EQ(decode(out, static_cast<int>(in.size())), in) << modulo;
  }
}

// The writer's policy spelled out the slow way: at each position the longest
// match of 3 to 18 bytes starting at most 4096 back (ties keep the newer
// candidate), else a literal.
std::vector<uint8_t> encodeByPolicy(const std::vector<uint8_t>& in) {
  std::vector<uint8_t> out;
  int n = static_cast<int>(in.size()), items = 0;
  size_t flagpos = 0;
  for (int pos = 0; pos < n;) {
    int m = std::min(18, n - pos), best = 0, where = 0;
    for (int c = pos - 1; c >= 0 && c >= pos - 4096; --c) {
      int len = 0;
      while (len < m && in[c + len] == in[pos + len]) ++len;
      if (len > best) best = len, where = c;
    }
    if (items++ % 8 == 0) flagpos = out.size(), out.push_back(0);
    if (best < 3) {
      out.push_back(in[pos++]);
      continue;
    }
    int d = pos - where - 1;
    out[flagpos] |= 0x80 >> ((items - 1) % 8);
    out.push_back(static_cast<uint8_t>(((d >> 4) & 0xf0) | (best - 3)));
    out.push_back(static_cast<uint8_t>(d & 0xff));
    pos += best;
  }
  return out;
}

TEST(Lzss, FollowsTheWritersPolicyByteForByte) {
  // Noise of few symbols (many short matches of three and four bytes), a
  // dithered ramp of nibble pairs, long runs, and repeats cut by the window.
  std::vector<std::vector<uint8_t>> inputs;
  for (int modulo : {2, 3, 4, 16, 256})
    inputs.push_back(fmttest::noise(5000, 11u + modulo, modulo));
  std::vector<uint8_t> ramp, runs;
  for (int i = 0; i < 9000; i++)
    ramp.push_back(static_cast<uint8_t>(((i / 37) % 16) << 4 | (i * 7 / 5) % 16));
  for (int i = 0; i < 9000; i++)
    runs.push_back(static_cast<uint8_t>((i / 23) % 3 == 0 ? i % 251 : 9));
  inputs.push_back(ramp);
  inputs.push_back(runs);
  auto far = fmttest::noise(5000, 5, 256);
  far.insert(far.end(), far.begin() + 7, far.begin() + 700);
  inputs.push_back(far);
  for (size_t i = 0; i < inputs.size(); i++) {
    // Several ends too: the last 18 bytes take another path.
    for (size_t cut : {0, 1, 2, 3, 9, 17, 18, 19}) {
      std::vector<uint8_t> in(inputs[i].begin(), inputs[i].end() - cut);
      ASSERT_EQ(encode(in), encodeByPolicy(in)) << "input " << i << " cut " << cut;
    }
  }
}

TEST(Lzss, MaximumDistanceIs4096) {
  auto in = fmttest::noise(4096, 99);
  in.insert(in.end(), in.begin(), in.begin() + 18);
  auto out = encode(in);
  // The last item is a reference 4096 back: b0 high nibble 0xf0, b1 0xff.
  ASSERT_GE(out.size(), 2u);
  EXPECT_EQ(out[out.size() - 2], 0xff);
  EXPECT_EQ(out[out.size() - 1], 0xff);
  EXPECT_EQ(decode(out, static_cast<int>(in.size())), in);
}

TEST(Lzss, DamagedStreamsFailInsideTheBuffers) {
  std::vector<uint8_t> out(8, 0xcc);
  // Reference before the start of the output.
  std::vector<uint8_t> early = {0x80, 0x00, 0x00};
  EXPECT_EQ(lzDecode(out.data(), 8, early.data(), 3), -1);
  // Reference that would pass the expected length.
  std::vector<uint8_t> over = {0x40, 1, 0x0f, 0x00};
  EXPECT_EQ(lzDecode(out.data(), 8, over.data(), 4), -1);
  // Input ending early: mid-group, and inside a reference.
  std::vector<uint8_t> shortlit = {0x00, 1, 2};
  EXPECT_EQ(lzDecode(out.data(), 8, shortlit.data(), 3), -1);
  std::vector<uint8_t> shortref = {0x40, 1, 0x02};
  EXPECT_EQ(lzDecode(out.data(), 8, shortref.data(), 3), -1);
}

TEST(BitPack, PacksOneStreamMostSignificantFirst) {
  std::vector<uint8_t> v = {1, 0, 1, 1, 0, 0, 0, 1, 1};
  uint8_t packed[2] = {0xff, 0xff};
  bitPack(packed, v.data(), 9, 1);
  EXPECT_EQ(packed[0], 0xb1);
  EXPECT_EQ(packed[1], 0x80);  // remaining low bits are 0
  std::vector<uint8_t> back(9);
  bitUnpack(back.data(), packed, 9, 1);
  EXPECT_EQ(back, v);
}

TEST(BitPack, StoresOnlyTheLowBitsAndRoundTripsEveryWidth) {
  uint8_t vals[3] = {0x13, 0x02, 0xff};
  uint8_t packed[2];
  bitPack(packed, vals, 3, 4);
  EXPECT_EQ(packed[0], 0x32);
  EXPECT_EQ(packed[1], 0xf0);
  for (int b : {1, 2, 4}) {
    auto in = fmttest::noise(1001, b, 1 << b);
    std::vector<uint8_t> p(static_cast<size_t>(bitBytes(1001, b)));
    bitPack(p.data(), in.data(), 1001, b);
    std::vector<uint8_t> back(1001);
    bitUnpack(back.data(), p.data(), 1001, b);
    EXPECT_EQ(back, in) << b;
  }
}

}  // namespace
