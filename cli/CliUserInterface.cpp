#include "cli/CliUserInterface.h"

#include <cstdio>

namespace fenlark::cli {

const char* IconName(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Critical:
        return "critical";
    case MessageIcon::Warning:
        return "warning";
    case MessageIcon::Information:
        break;
    }
    return "information";
}

void CliUserInterface::showMessage(const Message& message) {
    // One line per message: the line breaks of a box become blanks.
    std::string line;
    for (std::size_t i = 0; i < message.text.size(); ++i) {
        const char c = message.text[i];
        if (c == '\r' && i + 1 < message.text.size() && message.text[i + 1] == '\n') {
            continue;
        }
        line += (c == '\n' || c == '\r') ? ' ' : c;
    }
    std::fprintf(stderr, "fenlark-info: %s: %s\n", IconName(message.icon), line.c_str());
    if (message.icon != MessageIcon::Information) {
        warningOrCritical_ = true;
    }
    messages_.push_back(message);
}

std::vector<Message> CliUserInterface::takeMessages() {
    std::vector<Message> taken;
    taken.swap(messages_);
    return taken;
}

} // namespace fenlark::cli
