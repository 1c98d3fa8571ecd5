#include "MarkerScan.h"

#include "ImageInfo.h"

namespace ovs {

TMarkerScanEnd ScanMarkerSections(TBufferedFile& file, TMarkerVisitor& visitor, int32_t& sectionCount) {
    uint8_t first, second;
    if (!file.ReadByte(first) || !file.ReadByte(second)) throw EImageReadError();
    if (first != 0xFF || second != 0xD8) return TMarkerScanEnd::NoStartOfImage;

    sectionCount = 0;
    for (;;) {
        // Fill bytes and the marker's own prefix alike; a byte other than
        // 0xFF is the marker code even when no prefix came before it.
        uint8_t marker;
        do {
            if (!file.ReadByte(marker)) throw EImageReadError();
        } while (marker == 0xFF);

        // The length is read before the slot is counted, so that a file that
        // ends here leaves no slot of an earlier file counted as its own.
        uint8_t hi, lo;
        if (!file.ReadByte(hi) || !file.ReadByte(lo)) throw EImageReadError();
        const int32_t length = hi * 256 + lo;
        // The length counts its own two bytes; less cannot be stored.
        if (length < 2) throw EImageReadError();

        const int32_t slot = ++sectionCount;
        // A cut-off payload ends the scan, but what came before counts.
        if (!visitor.TakePayload(slot, marker, hi, lo, static_cast<size_t>(length) - 2, file))
            return TMarkerScanEnd::CutInPayload;

        bool stop = false;
        switch (marker) {
        case 0xD9:   // end of image
        case 0xDA:   // start of scan: the compressed data is never read
            stop = true;
            break;
        case 0xE0:   // APP0 (JFIF) is not kept
            --sectionCount;
            break;
        case 0xE1:
            // Only the first two kept sections may be the Exif block.
            if (slot <= 2)
                visitor.ExifSection(slot);
            else
                --sectionCount;
            break;
        case 0xED:
            visitor.IptcSection(slot);
            break;
        case 0xFE:
            visitor.CommentSection(slot);
            break;
        default:
            break;
        }
        if (stop || sectionCount >= MaxSections) return TMarkerScanEnd::Ended;
    }
}

} // namespace ovs
