#include "ImageInfo.h"

namespace ovs {

void TImageInfo::Reset() {
    // The two value positions are left alone on purpose: the walker writes
    // them and nobody resets them between files.
    const int32_t heightValuePos = HeightValuePos;
    const int32_t widthValuePos = WidthValuePos;
    *this = TImageInfo();
    HeightValuePos = heightValuePos;
    WidthValuePos = widthValuePos;
}

} // namespace ovs
