// Interop helpers: run the independent Debian tools (netpbm, libtiff-tools,
// libjpeg-turbo-progs, ImageMagick) and read their raw PNM output with a
// parser of its own, so that the reference never goes through our readers.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace interop {

inline bool haveTool(const char* name) {
  return std::system(("command -v " + std::string(name) + " >/dev/null 2>&1").c_str()) == 0;
}

#define INTEROP_NEED(tool) \
  if (!interop::haveTool(tool)) GTEST_SKIP() << tool << " is not installed"

inline int sh(const std::string& cmd) { return std::system(("set -e; " + cmd).c_str()); }

inline std::vector<uint8_t> slurp(const std::string& path) {
  std::vector<uint8_t> d;
  if (FILE* fp = std::fopen(path.c_str(), "rb")) {
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, fp)) > 0) d.insert(d.end(), buf, buf + n);
    std::fclose(fp);
  }
  return d;
}

inline void spill(const std::string& path, const std::vector<uint8_t>& d) {
  FILE* fp = std::fopen(path.c_str(), "wb");
  ASSERT_NE(fp, nullptr);
  ASSERT_EQ(std::fwrite(d.data(), 1, d.size(), fp), d.size());
  std::fclose(fp);
}

// A raw PNM (P4, P5 or P6; maxval up to 65535 scaled to 8 bits by the high
// byte) as RGB triples; P4 gives 0 for white and 255 for black in every channel.
struct Rgb {
  int w = 0, h = 0;
  std::vector<uint8_t> px;  // w*h*3
};

inline bool readRawPnm(const std::vector<uint8_t>& d, Rgb* out) {
  size_t p = 0;
  auto skip = [&] {
    for (;;) {
      while (p < d.size() && isspace(d[p])) p++;
      if (p < d.size() && d[p] == '#') {
        while (p < d.size() && d[p] != '\n') p++;
      } else {
        return;
      }
    }
  };
  auto num = [&] {
    skip();
    long v = 0;
    while (p < d.size() && isdigit(d[p])) v = v * 10 + (d[p++] - '0');
    return v;
  };
  if (d.size() < 2 || d[0] != 'P') return false;
  int ver = d[1] - '0';
  p = 2;
  out->w = int(num());
  out->h = int(num());
  long maxval = ver == 4 ? 1 : num();
  p++;
  size_t n = size_t(out->w) * out->h;
  out->px.assign(n * 3, 0);
  int bps = maxval > 255 ? 2 : 1;
  if (ver == 4) {
    size_t row = (out->w + 7) / 8;
    if (d.size() < p + row * out->h) return false;
    for (int y = 0; y < out->h; y++)
      for (int x = 0; x < out->w; x++) {
        uint8_t bit = (d[p + y * row + x / 8] >> (7 - x % 8)) & 1;
        for (int k = 0; k < 3; k++) out->px[(size_t(y) * out->w + x) * 3 + k] = bit ? 0 : 255;
      }
    return true;
  }
  int ch = ver == 6 ? 3 : 1;
  if (d.size() < p + n * ch * bps) return false;
  for (size_t i = 0; i < n; i++)
    for (int k = 0; k < 3; k++) {
      size_t s = p + (i * ch + (ch == 3 ? k : 0)) * bps;
      long v = bps == 2 ? d[s] << 8 | d[s + 1] : d[s];
      out->px[i * 3 + k] = uint8_t(bps == 2 ? v >> 8 : v * 255 / maxval);
    }
  return true;
}

inline Rgb pnmFile(const std::string& path) {
  Rgb r;
  EXPECT_TRUE(readRawPnm(slurp(path), &r)) << path;
  return r;
}

// A w x h test picture with many colours, written as raw P6.
inline std::vector<uint8_t> pattern(int w, int h, int seed) {
  std::vector<uint8_t> rgb(size_t(w) * h * 3);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
      p[0] = uint8_t(x * 255 / (w > 1 ? w - 1 : 1));
      p[1] = uint8_t(y * 255 / (h > 1 ? h - 1 : 1));
      p[2] = uint8_t((x * 37 + y * 11 + seed) & 255);
    }
  return rgb;
}

inline std::vector<uint8_t> p6(int w, int h, const std::vector<uint8_t>& rgb) {
  std::string head = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  std::vector<uint8_t> f(head.begin(), head.end());
  f.insert(f.end(), rgb.begin(), rgb.end());
  return f;
}

class Scratch {
 public:
  Scratch() {
    char tmpl[] = "/tmp/tdeinteropXXXXXX";
    char* p = mkdtemp(tmpl);
    dir_ = p ? p : "/tmp";
  }
  ~Scratch() { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  std::string operator()(const std::string& name) const { return dir_ + "/" + name; }

 private:
  std::string dir_;
};

}  // namespace interop
