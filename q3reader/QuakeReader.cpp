#include "q3reader/QuakeReader.h"

#include "app/Session.h"
#include "demolog/DemoLog.h"
#include "demoreader/demoreader.h"
#include "q3reader/ServerInfo.h"

namespace fenlark {

namespace {

enum Operation : std::int32_t {
    NoMoreData = -1,
    Nop = 1,
    Gamestate = 2,
    Configstring = 3,
    Baseline = 4,
    ServerCommand = 5,
    Snapshot = 7,
    EndOfOperations = 8,
};

constexpr std::int32_t StoppedOnIllegalOperation = 2;

class MessageWalker {
public:
    explicit MessageWalker(Session& session) : session_(session), reader_(session.reader) {}

    void parseMessage() {
        ReadLong(reader_.DemoHandle); // the acknowledge number
        std::int32_t operation = 0;
        for (;;) {
            if (operation == Nop || reader_.ReaderState == StoppedOnIllegalOperation)
                return;
            operation = ReadByte(reader_.DemoHandle);
            switch (operation) {
            case NoMoreData:
            case EndOfOperations:
                return;
            case Nop:
                break;
            case Gamestate:
                parseGamestate();
                break;
            case ServerCommand:
                parseServerCommand();
                break;
            case Snapshot:
                ReadSnapshot(reader_.DemoHandle);
                break;
            default:
                stopOnIllegalOperation("Illegal demo message. The demo may be corrupt or not "
                                       "fully supported by Fenlark.");
                return;
            }
        }
    }

private:
    void parseGamestate() {
        ReadLong(reader_.DemoHandle); // the server command sequence
        for (;;) {
            switch (ReadByte(reader_.DemoHandle)) {
            case NoMoreData:
                return;
            case Configstring:
                parseConfigstring();
                break;
            case Baseline:
                ReadBaseline(reader_.DemoHandle);
                break;
            case EndOfOperations:
                ReadLong(reader_.DemoHandle); // client number
                ReadLong(reader_.DemoHandle); // checksum feed
                return;
            default:
                stopOnIllegalOperation("Illegal gamestate message. The demo may be corrupt or "
                                       "not fully supported by Fenlark.");
                return;
            }
        }
    }

    void parseConfigstring() {
        const std::int32_t index = ReadShort(reader_.DemoHandle);
        const std::string text = readDemoString();
        if (reader_.ReaderMode == InformationMode) {
            if (text.starts_with("\\"))
                ShowServerInfo(session_, text);
            else if (text.starts_with("n\\"))
                AddPlayer(session_, text);
        } else if (reader_.ReaderMode == LogMode) {
            AppendLogLine(session_, std::to_string(index) + ": " + text);
        }
    }

    void parseServerCommand() {
        const std::int32_t sequence = ReadLong(reader_.DemoHandle);
        const std::string text = readDemoString();
        if (reader_.ReaderMode == LogMode)
            AppendLogLine(session_, std::to_string(sequence) + ": " + text);
    }

    // Bytes above 127 and "%" show as "."; the string ends at a zero byte, at
    // the end of the message or after MaxDemoStringLength characters.
    std::string readDemoString() {
        std::string text;
        while (text.size() < MaxDemoStringLength) {
            const std::int32_t c = ReadByte(reader_.DemoHandle);
            if (c <= 0)
                break;
            text += c > 127 || c == '%' ? '.' : static_cast<char>(c);
        }
        return text;
    }

    void stopOnIllegalOperation(const char* text) {
        session_.showMessage(MessageIcon::Critical, text);
        reader_.ReaderState = StoppedOnIllegalOperation;
        CloseDemoFile(reader_.DemoHandle);
        reader_.DemoHandle = 0;
    }

    Session& session_;
    QuakeReaderState& reader_;
};

// Closes the demo at the end of a reading, however it ends.
struct CloseAtEnd {
    QuakeReaderState& reader;
    ~CloseAtEnd() {
        if (reader.DemoHandle != 0)
            CloseDemoFile(reader.DemoHandle);
        reader.DemoHandle = 0;
    }
};

} // namespace

void ReadDemo(Session& session, const std::string& path, std::int16_t mode,
              const std::string& logPath) {
    QuakeReaderState& reader = session.reader;
    reader.DemoHandle = OpenDemoFile(path.c_str());
    if (reader.DemoHandle == 0) {
        session.showMessage(MessageIcon::Critical,
                            "Failed to open demo. The demo may be in use or currupt.");
        return;
    }
    CloseAtEnd closer{reader};
    reader.ReaderState = 0;
    MessageWalker walker(session);

    if (mode == InformationMode) {
        reader.ReaderMode = InformationMode;
        session.summary.lstOtherInfo.resetColumns();
        reader.ReaderState = ReadNextMessage(reader.DemoHandle);
        walker.parseMessage();
    } else if (mode == LogMode) {
        reader.LogPath = logPath;
        WriteLogHeader(session, true);
        reader.ReaderMode = LogMode;
        while (reader.ReaderState == 0) {
            reader.ReaderState = ReadNextMessage(reader.DemoHandle);
            walker.parseMessage();
        }
        AppendLogLine(session, "\r\n- End of demo log.");
        session.showMessage(MessageIcon::Information, "Demo log created!");
        session.ui.hideWait();
    }
}

} // namespace fenlark
