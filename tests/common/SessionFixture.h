#pragma once
// The one session fixture of the tests: a temporary installation (program
// folder, Data/, the shipped text table), a recording user interface, a
// language component and the session over them, with language 1. Layers
// below the language component use StubLanguage; app and front-end tests
// pass the real one.

#include "core/Session.h"
#include "tests/common/RecordingUserInterface.h"
#include "tests/common/StubLanguage.h"
#include "tests/common/TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fenlark::test {

template <class LanguageComponent> class SessionFixtureOf : public ::testing::Test {
protected:
    SessionFixtureOf() : session(ui, language, temp.programFolder()) {
        temp.installLanguageTable(FENLARK_LANGUAGE_TABLE_SOURCE);
        session.LanguageNumber = 1;
    }

    // Writes a demo below demos/ and makes it the session's current demo.
    std::string useDemo(const std::string& name, const std::string& bytes) {
        session.DemoPath = temp.write("demos/" + name, bytes);
        return session.DemoPath;
    }

    // The language text ids of the messages shown so far ("-" for a fixed text).
    std::vector<std::string> textIds() const {
        std::vector<std::string> ids;
        for (const auto& message : ui.messages) {
            ids.push_back(message.textId.value_or("-"));
        }
        return ids;
    }

    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const auto& message : ui.messages) {
            texts.push_back(message.text);
        }
        return texts;
    }

    TempFolder temp;
    RecordingUserInterface ui;
    LanguageComponent language;
    Session session;
};

using SessionFixture = SessionFixtureOf<StubLanguage>;

} // namespace fenlark::test
