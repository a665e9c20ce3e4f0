#include "q3reader/QuakeReader.h"

#include "q3reader/QuakeDemo.h"
#include "q3reader/ServerInfo.h"

namespace fenlark {

void InformationVisitor::configstring(std::int32_t /*index*/, std::string_view bytes) {
    const std::string text = DemoStringText(bytes);
    if (text.starts_with("\\")) {
        ShowServerInfo(session_, text);
    } else if (text.starts_with("n\\")) {
        AddPlayer(session_, text);
    }
}

void ReadDemoInformation(Session& session, const std::string& path) {
    const std::unique_ptr<demoreader::DemoReader> reader = OpenQuakeDemo(session, path);
    if (!reader) {
        return;
    }
    session.summary.lstOtherInfo.resetColumns();
    InformationVisitor visitor(session);
    WalkQuakeDemo(session, *reader, visitor, ReadingExtent::FirstMessage);
}

} // namespace fenlark
