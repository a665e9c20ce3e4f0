#pragma once
// The information mode of a Quake III protocol demo: its first message (the
// gamestate) is walked, and its configstrings become server values and
// players in the window model.

#include "demoreader/MessageWalk.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace fenlark {

class Session;

// Routes the configstrings of a gamestate by their text: "\..." lists server
// values, "n\..." adds a player; every other configstring is passed over.
class InformationVisitor : public demoreader::NullMessageVisitor {
public:
    explicit InformationVisitor(Session& session) : session_(session) {}
    void configstring(std::int32_t index, std::string_view bytes);

private:
    Session& session_;
};

// Opens `path` and reads its first message into the session's window model,
// after setting up the columns of the other-information list. Throws
// ReadingError (and ProgramEnded) to its caller; what was shown stays.
void ReadDemoInformation(Session& session, const std::string& path);

} // namespace fenlark
