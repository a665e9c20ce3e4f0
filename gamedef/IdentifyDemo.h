#pragma once
// Matching a demo to a game definition by its extension and identification
// probe, then dispatching on the definition's information type.

#include <string>

namespace fenlark {

class Session;

// Section and key names of the definition files.
inline constexpr const char* GameSection = "Kalvenor Game";
inline constexpr const char* InformationSectionPrefix = "Fenlark - ";

void IdentifyDemo(Session& session, const std::string& demoPath);

// Information type 2: reads the demo's first message, then enables the log button.
void RunQuakeReader(Session& session);

// The extension of a path: the text after its last ".", case kept.
std::string DemoExtension(const std::string& path);

} // namespace fenlark
