#pragma once
// The log mode of a Quake III protocol demo: every message is walked and each
// configstring and server command becomes one line of the demo log.

#include "demoreader/MessageWalk.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace fenlark {

class Session;

// Writes "<index>: <text>" for each configstring and "<sequence>: <text>"
// for each server command.
class LogVisitor : public demoreader::NullMessageVisitor {
public:
    explicit LogVisitor(std::string logPath) : logPath_(std::move(logPath)) {}
    void configstring(std::int32_t index, std::string_view bytes);
    void serverCommand(std::int32_t sequence, std::string_view bytes);

private:
    std::string logPath_;
};

// Opens `demoPath`; when it opens, replaces the log at `logPath` with its
// header and one line per configstring and server command, ends it and shows
// "Demo log created!". Throws ReadingError when a line cannot be written.
void WriteDemoLog(Session& session, const std::string& demoPath, const std::string& logPath);

} // namespace fenlark
