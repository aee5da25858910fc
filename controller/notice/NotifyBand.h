// Where the notice's header band goes: the tile bitmap repeated along the top edge from the left,
// and the end piece so that it ends at the right edge. Portable.
#pragma once

#include "platform/Dialogs.h"

#include <vector>

namespace notice {

struct BandPiece {
    platform::ResourceId bitmap;
    int x; // left edge; the band lies at y = 0
};

// The pieces for a client area `clientWidth` pixels wide, in drawing order: the tile at x = 0 and
// at every next tile position left of the end piece (and of the right edge), then the end piece
// at clientWidth − endWidth. A client area narrower than the end piece gets only the end piece,
// starting left of the window edge. A tile without width is never repeated.
std::vector<BandPiece> notifyBandLayout(int clientWidth, int tileWidth, int endWidth);

// Draws the band into `paint` from the program's bitmaps; stops at the first bitmap that cannot
// be loaded or drawn. Returns the pieces drawn.
int paintNotifyBand(platform::DialogPaint& paint);

} // namespace notice
