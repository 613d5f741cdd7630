// The context menu over a document or colour-map window at client (x, y).
#pragma once

class cWIN;

void ctxMenu(cWIN* w, int x, int y);
