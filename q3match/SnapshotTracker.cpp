#include "q3match/SnapshotTracker.h"

#include <algorithm>
#include <string_view>

namespace fenlark::q3match {

using demoreader::EntityChange;

SnapshotTracker::SnapshotTracker(const demoreader::ProtocolInfo& protocol, int entityEvents)
    : entityEvents_(entityEvents),
      histories_(std::make_unique_for_overwrite<std::array<History, EntityCount>>()),
      changedPool_(std::make_unique_for_overwrite<std::array<std::uint16_t, ChangedPoolSize>>()),
      newEvents_(EntityCount) {
    // Fields are found by name: their positions differ between protocols.
    for (std::size_t i = 0; i < protocol.entityFields.size() && i < fieldMasks_.size(); ++i) {
        const std::string_view name = protocol.entityFields[i].name;
        unsigned shift = 0;
        std::uint64_t width = 0;
        if (name == "eType") {
            shift = EntityState::ETypeShift;
            width = 0xFF;
        } else if (name == "eventParm") {
            shift = EntityState::EventParmShift;
            width = 0xFF;
        } else if (name == "event") {
            shift = EntityState::EventShift;
            width = 0xFFFF;
        } else if (name == "otherEntityNum") {
            shift = EntityState::OtherShift;
            width = 0xFFFF;
        } else if (name == "otherEntityNum2") {
            shift = EntityState::Other2Shift;
            width = 0xFFFF;
        } else {
            continue;
        }
        fieldShifts_[i] = static_cast<std::uint8_t>(shift);
        fieldMasks_[i] = width << shift;
        wantedFields_ |= std::uint64_t{1} << i;
    }
    reset();
}

SnapshotTracker::~SnapshotTracker() = default;

void SnapshotTracker::reset() {
    baselines_.fill(EntityState{});
    forgetSnapshots();
    invalidate();
    pending_ = false;
    frame_.changedCount = 0;
    current_ = &discard_;
    newEventCount_ = 0;
}

void SnapshotTracker::forgetSnapshots() {
    heads_.fill(0);
    sizes_.fill(0);
    latest_.fill(NeverSeen);
    for (std::size_t slot = 0; slot < Backup; ++slot) {
        frames_[slot].sequence = static_cast<std::int32_t>(slot + 1);
    }
    events_.fill(EventMemory{});
    hadWhole_ = hadWhole_ || hasPrevious();
    previous_ = NoPrevious;
}

void SnapshotTracker::baselineEntity(unsigned number) {
    // A baseline is a delta from the zero state; a removed or unchanged one
    // is the zero state itself.
    if (number < baselines_.size()) {
        baselines_[number] = EntityState{};
        current_ = &baselines_[number];
    } else {
        current_ = &discard_;
    }
}

void SnapshotTracker::dropNewest(unsigned number) {
    heads_[number] =
        static_cast<std::uint8_t>((heads_[number] + HistoryLength - 1) % HistoryLength);
    --sizes_[number];
    latest_[number] =
        sizes_[number] != 0
            ? (*histories_)[number][(heads_[number] + HistoryLength - 1) % HistoryLength]
            : NeverSeen;
}

// Every snapshot whose reference is not the previous one has its own stamp
// for the entities its data names.
void SnapshotTracker::nextStamp() {
    if (++stamp_ == 0) {
        touchedStamp_.fill(0);
        stamp_ = 1;
    }
}

// A snapshot coded against an older snapshot than the previous one, or
// against none.
void SnapshotTracker::beginWithoutPrevious(std::uint8_t deltaNumber) {
    referenceIsPrevious_ = false;
    reference_ = nullptr;
    referenceSequence_ = NoPrevious;
    frame_.score = 0;
    // Histories hold states by growing sequence number; a demo whose
    // numbers go back starts afresh.
    if (frame_.sequence <= previous_) {
        forgetSnapshots();
    }
    if (deltaNumber == 0) {
        nextStamp();
        return;
    }
    // The reference is the snapshot of the record `deltaNumber` before this
    // one; when it is no longer (or never was) at hand, the engine drops the
    // snapshot, and so does the analysis.
    const auto referenceSequence =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(frame_.sequence) - deltaNumber);
    const Frame& candidate = frames_[static_cast<std::uint32_t>(referenceSequence) % Backup];
    if (candidate.sequence != referenceSequence) {
        invalidate();
        return;
    }
    reference_ = &candidate;
    referenceSequence_ = referenceSequence;
    frame_.score = candidate.score;
    nextStamp();
}

