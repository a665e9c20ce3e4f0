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

// The fields of an entity that events need. No member initialisers, so that
// the tracker's large store of them stays untouched until used; write
// EntityState{} for the zero state.
struct EntityState {
    std::uint8_t eType;
    std::uint8_t eventParm;
    std::uint16_t event;
    std::uint16_t otherEntityNum;
    std::uint16_t otherEntityNum2;

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
    void beginSnapshot(std::int32_t sequence, const demoreader::SnapshotHeader& header);
    void entity(unsigned number, demoreader::EntityChange change) {
        if (pending_) {
            finishPending();
        }
        current_ = &discard_;
        if (number >= FirstNonClient && buildValid_) {
            addEntity(number, change);
        }
    }
    // Ends the snapshot. True when its full state is known (its reference
    // was at hand and the data was whole); only then are newEvents() and
    // score() about this snapshot.
    bool endSnapshot(bool ok);

    // The hot members are inline: they run for every decoded field. Field
    // counts are single bytes, so the table has 256 rows.
    void entityField(unsigned index, std::uint32_t value) {
        const Slot slot = entitySlots_[index & 0xFFu];
        if (slot != Slot::None) [[unlikely]] {
            apply(*current_, slot, value);
        }
    }
    void playerArray(unsigned array, unsigned index, std::int32_t value) {
        // Array 1 is "persistant"; its element 0 is the score.
        if (array == 1 && index == 0) {
            score_ = static_cast<std::int16_t>(value);
        }
    }

    // The entity fields the tracker keeps (bit i for field i); the decoder
    // need not build the values of the others.
    std::uint64_t wantedFields() const { return wantedFields_; }

    // The event entities that fire in the last whole snapshot, by number.
    std::span<const TrackedEntity> newEvents() const { return newEvents_; }
    // The score in the player state of the last whole snapshot: the
    // recording player's own, or the followed player's when spectating.
    std::int16_t score() const { return lastScore_; }

private:
    enum class Slot : std::uint8_t { None, EType, Event, EventParm, Other, Other2 };

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
    // One snapshot of the last Backup. The entities whose state differs
    // from the snapshot before it are kept in a shared pool, one run per
    // snapshot, so that a snapshot touches little memory.
    struct Frame {
        std::int32_t sequence = 0;
        bool valid = false;
        std::int16_t score = 0;
        std::uint16_t changedCount = 0;
        std::uint32_t changedAt = 0;
    };
    // The runs of the last Backup snapshots fit, even with the room lost
    // where a run would cross the pool's end.
    static constexpr std::size_t ChangedPoolSize = (Backup + 1) * (EntityCount + 1);
    // What the client remembers of an event entity.
    struct EventMemory {
        bool live = false;  // an event entity in the last snapshot
        bool fired = false; // fired, and not yet gone long enough to fire again
        std::int32_t lastSeen = 0;
    };

    static void apply(EntityState& entity, Slot slot, std::uint32_t value);
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
    const Entry& newest(unsigned number) const {
        return (*histories_)[number][(heads_[number] + HistoryLength - 1) % HistoryLength];
    }
    Entry& append(unsigned number, bool present, const EntityState& state) {
        Entry& entry = (*histories_)[number][heads_[number]];
        entry.sequence = sequence_;
        entry.present = present;
        entry.state = state;
        heads_[number] = static_cast<std::uint8_t>((heads_[number] + 1) % HistoryLength);
        if (sizes_[number] < HistoryLength) {
            ++sizes_[number];
        }
        return entry;
    }
    void addEntity(unsigned number, demoreader::EntityChange change);
    void finishPending();
    void dropNewest(unsigned number);
    void forgetSnapshots();
    void clearUntouched();
    void restoreUntouched();
    void updateEvents();

    int entityEvents_;
    std::array<Slot, 256> entitySlots_{};
    std::uint64_t wantedFields_ = 0;
    std::array<EntityState, EntityCount + 1> baselines_{};
    std::unique_ptr<std::array<History, EntityCount>> histories_;
    std::array<std::uint8_t, EntityCount> heads_{};
    std::array<std::uint8_t, EntityCount> sizes_{};
    std::array<Frame, Backup> frames_{};
    std::unique_ptr<std::array<std::uint16_t, ChangedPoolSize>> changedPool_;
    std::size_t changedNext_ = 0;
    // The last snapshot whose full state is known.
    std::optional<std::int32_t> previous_;
    std::int16_t lastScore_ = 0;
    std::array<EventMemory, EntityCount> events_{};
    std::vector<std::uint16_t> live_; // the entities whose memory is live

    // The snapshot being built. Fields of an entity that is not kept go to
    // `discard_`, so that entityField needs no test.
    bool building_ = false;
    bool buildValid_ = false; // building, and the data is usable so far
    std::int32_t sequence_ = 0;
    std::int32_t serverTime_ = 0;
    const Frame* reference_ = nullptr;
    bool referenceIsPrevious_ = false;
    std::int16_t score_ = 0;
    EntityState* current_ = nullptr;
    EntityState discard_{};
    // The entity whose fields are arriving: its new state is built in
    // `pendingState_` and becomes an entry only if it differs from the
    // previous snapshot's, which most changes (of positions and the like)
    // do not.
    bool pending_ = false;
    std::uint16_t pendingNumber_ = 0;
    bool pendingPresent_ = false;
    const Entry* pendingBase_ = nullptr;
    EntityState pendingState_{};
    // The data names entities in increasing order: the last one named. Every
    // entity named by the current snapshot carries its stamp.
    int lastTouched_ = -1;
    std::uint32_t stamp_ = 0;
    // The entities whose state changed.
    std::vector<std::uint16_t> changed_;
    std::array<std::uint32_t, EntityCount> touchedStamp_{};

    std::vector<TrackedEntity> newEvents_;
};

} // namespace fenlark::q3match
