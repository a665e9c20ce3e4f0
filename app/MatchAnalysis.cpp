#include "app/MatchAnalysis.h"

#include "app/LoadDemo.h"
#include "app/QuakeThreeMatch.h"
#include "core/ByteSource.h"
#include "core/WholeNumber.h"
#include "gamedef/DefinitionNames.h"
#include "gamedef/DefinitionReader.h"

#include <algorithm>
#include <exception>
#include <memory>

namespace fenlark {

namespace {

constexpr std::uint64_t ProgressStep = 1U << 20; // report every MiB read

// A source that reports how far a reader has read and, once cancelled, ends
// the data there: every reader stops at the end of its data, so no reader
// needs to know about cancelling.
class ProgressSource final : public ByteSource {
public:
    ProgressSource(ByteSource& inner, const MatchAnalysisOptions& options)
        : inner_(inner), options_(options) {}

    std::uint64_t size() const override { return inner_.size(); }

    std::optional<std::size_t> readAt(std::uint64_t offset, std::span<std::uint8_t> into) override {
        if (options_.cancel != nullptr && options_.cancel->load(std::memory_order_relaxed)) {
            cancelled_ = true;
            return 0;
        }
        const std::optional<std::size_t> read = inner_.readAt(offset, into);
        if (read) {
            reached_ = std::max(reached_, offset + *read);
            if (options_.progress && reached_ >= reported_ + ProgressStep) {
                reported_ = reached_;
                options_.progress(reached_, size());
            }
        }
        return read;
    }

    bool cancelled() const { return cancelled_; }
    std::uint64_t reached() const { return reached_; }

private:
    ByteSource& inner_;
    const MatchAnalysisOptions& options_;
    std::uint64_t reached_ = 0;
    std::uint64_t reported_ = 0;
    bool cancelled_ = false;
};

MatchFacts ReadWithEngineReader(const MatchAnalysisRequest& request,
                                const MatchAnalysisOptions& options) {
    MatchFacts facts;
    const std::unique_ptr<FileSource> file = FileSource::open(request.demoPath);
    if (!file) {
        facts.ended.reason = "read error";
        return facts;
    }
    ProgressSource source(*file, options);
    try {
        facts = request.reader->read(source, readers::ReadDepth::WholeFile).match;
    } catch (const std::exception& error) {
        // Readers report damage rather than throw; only memory can run out.
        facts.ended.reason = "read error";
        facts.ended.detail = error.what();
    }
    if (source.cancelled()) {
        facts.ended.reason = "cancelled";
    }
    if (options.progress) {
        options.progress(source.reached(), source.size());
    }
    return facts;
}

} // namespace

MatchAnalysisRequest PrepareMatchAnalysis(const Session& session) {
    MatchAnalysisRequest request;
    // A load that matched a definition shows its demo type.
    if (session.summary.txtDemoType.empty() || session.currentDefinitionPath().empty()) {
        return request;
    }
    const std::optional<std::int16_t> type = ConvertInt16(
        ReadDefinitionValue(session.currentDefinitionPath(),
                            definition::InformationSectionPrefix + session.MatchedExtension,
                            definition::InformationTypeKey, ""));
    if (!type) {
        return request;
    }
    request.demoPath = session.DemoPath;
    switch (static_cast<definition::InformationType>(*type)) {
    case definition::InformationType::QuakeThreeProtocol:
        request.kind = MatchAnalysisRequest::Kind::QuakeThree;
        break;
    case definition::InformationType::DefinitionDriven:
        request.reader = FindBuiltInReader(session);
        if (request.reader != nullptr) {
            request.kind = MatchAnalysisRequest::Kind::EngineReader;
        }
        break;
    default:
        break;
    }
    return request;
}

std::optional<MatchFacts> RunMatchAnalysis(const MatchAnalysisRequest& request,
                                           const MatchAnalysisOptions& options) {
    switch (request.kind) {
    case MatchAnalysisRequest::Kind::QuakeThree:
        return AnalyseQuakeThreeDemo(request.demoPath, options);
    case MatchAnalysisRequest::Kind::EngineReader:
        if (request.reader != nullptr) {
            return ReadWithEngineReader(request, options);
        }
        return std::nullopt;
    case MatchAnalysisRequest::Kind::None:
        break;
    }
    return std::nullopt;
}

std::optional<MatchFacts> AnalyseCurrentDemo(const Session& session,
                                             const MatchAnalysisOptions& options) {
    return RunMatchAnalysis(PrepareMatchAnalysis(session), options);
}

} // namespace fenlark
