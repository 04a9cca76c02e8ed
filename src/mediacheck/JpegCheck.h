// JPEG pictures judged by libjpeg: its warnings are the clearest sign of
// damage (corrupt entropy data, a premature end, bad markers).
#pragma once

#include "mediacheck/MediaCheck.h"
#include "mediacheck/Structure.h"

#include <optional>

namespace mendora::mediacheck {

// Whether the bytes begin as a JPEG picture does (SOI and a marker).
bool looksLikeJpeg(ByteSource &source);

// The verdict on a JPEG picture, or nothing when cancelled.
std::optional<Finding> checkJpeg(ByteSource &source, const CheckControl &control);

} // namespace mendora::mediacheck
