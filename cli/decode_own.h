#pragma once
// decode --own: the built-in JPEG decoder behind lumaret-cli's decode command.
#include <string>

namespace cli {

// Decodes the JPEG file `in` with CJPEGDecoder and writes `out` as PPM. Returns the exit
// status; a decoder failure gives kExitUsage with the decoder's status in the message.
int DecodeWithOwnDecoder(const std::string& in, const std::string& out);

}  // namespace cli
