// Builds the tool-button pictures and the program icon from the readable
// drawing in scripts/pictures.txt.
//
//   mkpictures DRAWING OUTDIR
//
// The drawing is a list of sheets; each sheet is cut into cells and every
// cell is drawn with a few commands (see scripts/pictures.txt). Output files
// go to OUTDIR: native pictures (.pxa) and icons (.ico).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "formats/pxa.h"
#include "std/ico2.h"

namespace {

struct COLOUR {
  char key;
  uint32_t rgba;
};

// Palette of button and icon sheets: index = position in this table.
const COLOUR kColours[] = {
    {'.', 0x00000000}, {'f', 0xFFC8D0D4}, {'k', 0xFF000000}, {'w', 0xFFFFFFFF},
    {'g', 0xFF808080}, {'d', 0xFF404040}, {'l', 0xFFC0C0C0}, {'r', 0xFF2020E0},
    {'G', 0xFF20A020}, {'b', 0xFFE04020}, {'y', 0xFF20E0F0}, {'c', 0xFFE0E020},
    {'m', 0xFFC040C0}, {'o', 0xFF2080F0}, {'n', 0xFF204080}, {'s', 0xFFF0C080},
};

struct SHEET {
  std::string name, kind;  // kind: buttons or icon
  int w = 0, h = 0, cell = 0;
  std::vector<uint8_t> px;
  int cells = 0;  // cells begun so far
  int ox = 0, oy = 0;

