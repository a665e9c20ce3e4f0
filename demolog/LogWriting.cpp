#include "demolog/LogWriting.h"

#include "demolog/DemoLog.h"
#include "q3reader/QuakeDemo.h"

namespace fenlark {

void LogVisitor::configstring(std::int32_t index, std::string_view bytes) {
    AppendLogLine(logPath_, std::to_string(index) + ": " + DemoStringText(bytes));
}

void LogVisitor::serverCommand(std::int32_t sequence, std::string_view bytes) {
    AppendLogLine(logPath_, std::to_string(sequence) + ": " + DemoStringText(bytes));
}

void WriteDemoLog(Session& session, const std::string& demoPath, const std::string& logPath) {
    const std::unique_ptr<demoreader::DemoReader> reader = OpenQuakeDemo(session, demoPath);
    if (!reader) {
        return;
    }
    WriteLogHeader(logPath, demoPath);
    LogVisitor visitor(logPath);
    WalkQuakeDemo(session, *reader, visitor, ReadingExtent::EveryMessage);
    AppendLogLine(logPath, "\r\n- End of demo log.");
    session.showMessage(MessageIcon::Information, "Demo log created!");
    session.ui.hideWait();
}

} // namespace fenlark
