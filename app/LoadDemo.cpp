#include "app/LoadDemo.h"

#include "app/EngineReportMerge.h"
#include "core/ByteSource.h"
#include "core/Files.h"
#include "extract/ExtractDefinitionInfo.h"
#include "gamedef/DefinitionNames.h"
#include "gamedef/DefinitionReader.h"
#include "gamedef/MatchDefinition.h"
#include "q3reader/QuakeDemo.h"
#include "q3reader/QuakeReader.h"
#include "readers/EngineReaders.h"

#include <new>
#include <stdexcept>

namespace fenlark {

namespace {

constexpr std::size_t DigitGroup = 3;

// Information type 2: reads the demo's first message. A reading that stops
// keeps what it showed, and matching goes on.
void RunQuakeReader(Session& session) {
    try {
        ReadDemoInformation(session, session.DemoPath);
    } catch (const ReadingError&) {
        return;
    }
    session.summary.cmdCreateDemoLogEnabled = true;
}

// A definition-driven demo whose section names a built-in reader: the reader
// reads as far as the window needs, and what it found joins what the
// extraction showed. An unknown name or a file that cannot be opened adds
// nothing.
void RunEngineReader(Session& session) {
    const readers::EngineReaderEntry* reader = FindBuiltInReader(session);
    if (reader == nullptr) {
        return;
    }
    // The demo's bytes when the session carries them, else its file.
    std::unique_ptr<FileSource> file;
    ByteSource* source = session.demoBytes;
    if (source == nullptr) {
        file = FileSource::open(session.DemoPath);
        source = file.get();
    }
    if (source == nullptr) {
        return;
    }
    // Readers report damage rather than throw; memory that runs out ends the
    // load like any other step's.
    MergeEngineReport(session.summary, reader->read(*source, readers::ReadDepth::Window));
}

// Game matching, then the reading the matched definition's type asks for.
void IdentifyDemo(Session& session) {
    const std::optional<DefinitionMatch> match = MatchDefinition(session, session.DemoPath);
    if (!match) {
        session.showLanguageMessage(MessageIcon::Warning, LanguageText::NoMatchingDefinition);
        session.ui.hideWait();
        return;
    }
    session.summary.txtDemoType = DemoTypeText(*match, DemoExtension(session.DemoPath));

    using definition::InformationType;
    switch (static_cast<InformationType>(match->informationType)) {
    case InformationType::DefinitionDriven:
        session.summary.cmdCreateDemoLogEnabled = true;
        ExtractDefinitionInfo(session);
        RunEngineReader(session);
        break;
    case InformationType::QuakeThreeProtocol:
        session.summary.cmdCreateDemoLogEnabled = true;
        RunQuakeReader(session);
        break;
    default:
        session.summary.cmdCreateDemoLogEnabled = false;
        session.showLanguageMessage(MessageIcon::Critical,
                                    LanguageText::UnsupportedInformationType);
        session.ui.hideWait();
        return;
    }

    if (!session.summary.lstOtherInfo.rows.empty()) {
        session.summary.lstOtherInfo.selectedRow = 0;
    }
    session.ui.hideWait();
}

} // namespace

void ReportOutOfMemory(Session& session) {
    // Nothing here may allocate much: the box's text is short and the lists
    // already hold what was read.
    session.ui.hideWait();
    try {
        session.showLanguageMessage(MessageIcon::Critical, LanguageText::OutOfMemory);
    } catch (const std::bad_alloc&) {
    }
}

const readers::EngineReaderEntry* FindBuiltInReader(const Session& session) {
    const std::string name = ReadDefinitionValue(
        session.currentDefinitionPath(),
        definition::InformationSectionPrefix + session.MatchedExtension, definition::Reader, "");
    return name.empty() ? nullptr : readers::FindEngineReader(name);
}

std::string FormatFileSize(std::string digits) {
    for (std::size_t end = digits.size(); end > DigitGroup; end -= DigitGroup) {
        digits.insert(end - DigitGroup, 1, ',');
    }
    return digits;
}

void ClearDemoFields(DemoSummary& summary) {
    summary.txtDemoProtocol.clear();
    summary.txtDemoType.clear();
    summary.txtFileSize.clear();
    summary.txtGameVersion.clear();
    summary.txtMap.clear();
    summary.txtMod.clear();
    summary.txtServername.clear();
    summary.lstPlayersBlue.clear();
    summary.lstPlayersRed.clear();
    summary.lstPlayersSpectators.clear();
    summary.lstOtherInfo.rows.clear();
    summary.lstOtherInfo.selectedRow.reset();
}

void LoadDemo(Session& session) {
    // Definition files are checked against the disk once per load.
    const DefinitionReadScope definitions;
    // The demo is opened once for the whole load: the size step, the probes
    // and the readers all read this open file. A path that does not open as a
    // regular file takes each step's own way (the size step's open may even
    // create the file), so the load shows the same either way.
    std::unique_ptr<FileSource> opened;
    if (session.demoBytes == nullptr) {
        opened = FileSource::open(session.DemoPath);
        session.demoBytes = opened.get();
    }
    struct ForgetOpened {
        Session& session;
        const ByteSource* opened;
        ~ForgetOpened() {
            if (opened != nullptr && session.demoBytes == opened) {
                session.demoBytes = nullptr;
            }
        }
    } forget{session, opened.get()};
    try {
        session.ui.showWait();
        ClearDemoFields(session.summary);
        std::string digits;
        // The size step opens the demo so that a missing file in an existing
        // folder is created empty; only a regular file has a size.
        const std::optional<std::uint64_t> length = session.demoBytes != nullptr
                                                        ? session.demoBytes->size()
                                                        : CreateOrMeasureFile(session.DemoPath);
        if (length) {
            digits = std::to_string(*length);
        }
        session.summary.txtFileSize = FormatFileSize(digits) + " bytes";
        IdentifyDemo(session);
    } catch (const ProgramEnded&) {
        session.programEnded = true;
    } catch (const std::bad_alloc&) {
        ReportOutOfMemory(session);
    } catch (const std::length_error&) { // a size beyond what a container can hold
        ReportOutOfMemory(session);
    }
}

} // namespace fenlark
