#include "ui/cmap.h"

#include <cstring>

#include "image/palette.h"
#include "tools/gesture/toolframe.h"
#include "tools/undo.h"

namespace {

constexpr int kBarWidth = 32;
const char* const kBarLabel[4] = {"R", "G", "B", "A"};
const COLORREF kBarColour[4] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255)};

COLORREF screenColour(uint32_t rgba) { return rgba & 0xFFFFFF; }

}  // namespace

cCMAP::cCMAP(cWIN* doc) : dragging(0), repeat(0) {
  classname = "cCMAP";
  setMenu(MAKEINTRESOURCEA(130));
  setTitle("カラーマップ");
  kind = WIN_CMAP;
  setOwner(doc);
  image = bmNew(doc->image->cmap, 4, 16, 16, nullptr, 256);
  if (image) image->pen = doc->image->pen;
}

cCMAP::~cCMAP() = default;

void cCMAP::pull() {
  auto* doc = static_cast<cWIN*>(owner);
  if (!image || !doc || !xwinAlive(doc)) return;
  std::memcpy(image->buf, doc->image->cmap, sizeof doc->image->cmap);
  image->pen = doc->image->pen;
  invalidate();
}

void cCMAP::push() {
  auto* doc = static_cast<cWIN*>(owner);
  if (!image || !doc || !xwinAlive(doc)) return;
  doc->image->modified = 1;
  doc->image->pen = image->pen;
  std::memcpy(doc->image->cmap, image->buf, sizeof doc->image->cmap);
  doc->invalidate();
}

void cCMAP::setChannel(int channel, int value) {
  const int pen = image->pen & 0xff;
  uint32_t c = bmPget(image, pen % 16, pen / 16);
  const int shift = 8 * channel;
  value = value < 0 ? 0 : value > 255 ? 255 : value;
  c = (c & ~(0xFFu << shift)) | uint32_t(value) << shift;
  // Through a logged paste: bar edits join the current undo step.
  BM* one = bmNew(&c, 4, 1, 1, nullptr, 0);
  if (!one) return;
  bmPaste(image, one, pen % 16, pen / 16, 0);
  bmFre(one);
}

bool cCMAP::hit(int x, int y) {
  const int g = gridWidth();
  if (!image || g <= 0 || height <= 36) return false;
  if (x < g) {
    if (cmapbusy > 0) return false;
    const int col = x * 16 / g, row = y * 16 / height;
    if (x < 0 || y < 0 || col > 15 || row > 15) return false;
    image->pen = col + 16 * row;
  } else {
    const int channel = (x - g) / kBarWidth;
    if (channel > 3) return false;
    const int pen = image->pen & 0xff;
    int v = (bmPget(image, pen % 16, pen / 16) >> (8 * channel)) & 0xff;
    if (y <= 15) {
      v++;
    } else if (y > height - 16) {
      v--;
    } else {
      v = (height - y - 18) * 255 / (height - 36);
      repeat = 0;
    }
    setChannel(channel, v);
  }
  invalidate();
  push();
  return true;
}

void cCMAP::onCommand(int id) {
  uint32_t map[256];
  switch (id) {
    case 33013:
      palGray(map);
      break;
    case 33014:
      palDirect(map);
      break;
    case 32861:
      palSystem(map);
      break;
    case 33033:
      undoApply(image);
      push();
      invalidate();
      return;
    default:
      cWIN::onCommand(id);
      return;
  }
  // The palettes join the current undo step.
  if (BM* pal = palImage(map)) {
    bmPaste(image, pal, 0, 0, 0);
    bmFre(pal);
  }
  invalidate();
  push();
}

void cCMAP::drawContent() {
  const int g = gridWidth(), h = height;
  if (!image || g <= 0) return;
  for (int i = 0; i < 256; i++) {
    const int c = i % 16, r = i / 16;
    fillRect(c * g / 16, r * h / 16, (c + 1) * g / 16, (r + 1) * h / 16,
             screenColour(bmPget(image, c, r)));
  }
  const int pen = image->pen & 0xff, c = pen % 16, r = pen / 16;
  drawFrame(c * g / 16, r * h / 16, (c + 1) * g / 16 - c * g / 16, (r + 1) * h / 16 - r * h / 16, 1,
            1);
  drawBars();
  ovlPaint(this, overlays);
}

void cCMAP::drawBars() {
  const int g = gridWidth(), h = height;
  const int pen = image->pen & 0xff;
  const uint32_t entry = bmPget(image, pen % 16, pen / 16);
  for (int k = 0; k < 4; k++) {
    const int x = g + kBarWidth * k;
    const int v = (entry >> (8 * k)) & 0xff;
    drawText(x + kBarWidth / 2, 0, 128, 0, RGB(0, 0, 0), "%s", kBarLabel[k]);
    drawText(x + kBarWidth / 2, h, 128, 256, RGB(0, 0, 0), "%02X", v);
    drawFrame(x, 16, kBarWidth, h - 32, 1, 2);
    const int level = h - v * (h - 36) / 255 - 18;
    fillRect(x + 2, 18, x + 30, level, RGB(0, 0, 0));
    fillRect(x + 2, level, x + 30, h - 18, kBarColour[k]);
  }
}

void cCMAP::onMouseMove(int x, int y) {
  if (dragging)
    hit(x, y);
  else
    cWIN::onMouseMove(x, y);
  tickwin = handle;
}

void cCMAP::onLButtonDown(int x, int y) {
  if (!hit(x, y)) {
    cWIN::onLButtonDown(x, y);
    return;
  }
  dragging = 1;
  repeat = 160;
  tickwin = handle;
  if (!GetCapture()) SetCapture(handle);
}

void cCMAP::onLButtonUp() {
  dragging = 0;
  cWIN::onLButtonUp();
}

void cCMAP::onTick() {
  if (!dragging || !repeat) return;
  const int before = repeat;
  repeat -= 16;
  if (before <= 16) {
    hit(mousex, mousey);
    repeat = 16;
  }
}

int cCMAP::onDestroy() {
  auto* doc = static_cast<cWIN*>(owner);
  if (doc && xwinAlive(doc) && doc->cmapwin == this) doc->cmapwin = nullptr;
  return cWIN::onDestroy();
}

double cCMAP::scale() { return gridWidth() / 16.0; }
double cCMAP::toWinX(double wx) { return gridWidth() * wx / 16; }
double cCMAP::toWinY(double wy) { return height * wy / 16; }
double cCMAP::toWorldX(double x) { return gridWidth() > 0 ? x * 16 / gridWidth() : -1; }
double cCMAP::toWorldY(double y) { return height > 0 ? y * 16 / height : -1; }

void cmapOpen(cWIN* doc, int sx, int sy) {
  if (doc->cmapwin || doc->kind != WIN_DOC) return;
  auto* cm = new cCMAP(doc);
  cm->setPos(sx, sy);
  if (!cm->image || cm->create(384, 256) != 0) {
    delete cm;
    return;
  }
  doc->cmapwin = cm;
}
