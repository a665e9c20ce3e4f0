#pragma once
// The log mode of a Quake III protocol demo: every message is walked and each
// configstring and server command becomes one line of the demo log.

#include "demoreader/MessageWalk.h"
#include "q3reader/QuakeDemo.h"

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
    void messageBegin(std::int32_t /*acknowledge*/) { ++messagesBegun; }
    void configstring(std::int32_t index, std::string_view bytes);
    void serverCommand(std::int32_t sequence, std::string_view bytes);

    std::uint64_t messagesBegun = 0;

private:
    std::string logPath_;
};

// How one run of the log mode ended, for scripts that must tell a complete
// log from a cut one.
struct DemoLogOutcome {
    enum class Ending : std::uint8_t {
        NotWritten,            // stopped before the header: no file was touched
        EndMarker,             // the demo's end marker was reached
        EndWithoutMarker,      // the file ended after a whole record, without marker
        DataEndedInsideRecord, // the file ended inside a record
        BadLength,             // a record claimed an impossible length
        IllegalOperation,      // a message held an operation the protocol does not have
        ReadError,             // the system reported a read error
        WriteError,            // a log line could not be written
    };
    Ending ending = Ending::NotWritten;
    std::uint64_t messagesRead = 0;
    bool created = false; // "Demo log created!" was shown
};

// A name for scripts: "endMarker", "dataEndedInsideRecord", ...
const char* DemoLogEndingName(DemoLogOutcome::Ending ending);

// Writes the demo log of `demoPath` to `logPath` and shows "Demo log
// created!". Nothing is written when `logPath` is the demo itself (by any
// name) or the demo cannot be opened; a log that cannot be written shows why.
DemoLogOutcome WriteDemoLog(Session& session, const std::string& demoPath,
                            const std::string& logPath);

} // namespace fenlark
