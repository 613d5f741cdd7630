// One level of undo per image. The image operations append to the image's
// change log what they are about to overwrite (record kinds and header in
// image/bmlog.h); a step begins by clearing the log, and undo replays the log
// newest first, then clears it.
#pragma once

#include "image/bm.h"
#include "image/bmlog.h"

// Starts a new step: forgets what the log held.
void undoBegin(BM* bm);
// Restores the image to its state at the beginning of the step and clears
// the log. Records that no longer fit the image (a change of size or depth
// that was not logged) are skipped rather than replayed out of place.
// Does not touch `modified`.
void undoApply(BM* bm);
// Appends the whole image (buffer, size, depth) to the present step. Callers
// about to change size or depth without a logging operation use it, e.g. the
// change to direct colour: undoBegin, undoWholeImage, bmDirect.
int undoWholeImage(BM* bm);
// A step of its own holding the whole image: what the +-90 degree rotations
// start with, so their undo reverts the rotation only.
int undoBeginWholeImage(BM* bm);
