#pragma once
// Matching a demo to a game definition by its extension and identification
// probe. The match is returned; what to read with it is the caller's choice.

#include <cstdint>
#include <optional>
#include <string>

namespace fenlark {

class Session;

struct DefinitionMatch {
    std::string gameName;
    std::string versionText;
    // The definition's "Fenlark Type" (definition::InformationType); a value
    // that does not convert keeps the one of the candidate examined before.
    std::int16_t informationType = 0;
};

// Walks the definition files in name order and accepts the first one that
// lists the demo's extension and whose probe does not answer "/". Leaves the
// session's lstKgd selection on the last definition examined,
// MatchedExtension on the entry compared last and txtGameVersion on the last
// candidate's version. std::nullopt when no definition accepts the demo.
// Throws ProgramEnded when a probe finds the demo missing or empty.
std::optional<DefinitionMatch> MatchDefinition(Session& session, const std::string& demoPath);

// "<game name> <version> (.<extension>)", as txtDemoType shows a match.
std::string DemoTypeText(const DefinitionMatch& match, const std::string& extension);

// The extension of a path: the text after its last ".", case kept.
std::string DemoExtension(const std::string& path);

} // namespace fenlark
