// The pure half of drawing a magnified image: clip the image to the target,
// cut the visible block out of the pixels and scale it by nearest neighbour in
// 16.16 fixed point. Only the final blit is a platform call (std/xwin).
//
// The scaled block is DW x DH pixels at window position (X, Y); its visible
// part (vx, vy, vw, vh, relative to (X, Y)) is all that is ever produced, so a
// huge magnification costs no more than the window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "std/viewmath.h"

struct BLITPLAN {
  int c0, r0;  // first column and row of the block in the image
  int n, m;    // block size in image pixels
  int X, Y;    // window position of the scaled block
  int DW, DH;  // scaled block size
  int vx, vy;  // visible part of the scaled block, relative to (X, Y)
  int vw, vh;
};

// Plans the drawing of a w x h image whose top-left corner is at world
// (wx, wy), for a target of tw x th pixels. False when nothing is visible.
bool blitPlan(const VIEWXF& t, int tw, int th, int w, int h, double wx, double wy, BLITPLAN* p);

// Copies the plan's n x m block of f-byte pixels into `block`; parts of the
// block outside the image get the byte 128.
void blitBlock(const uint8_t* pixels, int w, int h, int f, const BLITPLAN& p, uint8_t* block);

// Where the scaling reads the block: straight from the image when the block
// lies inside it (the usual case), else from a copy made by blitBlock in
// `scratch`. Sets the row distance of the returned pixels.
const uint8_t* blitSource(const uint8_t* pixels, int w, int h, int f, const BLITPLAN& p,
                          std::vector<uint8_t>* scratch, size_t* srcStride);

// Scales the n x m block of f-byte pixels (f = 1 or 4) to the visible part of
// DW x DH: destination pixel (i, j) takes source column (i * stepx) >> 16 and
// row (j * stepy) >> 16, stepx = n * 65536 / DW. Rows of `out` are `stride`
// bytes apart (at least vw * f). With `toDevice`, 4-byte pixels leave as
// B, G, R, 0 (device order; alpha is not shown).
void blitScale(const uint8_t* src, size_t srcStride, int f, const BLITPLAN& p, uint8_t* out,
               size_t stride, bool toDevice = false);

// Scales like blitScale into 4-byte device pixels (B, G, R, 0): 4-byte
// pixels are reordered, 1-byte pixels become table[index] (256 entries
// already in device order). Draws straight into a paint buffer.
void blitScaleDevice(const uint8_t* src, size_t srcStride, int f, const BLITPLAN& p, uint8_t* out,
                     size_t stride, const uint32_t* table);

// Narrows the visible part of the plan to the window rectangle
// [x0, x1) x [y0, y1); the block and the scaling stay as they are, so a part
// drawn alone matches the same part of the whole. False when nothing is left.
bool blitClip(BLITPLAN* p, int x0, int y0, int x1, int y1);

// The whole of an n x m -> dw x dh scaling (used by tests and by callers that
// want the full result).
void scaleNearest(const uint8_t* src, int n, int m, int f, uint8_t* dst, int dw, int dh);

// R, G, B, A -> B, G, R, 0 in place (device order; alpha is not shown).
void rgbaToBgrx(uint8_t* p, size_t count);

// Bytes per device row of w pixels of f bytes (rows of a device bitmap are
// padded to 4 bytes).
inline size_t dibStride(int w, int f) { return (static_cast<size_t>(w) * f + 3) & ~size_t(3); }
