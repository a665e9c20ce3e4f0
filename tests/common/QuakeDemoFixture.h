#pragma once
// A session for Quake III protocol demos: the shipped definitions, and a demo
// matched to one of them as the loading flow leaves it before reading it.

#include "core/Files.h"
#include "gamedef/MatchDefinition.h"
#include "tests/common/SessionFixture.h"

#include <gtest/gtest.h>

namespace fenlark::test {

class QuakeDemoFixture : public SessionFixture {
protected:
    QuakeDemoFixture() { session.setDefinitionsFolder(FENLARK_DATA_SOURCE_DIR); }

    // Makes `path` the current demo and its definition the current one.
    void matchDemo(const std::string& path) {
        session.DemoPath = path;
        session.summary = DemoSummary{};
        ASSERT_TRUE(MatchDefinition(session, path)) << path;
    }

    static std::string ReadFile(const std::string& path) {
        return ReadWholeFile(path).value_or("");
    }
};

} // namespace fenlark::test
