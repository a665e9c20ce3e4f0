#include "demolog/LogWriting.h"

#include "core/Files.h"
#include "demolog/DemoLog.h"

namespace fenlark {

namespace {

DemoLogOutcome::Ending EndingOf(const WalkOutcome& walk) {
    using Ending = DemoLogOutcome::Ending;
    using demoreader::MessageStatus;
    if (walk.illegalOperation) {
        return Ending::IllegalOperation;
    }
    switch (walk.status) {
    case MessageStatus::EndMarker:
        return Ending::EndMarker;
    case MessageStatus::Truncated:
        return Ending::DataEndedInsideRecord;
    case MessageStatus::BadLength:
        return Ending::BadLength;
    case MessageStatus::ReadError:
    case MessageStatus::InvalidHandle:
        return Ending::ReadError;
    case MessageStatus::Ready:
    case MessageStatus::EndWithoutMarker:
        break;
    }
    return Ending::EndWithoutMarker;
}

void ShowLogNotWritten(Session& session, const std::string& reason) {
    if (auto text = session.languageText(LanguageText::LogNotWritten)) {
        session.showMessage(MessageIcon::Critical, *text + " " + reason,
                            LanguageTextId(session.LanguageNumber, LanguageText::LogNotWritten));
    }
}

} // namespace

const char* DemoLogEndingName(DemoLogOutcome::Ending ending) {
    using Ending = DemoLogOutcome::Ending;
    switch (ending) {
    case Ending::NotWritten:
        return "notWritten";
    case Ending::EndMarker:
        return "endMarker";
    case Ending::EndWithoutMarker:
        return "endWithoutMarker";
    case Ending::DataEndedInsideRecord:
        return "dataEndedInsideRecord";
    case Ending::BadLength:
        return "badLength";
    case Ending::IllegalOperation:
        return "illegalOperation";
    case Ending::ReadError:
        return "readError";
    case Ending::WriteError:
        break;
    }
    return "writeError";
}

void LogVisitor::configstring(std::int32_t index, std::string_view bytes) {
    AppendLogLine(logPath_, std::to_string(index) + ": " + DemoStringText(bytes));
}

void LogVisitor::serverCommand(std::int32_t sequence, std::string_view bytes) {
    AppendLogLine(logPath_, std::to_string(sequence) + ": " + DemoStringText(bytes));
}

DemoLogOutcome WriteDemoLog(Session& session, const std::string& demoPath,
                            const std::string& logPath) {
    DemoLogOutcome outcome;
    // Writing the log over the demo would destroy what it is made from.
    if (IsSameFile(demoPath, logPath)) {
        session.showLanguageMessage(MessageIcon::Critical, LanguageText::LogWouldReplaceDemo);
        session.ui.hideWait();
        return outcome;
    }
    const std::unique_ptr<demoreader::DemoReader> reader = OpenQuakeDemo(session, demoPath);
    if (!reader) {
        return outcome;
    }
    LogVisitor visitor(logPath);
    try {
        WriteLogHeader(logPath, demoPath);
        const WalkOutcome walk =
            WalkQuakeDemo(session, *reader, visitor, ReadingExtent::EveryMessage);
        outcome.ending = EndingOf(walk);
        outcome.messagesRead = walk.messagesRead;
        AppendLogLine(logPath, "\r\n- End of demo log.");
    } catch (const LogWriteError& error) {
        outcome.ending = DemoLogOutcome::Ending::WriteError;
        outcome.messagesRead = visitor.messagesBegun;
        session.ui.hideWait();
        ShowLogNotWritten(session, error.what());
        return outcome;
    }
    session.showMessage(MessageIcon::Information, "Demo log created!");
    outcome.created = true;
    session.ui.hideWait();
    return outcome;
}

} // namespace fenlark
