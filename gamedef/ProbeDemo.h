#pragma once
// Probe expressions: small reads of a demo file's raw bytes written in game
// definitions.
//   psd::POS::LEN::hex:BYTES                  "ok" when the window equals BYTES
//   fsd::POS::LEN::hex:BYTES                  "ok" when BYTES occur in the window
//   rvd::POS::LEN::hex:START::SKIP::ADJUST::END
//                                             the value between START and END
// POS is 1-based ("lastposition" in rvd reads Session::LastPosition), LEN at
// most 4096. Any other non-empty expression gives "", an empty one "/".

#include <string>

namespace fenlark {

class Session;

inline constexpr std::size_t ProbeWindowSize = 4096;

// The answers of a test, and of any expression that finds nothing.
inline constexpr const char* ProbeOk = "ok";
inline constexpr const char* ProbeNotFound = "/";

// Evaluates one expression against the demo file. A missing or empty demo
// file shows text 085 and ends the program (throws ProgramEnded).
std::string ProbeDemo(Session& session, const std::string& expression, const std::string& demoPath);

// Decodes pairs of hexadecimal digits into bytes; a pair that is not
// hexadecimal is left out, a last odd digit is ignored.
std::string DecodeByteString(const std::string& digits);

} // namespace fenlark
