#include "cli/FlowDescriber.h"

#include "app/LoadDemo.h"
#include "app/Session.h"

namespace fenlark::cli {

namespace {

// Message boxes become text; dialogs are cancelled; nothing waits for a user.
class CollectingInterface : public UserInterface {
public:
    void showMessage(const Message& message) override { messages.push_back(message.text); }
    void showWait() override {}
    void hideWait() override {}
    std::optional<std::string> askOpenFile(const FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::string> askSaveFile(const FileDialogRequest&) override {
        return std::nullopt;
    }
    void endProgram() override {}

    std::vector<std::string> messages;
};

// The window model holds one byte per character, shown as Latin-1.
// Latin-1 is the first 256 code points: 80..FF become two bytes, C2 or C3
// followed by the low six bits.
std::string Latin1ToUtf8(const std::string& bytes) {
    constexpr unsigned char AsciiEnd = 0x80;
    constexpr unsigned char TwoByteLead = 0xC0;
    constexpr unsigned char Continuation = 0x80;
    constexpr unsigned LowBits = 6;
    constexpr unsigned char LowMask = (1U << LowBits) - 1;
    std::string text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < AsciiEnd) {
            text += c;
        } else {
            text += static_cast<char>(TwoByteLead | (byte >> LowBits));
            text += static_cast<char>(Continuation | (byte & LowMask));
        }
    }
    return text;
}

// Message boxes break lines with CR LF; a row keeps one message per line.
std::string OneLine(const std::string& text) {
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        line += (text[i] == '\n' || text[i] == '\r') ? ' ' : text[i];
    }
    return line;
}

class FlowDescriber final : public library::DemoDescriber {
public:
    explicit FlowDescriber(const FlowSettings& settings)
        : session_(interface_, settings.programFolder) {
        if (!settings.definitionsFolder.empty()) {
            session_.setDefinitionsFolder(settings.definitionsFolder);
        }
        session_.LanguageNumber = settings.languageNumber;
    }

    library::DemoInfo describe(ByteSource&, const library::DemoLocation& location,
                               const std::string&) override {
        library::DemoInfo info;
        if (location.inArchive()) {
            // The loading flow opens demos by path; a member exists only in memory.
            info.message = "demos inside archives are not read by the loading flow yet";
            return info;
        }
        interface_.messages.clear();
        session_.programEnded = false;
        session_.DemoPath = location.path;
        LoadDemo(session_);

        const DemoSummary& summary = session_.summary;
        info.game = Latin1ToUtf8(summary.txtGameVersion);
        info.demoType = Latin1ToUtf8(summary.txtDemoType);
        info.protocol = Latin1ToUtf8(summary.txtDemoProtocol);
        info.map = Latin1ToUtf8(summary.txtMap);
        info.server = Latin1ToUtf8(summary.txtServername);
        info.mod = Latin1ToUtf8(summary.txtMod);
        for (const PlayerList* list :
             {&summary.lstPlayersBlue, &summary.lstPlayersRed, &summary.lstPlayersSpectators}) {
            for (const std::string& name : list->items) {
                info.players.push_back(Latin1ToUtf8(name));
            }
        }
        for (const std::string& message : interface_.messages) {
            info.message += (info.message.empty() ? "" : "\n") + Latin1ToUtf8(OneLine(message));
        }
        return info;
    }

private:
    CollectingInterface interface_;
    Session session_;
};

} // namespace

library::DescriberFactory FlowDescribers(FlowSettings settings) {
    return [settings = std::move(settings)] { return std::make_unique<FlowDescriber>(settings); };
}

} // namespace fenlark::cli
