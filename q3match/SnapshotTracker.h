#pragma once
// The entity states of the recent snapshots, kept so that every snapshot can
// be rebuilt the way the engine rebuilds it: a snapshot is delta-coded
// against an earlier one (or, for entities new to it, against the baselines
// of the gamestate).
//
// Rather than a copy of every entity per snapshot, each entity keeps a short
// history of its states, each stamped with the record sequence number from
// which it holds. A snapshot then costs only the entities its data names (and,
// when its reference is not the previous snapshot, those that changed in
// between), and memory stays fixed (about 1.1 MiB) whatever the length of
// the demo. Only the entity fields that events need are kept.
//
// After each snapshot the tracker lists the free-standing event entities that
// fire in it, by the client's rule: an event entity fires when it enters the
// snapshots, once; it fires again only after it has been gone for longer
// than an event lasts (300 ms), which is when the game may reuse its slot.

#include "demoreader/Delta.h"
#include "demoreader/Protocol.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace fenlark::q3match {

// The fields of an entity that events need, packed in one word: a field is
// written without a branch and two states compare in one step. No member
// initialiser, so that the tracker's large store of them stays untouched
// until used; write EntityState{} for the zero state.
struct EntityState {
    // Where each field sits in the word.
    static constexpr unsigned ETypeShift = 0;     // 8 bits
    static constexpr unsigned EventParmShift = 8; // 8 bits
    static constexpr unsigned EventShift = 16;    // 16 bits
    static constexpr unsigned OtherShift = 32;    // 16 bits
    static constexpr unsigned Other2Shift = 48;   // 16 bits

    std::uint64_t bits;

    std::uint8_t eType() const { return static_cast<std::uint8_t>(bits >> ETypeShift); }
    std::uint8_t eventParm() const { return static_cast<std::uint8_t>(bits >> EventParmShift); }
    std::uint16_t event() const { return static_cast<std::uint16_t>(bits >> EventShift); }
    std::uint16_t otherEntityNum() const { return static_cast<std::uint16_t>(bits >> OtherShift); }
    std::uint16_t otherEntityNum2() const {
        return static_cast<std::uint16_t>(bits >> Other2Shift);
    }

    bool operator==(const EntityState&) const = default;
};

struct TrackedEntity {
    std::uint16_t number;
    EntityState state;
};

class SnapshotTracker {
public:
    // The engine keeps this many snapshots; older references are lost.
    static constexpr std::size_t Backup = 32;
    // Entities below this number are the clients, never free-standing
    // events (the game allocates every other entity above them); they are
    // not kept.
    static constexpr unsigned FirstNonClient = 64;
    static constexpr unsigned EntityCount = demoreader::NoEntity; // 0 to 1022
    // How long an event entity stays valid, in milliseconds.
    static constexpr std::int32_t EventValidMs = 300;

    // `entityEvents` is the entity type of the first free-standing event;
    // types above it are events.
    SnapshotTracker(const demoreader::ProtocolInfo& protocol, int entityEvents);
    ~SnapshotTracker();
    SnapshotTracker(const SnapshotTracker&) = delete;
    SnapshotTracker& operator=(const SnapshotTracker&) = delete;

    // A new gamestate: baselines and snapshots are forgotten.
    void reset();

    // Inside a gamestate: a baseline's entity; its fields follow through
    // entityField.
    void baselineEntity(unsigned number);

    // A snapshot of the record with sequence number `sequence`; its entities
    // follow through entity and entityField.
    // The common case, a snapshot coded against the previous one, is inline.
    void beginSnapshot(std::int32_t sequence, const demoreader::SnapshotHeader& header) {
        current_ = &discard_;
        firstTracked_ = FirstNonClient;
        gate_ = FirstNonClient;
        lastTouched_ = FirstNonClient - 1;
        newEventCount_ = 0;
        frame_.sequence = sequence;
        serverTime_ = header.serverTime;
        // Without wrapping: a reference number that wrapped means numbers
        // went back, which the general case handles.
        if (header.deltaNumber != 0 && std::int64_t{sequence} - header.deltaNumber == previous_)
            [[likely]] {
            referenceIsPrevious_ = true;
            referenceSequence_ = previous_;
            frame_.score = lastScore_;
            return;
        }
        beginWithoutPrevious(header.deltaNumber);
    }

