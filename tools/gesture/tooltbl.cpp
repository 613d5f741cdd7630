#include "tools/gesture/tooltbl.h"

#include "tools/gesture/tools.h"

// Button order of the document tool menu. Tools without a body yet are
// taken off the queue without effect.
const TOOLDEF tooltbl[] = {
    {33033, "アンドゥ", nullptr, 0},  // done by the tool menu itself, never queued
    {33028, "線分", toolTwoPoint, 0},
    {33061, "連続線分", toolPolyline, 0},
    {33060, "Bスプライン", toolPolyline, 1},
    {33002, "矩形", toolRectangle, 0},
    {33058, "円", toolTwoPoint, 2},
    {33059, "楕円", toolTwoPoint, 3},
    {33035, "左右反転", toolFilter, FLT_FLIPH},
    {33036, "上下反転", toolFilter, FLT_FLIPV},
    {33041, "文字描画", toolText, 0},
    {33003, "矩形フィル", toolRectangle, 1},
    {33004, "矩形コピー", toolCopy, 0},
    {33070, "裏コピー", toolCopy, 1},
    {33034, "拡大縮小", toolScale, 0},
    {33057, "回転", toolRotate, 0},
    {33001, "ペイント", toolPaint, 0},
    {33068, "サンプリングペイント", toolSamplePaint, 0},
    {33037, "ぼかす", toolFilter, FLT_BLUR},
    {33005, "縁取り", toolFilter, FLT_EDGE},
    {33006, "ふち削り", toolFilter, FLT_ERODE},
    {33026, "プッシュ", toolBevel, 1},
    {33027, "プル", toolBevel, 0},
    {33056, "シェーディングつき輪郭", toolFilter, FLT_OUTLINE},
    {33063, "色変換", toolColourConvert, 0},
    {33069, "エアブラシ", toolAirbrush, AIR_PLAIN},
    {33071, "エアブラシ(明るく)", toolAirbrush, AIR_LIGHTEN},
    {33072, "エアブラシ(暗く)", toolAirbrush, AIR_DARKEN},
    {33038, "明るくする", toolFilter, FLT_BRIGHTEN},
    {33039, "暗くする", toolFilter, FLT_DARKEN},
    {33053, "未実装", nullptr, 0},
    {33051, "透視変形", toolWarp, 0},
    {33052, "透視逆変形", toolWarp, 1},
    {0, nullptr, nullptr, 0},
};

namespace {

const TOOLDEF kGradient = {33048, "グラデーション作成", toolFilter, FLT_GRADIENT};
const TOOLDEF kOpenRegion = {33064, "範囲を指定してウィンドウをオープン", toolOpenRegion, 0};

}  // namespace

const TOOLDEF cmaptooltbl[] = {
    tooltbl[0],  tooltbl[10], tooltbl[11], tooltbl[7], tooltbl[8],
    tooltbl[27], tooltbl[28], tooltbl[23], kGradient,  {0, nullptr, nullptr, 0},
};

const TOOLDEF* toolOf(int32_t id) {
  for (const TOOLDEF* t = tooltbl; t->id; t++)
    if (t->id == id) return t;
  if (id == kGradient.id) return &kGradient;
  if (id == kOpenRegion.id) return &kOpenRegion;
  return nullptr;
}
