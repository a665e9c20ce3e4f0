#pragma once
// The match analysis as one visitor over the message walk: configstrings,
// server commands, snapshots and entity deltas go in, MatchFacts come out.
//
// Reliable server commands are re-sent until the client acknowledges them,
// so a command counts only when its sequence number is above the last one
// counted, as the engine does. Facts that arrive with server commands are
// stamped with the time of the snapshot of the same message (the client
// executes the commands of a snapshot before showing it).

#include "core/MatchFacts.h"
#include "demoreader/MessageWalk.h"
#include "q3match/CommandTokens.h"
#include "q3match/GameRules.h"
#include "q3match/PlayerRoster.h"
#include "q3match/SnapshotTracker.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fenlark::q3match {

class MatchVisitor : public demoreader::NullMessageVisitor {
public:
    explicit MatchVisitor(const demoreader::DemoReader& reader);

    // The decoder builds only the entity fields the tracker keeps, and no
    // player-state fields: the analysis reads the score from the arrays.
    static constexpr bool WantsPlayerFields = false;
    std::uint64_t wantedEntityFields() const { return tracker_.wantedFields(); }

    // The members the walk calls.
    void messageBegin(std::int32_t /*acknowledge*/) {
        factsMarked_ = false;
        messageSnapshotTime_.reset();
    }
    void gamestateBegin(std::int32_t commandSequence);
    void configstring(std::int32_t index, std::string_view text);
    void baseline(bool ok);
    void gamestateEnd(std::int32_t clientNumber, std::int32_t checksumFeed);
    void serverCommand(std::int32_t sequence, std::string_view text);
    void snapshotHeader(const demoreader::SnapshotHeader& header) {
        tracker_.beginSnapshot(reader_.messageSequence(), header);
        messageSnapshotTime_ = header.serverTime;
    }
    void playerArray(unsigned array, unsigned index, std::int32_t value) {
        tracker_.playerArray(array, index, value);
    }
    void entity(unsigned number, demoreader::EntityChange change) {
        if (inGamestate_) [[unlikely]] {
            tracker_.baselineEntity(number);
        } else {
            tracker_.entity(number, change);
        }
    }
    void entityField(unsigned /*number*/, unsigned index, std::uint32_t value) {
        tracker_.entityField(index, value);
    }
    void snapshot(bool ok) {
        if (!ok) [[unlikely]] {
            damagedSnapshot();
            return;
        }
        const std::int32_t serverTime = messageSnapshotTime_.value_or(lastServerTime_);
        if (!firstServerTime_) [[unlikely]] {
            firstServerTime_ = serverTime;
        }
        lastServerTime_ = serverTime;
        if (!tracker_.endSnapshot(true)) {
            return;
        }
        if (!tracker_.newEvents().empty()) {
            handleEvents();
        }
    }
    void illegal(demoreader::WalkEnd where, std::int32_t operation);

    // After the walk of each message.
    void messageEnd() {
        // A message of the coded protocols ends with an end byte and
        // padding; running out of data before it is damage.
        if (codedMessages_ && reader_.bitPosition() >= reader_.messageBits()) [[unlikely]] {
            noteDamage("a message ends before its end byte");
        }
        // Only server commands and gamestates add facts that need stamping.
        if (factsMarked_ && (facts_.chat.size() != chatMark_ ||
                             facts_.playerEvents.size() != eventMark_ || !roster_.stamps().empty()))
            [[unlikely]] {
            stampMessage();
        }
    }
    // Set once the data proved damaged (an illegal operation, a snapshot or
    // baseline that cannot be decoded); the reading stops there.
    const std::optional<std::string>& damage() const { return damage_; }

    // The facts gathered so far; the visitor is not used afterwards.
    MatchFacts finish(MatchEnd ended);

private:
    std::int64_t nowMs() const;
    // Before the first fact of a message: where its facts begin.
    void markFacts() {
        if (!factsMarked_) {
            factsMarked_ = true;
            chatMark_ = facts_.chat.size();
            eventMark_ = facts_.playerEvents.size();
        }
    }
    void applyConfigstring(int index, std::string_view text, bool announce);
    void finishGamestate(std::optional<std::int32_t> clientNumber);
    void updateRules();
    void updateTeamScores();
    void executeCommand(std::string_view text);
    void damagedSnapshot();
    void handleEvents();
    void stampMessage();
    void noteDamage(const char* what);
    void decideWinner();

    const demoreader::DemoReader& reader_;
    const demoreader::ProtocolInfo& protocol_;
    const bool codedMessages_; // messages end with an end byte
    GameRules rules_;
    MatchFacts facts_;
    PlayerRoster roster_;
    SnapshotTracker tracker_;
    CommandTokens tokens_;

    // Configstrings the analysis needs.
    std::string serverInfo_;
    std::optional<std::int32_t> scores1_, scores2_;
    std::string cpmaGameInfo_;
    std::array<std::string, PlayerRoster::MaxClients> gamestatePlayers_;
    std::optional<std::int32_t> gameTypeNumber_;

    // A big configstring sent in pieces ("bcs0", "bcs1", "bcs2").
    int bigIndex_ = -1;
    std::string bigText_;

    bool inGamestate_ = false;
    int gamestates_ = 0;
    std::int32_t lastCommand_ = 0;
    bool haveLastCommand_ = false;
    std::optional<std::int32_t> firstServerTime_;
    std::int32_t lastServerTime_ = 0;
    std::optional<std::string> damage_;

    // What the current message added, to be stamped with its snapshot's time
    // (the marks hold once factsMarked_ is set).
    bool factsMarked_ = false;
    std::size_t chatMark_ = 0, eventMark_ = 0;
    std::optional<std::int32_t> messageSnapshotTime_;

    // The last capture announced by a print command, and the message count
    // when it came.
    std::string capturePrint_;
    std::uint64_t capturePrintMessage_ = 0;
};

} // namespace fenlark::q3match
