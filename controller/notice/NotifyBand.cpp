// The notice's header band. Portable.
#include "controller/notice/NotifyBand.h"

#include "controller/SentrixdResources.h"

namespace notice {

std::vector<BandPiece> notifyBandLayout(int clientWidth, int tileWidth, int endWidth) {
    std::vector<BandPiece> pieces;
    const long long endX = static_cast<long long>(clientWidth) - endWidth;
    if (tileWidth > 0) {
        for (long long x = 0; x < endX && x < clientWidth; x += tileWidth) {
            pieces.push_back({IDB_NOTIFY_BAND_TILE, static_cast<int>(x)});
        }
    }
    pieces.push_back({IDB_NOTIFY_BAND_END, static_cast<int>(endX)});
    return pieces;
}

int paintNotifyBand(platform::DialogPaint& paint) {
    int tileWidth = 0, endWidth = 0, height = 0;
    if (!paint.bitmapSize(IDB_NOTIFY_BAND_END, endWidth, height) ||
        !paint.bitmapSize(IDB_NOTIFY_BAND_TILE, tileWidth, height)) {
        return 0;
    }
    int drawn = 0;
    for (const BandPiece& piece : notifyBandLayout(paint.clientWidth(), tileWidth, endWidth)) {
        if (!paint.drawBitmap(piece.bitmap, piece.x, 0)) {
            break;
        }
        ++drawn;
    }
    return drawn;
}

} // namespace notice
