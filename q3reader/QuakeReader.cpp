#include "q3reader/QuakeReader.h"

#include "q3reader/QuakeDemo.h"
#include "q3reader/ServerInfo.h"

namespace fenlark {

void InformationVisitor::configstring(std::int32_t /*index*/, std::string_view bytes) {
    // Only server values ("\\key\\value...") and players ("n\\name...") are
    // shown; the other strings (models, sounds, ...) are not converted at all.
    // The conversion keeps ASCII letters and the backslash, so the raw bytes
    // tell.
    if (bytes.starts_with("\\")) {
        ShowServerInfo(session_, DemoStringText(bytes));
    } else if (bytes.starts_with("n\\")) {
        AddPlayer(session_, DemoStringText(bytes));
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
