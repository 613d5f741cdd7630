// Making a direct-colour image indexed: quantise its pixels to a colour map
// of at most maxcmapn - top new colours and store one index per pixel.
#pragma once

struct BM;

// Logs the colour map and the whole image first, so the step can be undone.
// Leaves images that are not direct colour (and images whose index buffer
// cannot be allocated) as they are. The record's cmapn becomes the number of
// meaningful entries: the `top` leading ones plus the new colours.
void bmIndex(BM* bm, int maxcmapn, int top, int diffuse);
