#include "q3reader/QuakeDemo.h"

#include "core/Files.h"
#include "demoreader/Protocol.h"

#include <cstdio>

namespace fenlark {

namespace {

constexpr unsigned char LastAsciiCharacter = 127;

// A demo held in memory, read through a stream over its bytes (which the
// session's source keeps alive for as long as the reading lasts).
std::unique_ptr<demoreader::DemoReader> OpenBytes(const MemorySource& bytes,
                                                  const std::string& path) {
    if (bytes.bytes().empty()) {
        return nullptr;
    }
    std::FILE* stream = OpenMemoryStream(bytes.bytes().data(), bytes.bytes().size());
    return demoreader::DemoReader::open(stream, demoreader::ProtocolFromPath(path));
}

} // namespace

std::unique_ptr<demoreader::DemoReader> OpenQuakeDemo(Session& session, const std::string& path) {
    std::unique_ptr<demoreader::DemoReader> reader;
    if (session.demoBytes != nullptr) {
        if (const auto* memory = dynamic_cast<const MemorySource*>(session.demoBytes)) {
            reader = OpenBytes(*memory, path);
        } else if (const auto* file = dynamic_cast<const FileSource*>(session.demoBytes)) {
            reader = demoreader::DemoReader::open(file->openStream(),
                                                  demoreader::ProtocolFromPath(path));
        }
    } else if (const int descriptor = OpenRegularFile(path); descriptor >= 0) {
        // The reader library would open any path; the tool hands it only a
        // regular file, opened without waiting.
        std::FILE* file = StreamOverDescriptor(descriptor);
        if (file == nullptr) {
            CloseFile(descriptor);
        }
        reader = demoreader::DemoReader::open(file, demoreader::ProtocolFromPath(path));
    }
    if (!reader) {
        session.showMessage(MessageIcon::Critical,
                            "Failed to open demo. The demo may be in use or currupt.");
    }
    return reader;
}

void ShowIllegalOperation(Session& session, demoreader::WalkEnd end) {
    session.showMessage(MessageIcon::Critical,
                        end == demoreader::WalkEnd::IllegalGamestateContent
                            ? "Illegal gamestate message. The demo may be corrupt or not fully "
                              "supported by Fenlark."
                            : "Illegal demo message. The demo may be corrupt or not fully "
                              "supported by Fenlark.");
}

std::string DemoStringText(std::string_view bytes) {
    std::string text(bytes);
    for (char& c : text) {
        if (static_cast<unsigned char>(c) > LastAsciiCharacter || c == '%') {
            c = '.';
        }
    }
    return text;
}

} // namespace fenlark