    // The hot members are inline: they run for every decoded entity and
    // field. Clients and the entities of a snapshot already known to be
    // unusable cost one test.
    void entity(unsigned number, demoreader::EntityChange change) {
        // The fields of an entity not kept go wherever `current_` points:
        // `discard_`, or the state of an entity already finished.
        if (number < gate_) {
            return;
        }
        if (pending_) {
            finishPending();
            if (number < firstTracked_) {
                return;
            }
        }
        // Entity numbers come in increasing order; anything else is damage.
        if (number <= lastTouched_ || number >= EntityCount) [[unlikely]] {
            invalidate();
            return;
        }
        lastTouched_ = number;
        touchedStamp_[number] = stamp_;
        // The entity's newest entry is its state in the previous snapshot
        // (this snapshot has added none for it yet): the state to compare
        // with, and its state in the reference too unless it changed after
        // the reference.
        const Entry& before = latest_[number];
        const Entry* base = &before;
        if (before.sequence > referenceSequence_) [[unlikely]] {
            base = olderBase(number);
        }
        // Delta-coded from its state in the reference, or from its baseline.
        const EntityState& from = base->present ? base->state : baselines_[number];
        if (change == demoreader::EntityChange::Changed) {
            pending_ = true;
            gate_ = 0;
            pendingNumber_ = static_cast<std::uint16_t>(number);
            pendingState_ = from;
            current_ = &pendingState_;
            return;
        }
        const bool present = change == demoreader::EntityChange::Unchanged;
        if (present != before.present || (present && !(from == before.state))) {
            append(number, present, from);
            noteChanged(number);
        }
    }
    // Ends the snapshot. True when its full state is known (its reference
    // was at hand and the data was whole); only then is newEvents() about
    // this snapshot.
    bool endSnapshot(bool ok) {
        if (pending_) {
            finishPending();
        }
        const bool whole = ok && firstTracked_ == FirstNonClient;
        invalidate();
        if (!whole) [[unlikely]] {
            dropSnapshot();
            return false;
        }
        // Coded against an older snapshot than the previous one, or full:
        // entities the data does not name may have changed too, unless no
        // snapshot since the reference changed anything.
        if (!referenceIsPrevious_ && hasPrevious()) [[unlikely]] {
            if (reference_ == nullptr) {
                clearUntouched();
            } else if (frame_.changedTotal != reference_->changedTotal + reference_->changedCount) {
                restoreUntouched();
            }
        }
        if (frame_.changedCount != 0) {
            updateEvents();
        }
        frames_[static_cast<std::uint32_t>(frame_.sequence) % Backup] = frame_;
        previous_ = frame_.sequence;
        previousServerTime_ = serverTime_;
        lastScore_ = frame_.score;
        if (frame_.changedCount != 0) {
            nextRun();
        }
        return true;
    }

    // Field indexes are below 64 (one bit each in a field mask).
    void entityField(unsigned index, std::uint32_t value) {
        const std::size_t at = index & (demoreader::MaxTableFields - 1);
        const std::uint64_t mask = fieldMasks_[at];
        current_->bits =
            (current_->bits & ~mask) | ((std::uint64_t{value} << fieldShifts_[at]) & mask);
    }
    void playerArray(unsigned array, unsigned index, std::int32_t value) {
        // Array 1 is "persistant"; its element 0 is the score.
        if (array == 1 && index == 0) {
            frame_.score = static_cast<std::int16_t>(value);
        }
    }

    // The entity fields the tracker keeps (bit i for field i); the decoder
    // need not build the values of the others.
    std::uint64_t wantedFields() const { return wantedFields_; }

