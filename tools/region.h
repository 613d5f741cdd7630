// Region copies and their transforms: placement rules of the copy tools,
// resampling and rotation of a crop.
#pragma once

#include "image/bm.h"

// 1 when every pixel is transparent (alpha 0, or an index whose colour-map
// entry has alpha 0).
int bmAllTransparent(const BM* bm);

// Rectangle copy: the crop in the target's format pasted at (x, y),
// transparent unless opaque or the crop is entirely transparent.
void regionPlace(BM* target, const BM* crop, int x, int y, int opaque, int allTransparent);

// Back copy: the converted crop shows only where the target at (x, y) is
// transparent; pasted with the same transparency rule.
void regionBackPlace(BM* target, const BM* crop, int x, int y, int opaque, int allTransparent);

// Area-average resampling of src onto the size of dst (16.16 fixed point):
// direct colour averages the covered pixels that are not transparent, indexed
// images take the first covered pixel. Both must have the same depth;
// answers 0 and leaves dst alone otherwise.
int resample(BM* dst, const BM* src);
int resampleIdx(BM* dst, const BM* src);
// The same into a new w x h image of the source's depth and colour map. Null
// for an empty size or source (or resampleIdx of a direct-colour source).
BM* resample(int w, int h, const BM* src);
BM* resampleIdx(int w, int h, const BM* src);

// What the scale tool pastes: the crop in direct colour resampled to w x h,
// in a new direct-colour image carrying the destination's colour map. Null
// for an empty size.
BM* scaleCopy(const BM* crop, int w, int h, const BM* dest);

// Nearest-neighbour rotation about the image centre, in place; pixels whose
// source falls outside become 0.
void rotNearest(BM* bm, double angle);
