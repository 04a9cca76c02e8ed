// Decoding of JPEG pictures held in memory, by calling libjpeg directly.
#pragma once

#include <QImage>
#include <string_view>

namespace mendora {

// Decodes a JPEG picture into an RGB image. Damaged data of any kind (a bad
// header, a truncated or garbled stream, even one that libjpeg would only warn
// about and patch with grey) throws mendora::Error with libjpeg's message.
QImage decodeJpeg(std::string_view data);

} // namespace mendora