    // The event entities that fire in the last whole snapshot, by number.
    std::span<const TrackedEntity> newEvents() const { return {newEvents_.data(), newEventCount_}; }
    // The score in the player state of the last whole snapshot, whatever
    // gamestate it belonged to (none before the first): the recording
    // player's own, or the followed player's when spectating.
    std::optional<std::int16_t> score() const {
        if (!hadWhole_ && !hasPrevious()) {
            return std::nullopt;
        }
        return lastScore_;
    }

private:
    // One state of one entity, from record `sequence` on.
    struct Entry {
        std::int32_t sequence;
        bool present;
        EntityState state;
    };
    // At most one entry per entity per snapshot, and references reach at
    // most Backup snapshots back, so twice that many entries always hold the
    // state any reference needs. The entries are left uninitialised (only
    // the `sizes_` newest are read), and head and size are kept apart so
    // that forgetting every history touches little memory.
    static constexpr std::size_t HistoryLength = 2 * Backup;
    using History = std::array<Entry, HistoryLength>;
    // One snapshot of the last Backup, in slot `sequence % Backup`; a slot
    // holding a sequence number of another slot (see forgetSnapshots) holds
    // none. The entities whose state differs from the snapshot before it are
    // kept in a shared pool, one run per snapshot, so that a snapshot
    // touches little memory.
    struct Frame {
        std::int32_t sequence = 0;
        std::int16_t score = 0;
        std::uint16_t changedCount = 0;
        std::uint32_t changedAt = 0;
        // How many changes the snapshots before this one made (wrapping).
        std::uint32_t changedTotal = 0;
    };
    // A snapshot writes its run straight into the pool, and a run holds each
    // entity at most once. A run starts where the pool still has room for a
    // whole one, so the runs of the last Backup snapshots and the one being
    // built fit, even with the room lost at the pool's end.
    static constexpr std::size_t ChangedPoolSize = (Backup + 1) * (EntityCount + 1);
    // What the client remembers of an event entity.
    struct EventMemory {
        bool live = false;  // an event entity in the last whole snapshot
        bool fired = false; // fired, and not yet gone long enough to fire again
        // The server time of the last whole snapshot that held it as an
        // event entity; set when it stops being one.
        std::int32_t lastSeen = 0;
    };
    static constexpr Entry NeverSeen{INT32_MIN, false, EntityState{}};
    // No previous snapshot: below every sequence number.
    static constexpr std::int64_t NoPrevious = INT64_MIN;
    // An unusable snapshot tracks no entity number.
    static constexpr unsigned NoneTracked = ~0u;

    // The entry of entity `number` at record `sequence`, or nullptr when the
    // entity was never seen.
    const Entry* at(unsigned number, std::int32_t sequence) const {
        const History& history = (*histories_)[number];
        const std::size_t head = heads_[number];
        for (std::size_t back = 0; back < sizes_[number]; ++back) {
            const Entry& entry = history[(head + HistoryLength - 1 - back) % HistoryLength];
            if (entry.sequence <= sequence) {
                return &entry;
            }
        }
        return nullptr;
    }
    void append(unsigned number, bool present, const EntityState& state) {
        Entry& entry = (*histories_)[number][heads_[number]];
        entry.sequence = frame_.sequence;
        entry.present = present;
        entry.state = state;
        latest_[number] = entry;
        heads_[number] = static_cast<std::uint8_t>((heads_[number] + 1) % HistoryLength);
        if (sizes_[number] < HistoryLength) {
            ++sizes_[number];
        }
    }
    void noteChanged(unsigned number) {
        (*changedPool_)[frame_.changedAt + frame_.changedCount++] =
            static_cast<std::uint16_t>(number);
    }
    // Only ever with nothing pending.
    void invalidate() {
        firstTracked_ = NoneTracked;
        gate_ = NoneTracked;
    }
    bool hasPrevious() const { return previous_ != NoPrevious; }
    // The entity whose fields arrived last: it becomes an entry only if its
    // state differs from the previous snapshot's, which most changes (of
    // positions and the like) do not.
    void finishPending() {
        pending_ = false;
        gate_ = firstTracked_;
        const Entry& before = latest_[pendingNumber_];
        if (before.present && pendingState_ == before.state) {
            return;
        }
        append(pendingNumber_, true, pendingState_);
        noteChanged(pendingNumber_);
    }
    // The next snapshot's run starts where the pool still has room for a
    // whole one.
    void nextRun() {
        frame_.changedAt += frame_.changedCount;
        frame_.changedTotal += frame_.changedCount;
        frame_.changedCount = 0;
        if (frame_.changedAt > ChangedPoolSize - EntityCount) {
            frame_.changedAt = 0;
        }
    }
    void beginWithoutPrevious(std::uint8_t deltaNumber);
    const Entry* olderBase(unsigned number) const;
    void dropSnapshot();
    void dropNewest(unsigned number);
    void forgetSnapshots();
    void nextStamp();
    void clearUntouched();
    void restoreUntouched();
    void restoreEntity(unsigned number);
    void updateEvents();

