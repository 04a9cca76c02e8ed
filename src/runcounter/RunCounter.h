#pragma once

#include <string>

namespace mendora {

// Counts a run in the counter file when it exists: reads one integer the way
// a formatted text read does and writes it back plus one (wrapping on 32
// bits), as plain decimal digits without a line end. Never creates the file.
// Throws mendora::IoError ("Invalid numeric input", "File access denied", ...);
// the file is replaced atomically, so a failure leaves it as it was.
void updateRunCounter(const std::string &path);

} // namespace mendora
