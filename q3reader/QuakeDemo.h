#pragma once
// Reading a Quake III protocol demo through the reader library's message
// walk: opening it, walking its first or every message with a visitor, and
// the message boxes a reading shows when it cannot go on. The information
// mode (QuakeReader.h) and the demo log are visitors of this one reading.

#include "core/Session.h"
#include "demoreader/DemoReader.h"
#include "demoreader/MessageWalk.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace fenlark {

// An error that ends a whole reading (a player text that cannot be taken
// apart, a log line that cannot be written). What was shown or written stays.
struct ReadingError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Opens the demo at `path`. When it cannot be opened the failure box is shown
// and the result is nullptr.
std::unique_ptr<demoreader::DemoReader> OpenQuakeDemo(Session& session, const std::string& path);

// Shows the box of a walk that stopped on an operation the protocol does not
// have (`end` tells where it stood).
void ShowIllegalOperation(Session& session, demoreader::WalkEnd end);

enum class ReadingExtent : std::uint8_t { FirstMessage, EveryMessage };

// How a walk ended: the reader's status after the last record it read,
// whether an illegal operation stopped it, and how many whole messages it read.
struct WalkOutcome {
    demoreader::MessageStatus status = demoreader::MessageStatus::Ready;
    bool illegalOperation = false;
    std::uint64_t messagesRead = 0;
};

// Walks the demo's first message, or every message until the demo ends. An
// illegal operation shows its box and ends the reading; exceptions of the
// visitor (ReadingError) end it too and reach the caller.
template <class Visitor>
WalkOutcome WalkQuakeDemo(Session& session, demoreader::DemoReader& reader, Visitor& visitor,
                          ReadingExtent extent) {
    WalkOutcome outcome;
    for (;;) {
        // A message that is not Ready reads empty; it is walked all the same.
        outcome.status = reader.readNextMessage();
        if (outcome.status == demoreader::MessageStatus::Ready) {
            ++outcome.messagesRead;
        }
        const demoreader::WalkEnd end = demoreader::WalkMessage(reader, visitor);
        if (end != demoreader::WalkEnd::EndOfMessage) {
            outcome.illegalOperation = true;
            ShowIllegalOperation(session, end);
            return outcome;
        }
        if (extent == ReadingExtent::FirstMessage ||
            outcome.status != demoreader::MessageStatus::Ready) {
            return outcome;
        }
    }
}

// A string of a message as the tool shows it: bytes above 127 and "%" become ".".
std::string DemoStringText(std::string_view bytes);

} // namespace fenlark