    int entityEvents_;
    // Where each entity field goes in an EntityState (mask 0: nowhere).
    std::array<std::uint64_t, demoreader::MaxTableFields> fieldMasks_{};
    std::array<std::uint8_t, demoreader::MaxTableFields> fieldShifts_{};
    std::uint64_t wantedFields_ = 0;
    std::array<EntityState, EntityCount + 1> baselines_{};
    std::unique_ptr<std::array<History, EntityCount>> histories_;
    std::array<std::uint8_t, EntityCount> heads_{};
    std::array<std::uint8_t, EntityCount> sizes_{};
    // Each entity's newest entry, or NeverSeen: read for every entity named,
    // so kept together.
    std::array<Entry, EntityCount> latest_{};
    std::array<Frame, Backup> frames_{};
    std::unique_ptr<std::array<std::uint16_t, ChangedPoolSize>> changedPool_;
    // The last snapshot whose full state is known, and its server time.
    std::int64_t previous_ = NoPrevious;
    std::int32_t previousServerTime_ = 0;
    std::int16_t lastScore_ = 0;
    bool hadWhole_ = false; // a whole snapshot before the last forgetting
    std::array<EventMemory, EntityCount> events_{};

    // The snapshot being built. Fields of an entity that is not kept go to
    // `discard_` or to a state no longer needed, so that entityField needs
    // no test.
    //
    // FirstNonClient while a snapshot is being built and its data is usable
    // so far.
    unsigned firstTracked_ = NoneTracked;
    // Entities below this number need nothing done: firstTracked_ while no
    // entity is pending, 0 while one is.
    unsigned gate_ = NoneTracked;
    // Its frame: where its run starts, how many changes the snapshots
    // before it made, and so on; copied into frames_ when it is whole.
    Frame frame_;
    std::int32_t serverTime_ = 0;
    const Frame* reference_ = nullptr;
    bool referenceIsPrevious_ = false;
    // The reference's sequence number, or NoPrevious for a full snapshot.
    std::int64_t referenceSequence_ = NoPrevious;
    EntityState* current_ = nullptr;
    EntityState discard_{};
    // The entity whose fields are arriving: its new state is built in
    // `pendingState_`. Every snapshot ends with none pending.
    bool pending_ = false;
    std::uint16_t pendingNumber_ = 0;
    EntityState pendingState_{};
    // The data names entities in increasing order: the last one named.
    unsigned lastTouched_ = 0;
    // Every entity the data names carries the current stamp, which moves on
    // for each snapshot whose reference is not the previous one: only those
    // need to know which entities their data named.
    std::uint32_t stamp_ = 0;
    std::array<std::uint32_t, EntityCount> touchedStamp_{};

    // EntityCount long, allocated once; the first newEventCount_ count.
    std::vector<TrackedEntity> newEvents_;
    std::size_t newEventCount_ = 0;
};

} // namespace fenlark::q3match
