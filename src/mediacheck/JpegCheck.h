// JPEG pictures judged by libjpeg: its warnings are the clearest sign of
// damage (corrupt entropy data, a premature end, bad markers). What it finds
// is evidence for the verdict; see Evidence.h.
#pragma once

#include "mediacheck/ByteSource.h"
#include "mediacheck/Evidence.h"
#include "mediacheck/MediaCheck.h"

#include <optional>

namespace mendora::mediacheck {

// Whether the bytes begin as a JPEG picture does (SOI and a marker).
bool looksLikeJpeg(ByteSource &source);

struct JpegRun {
    JpegEvidence evidence;
    int readError = 0; // a failed read's system error number
    bool cancelled = false;
};

// Decodes the picture with libjpeg, reporting its progress in bytes read.
JpegRun checkJpeg(ByteSource &source, const CheckControl &control);

} // namespace mendora::mediacheck
