// Colour maps the colour-map window offers under "初期化", as data.
#pragma once

#include <cstdint>

struct BM;

// Entry i = (i, i, i), alpha 0 for entry 0, else 255 (the default map).
void palGray(uint32_t cmap[256]);
// Red, green and blue each from two bits of the index (68 per step) plus the
// low two bits (17 per step); alpha 0 for entry 0, else 255. Also the colour
// map of new images.
void palDirect(uint32_t cmap[256]);
// The sixteen window colours, a 6 x 6 x 6 cube from white down, then black;
// all opaque.
void palSystem(uint32_t cmap[256]);
// A 16 x 16 direct-colour image whose pixel i is entry i, as the colour-map
// window pastes it. Null when it cannot be allocated.
BM* palImage(const uint32_t cmap[256]);
