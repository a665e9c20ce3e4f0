#pragma once
// Demos written message by message for the match analysis tests: a
// gamestate, then snapshots with the server commands that came with them.

#include "DemoWriter.h"
#include "NamedFields.h"
#include "core/ByteSource.h"
#include "core/MatchFacts.h"
#include "demoreader/Protocol.h"
#include "q3match/MatchAnalysis.h"

#include <string>
#include <vector>

namespace fenlark::test {

class CraftedDemo {
public:
    explicit CraftedDemo(int protocol = 68) : protocol_(protocol) {}

    int protocol() const { return protocol_; }

    CraftedDemo& gamestate(std::vector<std::pair<int, std::string>> configstrings, int client = 0,
                           std::vector<EntityDelta> baselines = {}) {
        Gamestate state;
        state.commandSequence = command_;
        state.configstrings = std::move(configstrings);
        state.baselines = std::move(baselines);
        state.clientNumber = client;
        demo_.record(sequence_++, GamestateMessage(state, protocol_));
        hasSnapshot_ = false;
        return *this;
    }

    // A message with these new server commands and a snapshot delta-coded
    // against the previous one (a full one after a gamestate).
    CraftedDemo& snapshot(std::int32_t serverTime, std::vector<EntityDelta> entities = {},
                          const std::vector<std::string>& commands = {}, PlayerDelta player = {}) {
        std::vector<std::pair<std::int32_t, std::string>> numbered;
        for (const std::string& text : commands) {
            numbered.emplace_back(++command_, text);
        }
        return snapshotWith(serverTime, std::move(entities), numbered,
                            hasSnapshot_ ? std::uint8_t{1} : std::uint8_t{0}, std::move(player));
    }

    // The same with explicit command numbers and delta number.
    CraftedDemo& snapshotWith(std::int32_t serverTime, std::vector<EntityDelta> entities,
                              const std::vector<std::pair<std::int32_t, std::string>>& commands,
                              std::uint8_t deltaNumber, PlayerDelta player = {}) {
        Snapshot snap;
        snap.serverTime = serverTime;
        snap.deltaNumber = deltaNumber;
        snap.player = std::move(player);
        snap.entities = std::move(entities);
        demo_.record(sequence_++, SnapshotMessage(snap, protocol_, commands));
        hasSnapshot_ = true;
        return *this;
    }

    // A free-standing obituary event: the entity type is the first event
    // type (13) plus the obituary's event number (60 in Quake III, 58 in
    // Quake Live).
    EntityDelta obituary(unsigned number, unsigned victim, unsigned killer, unsigned means) const {
        const std::uint32_t type = 13 + (protocol_ >= 73 ? 58 : 60);
        return {number,
                EntityDelta::Kind::Changed,
                -1,
                {EntityField(protocol_, "eType", type), EntityField(protocol_, "eventParm", means),
                 EntityField(protocol_, "otherEntityNum", victim),
                 EntityField(protocol_, "otherEntityNum2", killer)}};
    }

    DemoBuilder& builder() { return demo_; }
    std::int32_t nextSequence() const { return sequence_; }
    std::int32_t lastCommand() const { return command_; }

    const std::string& bytes() const { return demo_.bytes(); }
    MatchFacts analyse(const q3match::AnalysisOptions& options = {}) const {
        const std::string& all = bytes();
        MemorySource source(std::vector<std::uint8_t>(all.begin(), all.end()));
        return q3match::AnalyseDemo(source, demoreader::ProtocolByNumber(protocol_), options);
    }

private:
    int protocol_;
    DemoBuilder demo_;
    std::int32_t sequence_ = 500;
    std::int32_t command_ = 20;
    bool hasSnapshot_ = false;
};

} // namespace fenlark::test