// The state in the reference of an entity that changed after it.
const SnapshotTracker::Entry* SnapshotTracker::olderBase(unsigned number) const {
    const Entry* base = reference_ != nullptr ? at(number, reference_->sequence) : nullptr;
    return base != nullptr ? base : &NeverSeen;
}

void SnapshotTracker::dropSnapshot() {
    const std::uint16_t* changed = changedPool_->data() + frame_.changedAt;
    for (std::size_t i = 0; i < frame_.changedCount; ++i) {
        dropNewest(changed[i]);
    }
    frame_.changedCount = 0;
}

// A full snapshot names every entity it holds: the others are gone.
void SnapshotTracker::clearUntouched() {
    for (unsigned number = FirstNonClient; number < EntityCount; ++number) {
        if (touchedStamp_[number] == stamp_) {
            continue;
        }
        if (latest_[number].present) {
            append(number, false, EntityState{});
            noteChanged(number);
        }
    }
}

// When the reference is older than the previous snapshot, whatever changed
// after it and is not named by this snapshot's data takes its state in the
// reference again.
void SnapshotTracker::restoreUntouched() {
    const std::int32_t referenceSequence = reference_->sequence;
    const std::int32_t last = static_cast<std::int32_t>(previous_);
    if (std::int64_t{last} - referenceSequence >= std::int64_t{Backup}) [[unlikely]] {
        // Records are missing, so the reference is still at hand though
        // more snapshots followed it than there are frames: theirs are not
        // all kept. Every entity that changed after the reference is looked
        // at instead. (One that changed more often than its history holds
        // has lost its state there and counts as absent.)
        for (unsigned number = FirstNonClient; number < EntityCount; ++number) {
            if (touchedStamp_[number] != stamp_ && latest_[number].sequence > referenceSequence) {
                restoreEntity(number);
            }
        }
        return;
    }
    // Otherwise every snapshot since the reference has its frame and its
    // run of changes.
    for (std::int32_t sequence = referenceSequence + 1; sequence <= last; ++sequence) {
        const Frame& frame = frames_[static_cast<std::uint32_t>(sequence) % Backup];
        if (frame.sequence != sequence) {
            continue;
        }
        for (std::size_t i = 0; i < frame.changedCount; ++i) {
            const unsigned number = (*changedPool_)[frame.changedAt + i];
            if (touchedStamp_[number] == stamp_) {
                continue;
            }
            touchedStamp_[number] = stamp_;
            restoreEntity(number);
        }
    }
}

// An entity untouched by this snapshot's data: it has no entry of this
// snapshot yet, so its newest entry is its state in the previous snapshot.
void SnapshotTracker::restoreEntity(unsigned number) {
    const Entry* then = at(number, reference_->sequence);
    const bool present = then != nullptr && then->present;
    const EntityState state = present ? then->state : EntityState{};
    const Entry& latest = latest_[number];
    if (present == latest.present && (!present || state == latest.state)) {
        return;
    }
    append(number, present, state);
    noteChanged(number);
}

// The client's memory of event entities: an entity that becomes an event
// entity fires unless it fired already and was seen less than an event's
// lifetime ago. Only entities whose state changed can start or stop being
// event entities.
void SnapshotTracker::updateEvents() {
    const std::uint16_t* changed = changedPool_->data() + frame_.changedAt;
    for (std::size_t i = 0; i < frame_.changedCount; ++i) {
        const std::uint16_t number = changed[i];
        const Entry& now = latest_[number];
        EventMemory& memory = events_[number];
        // Both tests always made (no short cut): whether an entity that
        // changed is an event entity is data, a branch the processor would
        // often mispredict.
        const bool isEvent = now.present & (now.state.eType() > entityEvents_);
        if (isEvent == memory.live) {
            continue;
        }
        memory.live = isEvent;
        if (!isEvent) {
            // It was an event entity up to the previous whole snapshot.
            memory.lastSeen = previousServerTime_;
            continue;
        }
        if (memory.fired && serverTime_ - memory.lastSeen > EventValidMs) {
            memory.fired = false;
        }
        if (!memory.fired) {
            memory.fired = true;
            newEvents_[newEventCount_++] = {number, now.state};
        }
    }
    if (newEventCount_ > 1) {
        std::sort(
            newEvents_.begin(), newEvents_.begin() + static_cast<std::ptrdiff_t>(newEventCount_),
            [](const TrackedEntity& a, const TrackedEntity& b) { return a.number < b.number; });
    }
}

} // namespace fenlark::q3match