  const COLOUR* palette(size_t* n) const {
    *n = sizeof kColours / sizeof *kColours;
    return kColours;
  }
  int index(char key) const {
    size_t n;
    const COLOUR* p = palette(&n);
    for (size_t i = 0; i < n; i++)
      if (p[i].key == key) return int(i);
    std::fprintf(stderr, "mkpictures: unknown colour '%c'\n", key);
    std::exit(1);
  }
  // Pixel of the current cell; outside the cell nothing happens.
  void put(int x, int y, int c) {
    if (c < 0 || x < 0 || y < 0 || x >= cell || y >= cell) return;
    px[size_t(oy + y) * w + ox + x] = uint8_t(c);
  }
  int get(int x, int y) const {
    if (x < 0 || y < 0 || x >= cell || y >= cell) return -1;
    return px[size_t(oy + y) * w + ox + x];
  }
};

void line(SHEET& s, int x0, int y0, int x1, int y1, int c) {
  int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
  int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1, err = dx + dy;
  for (;;) {
    s.put(x0, y0, c);
    if (x0 == x1 && y0 == y1) break;
    int e2 = 2 * err;
    if (e2 >= dy) err += dy, x0 += sx;
    if (e2 <= dx) err += dx, y0 += sy;
  }
}

void ellipse(SHEET& s, double cx, double cy, double rx, double ry, int c, bool filled) {
  for (int y = 0; y < s.cell; y++)
    for (int x = 0; x < s.cell; x++) {
      double u = (x + 0.5 - cx) / rx, v = (y + 0.5 - cy) / ry, d = u * u + v * v;
      // Ring of about one pixel: inside the outer and outside the inner ellipse.
      double ui = (x + 0.5 - cx) / (rx - 1), vi = (y + 0.5 - cy) / (ry - 1);
      bool in = d <= 1.0, inner = rx > 1 && ry > 1 && ui * ui + vi * vi <= 1.0;
      if (in && (filled || !inner)) s.put(x, y, c);
    }
}

// Buttons look raised: face with a light top-left and a dark bottom-right.
void bevel(SHEET& s) {
  int f = s.index('f'), w = s.index('w'), g = s.index('g'), d = s.index('d');
  int n = s.cell - 1;
  for (int y = 0; y <= n; y++)
    for (int x = 0; x <= n; x++) s.put(x, y, f);
  line(s, 0, 0, n - 1, 0, w);
  line(s, 0, 0, 0, n - 1, w);
  line(s, 1, n - 1, n - 1, n - 1, g);
  line(s, n - 1, 1, n - 1, n - 1, g);
  line(s, 0, n, n, n, d);
  line(s, n, 0, n, n, d);
}

void beginCell(SHEET& s) {
  int cols = s.w / s.cell;
  s.ox = (s.cells % cols) * s.cell;
  s.oy = (s.cells / cols) * s.cell;
  if (s.oy + s.cell > s.h) {
    std::fprintf(stderr, "mkpictures: too many cells in %s\n", s.name.c_str());
    std::exit(1);
  }
  s.cells++;
  if (s.kind == "buttons") bevel(s);
}

bool writeSheet(const SHEET& s, const std::string& dir) {
  size_t n;
  const COLOUR* pal = s.palette(&n);
  uint32_t cmap[256] = {};
  for (size_t i = 0; i < n; i++) cmap[i] = pal[i].rgba;
  if (s.kind == "icon") {
    std::string path = dir + "/" + s.name + ".ico";
    return icoSave(path.c_str(), s.px.data(), s.w, s.h, cmap, 16, ICO_ICON) == 1;
  }
  std::string path = dir + "/" + s.name + ".pxa";
  return pxaSave(path.c_str(), s.px.data(), s.w, s.h, cmap, int(n), 8) == 1;
}

// Runs one drawing command on the current cell; false for an unknown one.
bool command(SHEET& s, const std::string& cmd, std::istringstream& args, std::istream& in) {
  auto col = [&](const std::string& k) { return s.index(k.empty() ? '?' : k[0]); };
  std::string c;
  if (cmd == "cell") {
    beginCell(s);
  } else if (cmd == "line") {
    int x0, y0, x1, y1;
    args >> x0 >> y0 >> x1 >> y1 >> c;
    line(s, x0, y0, x1, y1, col(c));
  } else if (cmd == "rect" || cmd == "fill") {
    int x0, y0, x1, y1;
    args >> x0 >> y0 >> x1 >> y1 >> c;
    for (int y = y0; y <= y1; y++)
      for (int x = x0; x <= x1; x++)
        if (cmd == "fill" || y == y0 || y == y1 || x == x0 || x == x1) s.put(x, y, col(c));
  } else if (cmd == "ellipse" || cmd == "disc") {
    double cx, cy, rx, ry;
    args >> cx >> cy >> rx >> ry >> c;
    ellipse(s, cx, cy, rx, ry, col(c), cmd == "disc");
  } else if (cmd == "art") {
    int x, y;
    args >> x >> y;
    std::string row;
    for (int r = 0; std::getline(in, row) && row.find("end") == std::string::npos; r++) {
      size_t start = row.find_first_not_of(' ');
      if (start == std::string::npos) continue;
      row = row.substr(start);
      for (size_t i = 0; i < row.size(); i++)
        if (row[i] != '.') s.put(x + int(i), y + r, s.index(row[i]));
    }
  } else {
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: mkpictures DRAWING OUTDIR\n");
    return 1;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::fprintf(stderr, "mkpictures: cannot read %s\n", argv[1]);
    return 1;
  }
  std::vector<SHEET> sheets;
  std::string line;
  int lineno = 0;
  while (std::getline(in, line)) {
    lineno++;
    size_t hash = line.find('#');
    if (hash != std::string::npos) line.resize(hash);
    std::istringstream args(line);
    std::string cmd;
    if (!(args >> cmd)) continue;
    if (cmd == "sheet") {
      SHEET s;
      args >> s.name >> s.kind >> s.w >> s.h >> s.cell;
      if (s.w <= 0 || s.h <= 0 || s.cell <= 0 || s.w > 1024 || s.h > 1024) {
        std::fprintf(stderr, "mkpictures:%d: bad sheet\n", lineno);
        return 1;
      }
      // Buttons sit on the face colour, also in cells without a button.
      s.px.assign(size_t(s.w) * s.h, s.kind == "buttons" ? uint8_t(s.index('f')) : 0);
      sheets.push_back(std::move(s));
    } else if (sheets.empty() || !command(sheets.back(), cmd, args, in)) {
      std::fprintf(stderr, "mkpictures:%d: unknown command %s\n", lineno, cmd.c_str());
      return 1;
    }
  }
  for (const SHEET& s : sheets)
    if (!writeSheet(s, argv[2])) {
      std::fprintf(stderr, "mkpictures: cannot write %s\n", s.name.c_str());
      return 1;
    }
  return 0;
}
