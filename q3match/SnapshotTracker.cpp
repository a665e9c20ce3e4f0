#include "q3match/SnapshotTracker.h"

#include <algorithm>
#include <string_view>

namespace fenlark::q3match {

using demoreader::EntityChange;

SnapshotTracker::SnapshotTracker(const demoreader::ProtocolInfo& protocol, int entityEvents)
    : entityEvents_(entityEvents),
      histories_(std::make_unique_for_overwrite<std::array<History, EntityCount>>()),
      changedPool_(std::make_unique_for_overwrite<std::array<std::uint16_t, ChangedPoolSize>>()) {
    // Fields are found by name: their positions differ between protocols.
    for (std::size_t i = 0; i < protocol.entityFields.size() && i < entitySlots_.size(); ++i) {
        const std::string_view name = protocol.entityFields[i].name;
        if (name == "eType") {
            entitySlots_[i] = Slot::EType;
        } else if (name == "event") {
            entitySlots_[i] = Slot::Event;
        } else if (name == "eventParm") {
            entitySlots_[i] = Slot::EventParm;
        } else if (name == "otherEntityNum") {
            entitySlots_[i] = Slot::Other;
        } else if (name == "otherEntityNum2") {
            entitySlots_[i] = Slot::Other2;
        }
    }
    for (std::size_t i = 0; i < demoreader::MaxTableFields; ++i) {
        if (entitySlots_[i] != Slot::None) {
            wantedFields_ |= std::uint64_t{1} << i;
        }
    }
    changed_.reserve(EntityCount);
    live_.reserve(EntityCount);
    newEvents_.reserve(64);
    reset();
}

SnapshotTracker::~SnapshotTracker() = default;

void SnapshotTracker::reset() {
    baselines_.fill(EntityState{});
    forgetSnapshots();
    building_ = false;
    buildValid_ = false;
    pending_ = false;
    current_ = &discard_;
    newEvents_.clear();
}

void SnapshotTracker::forgetSnapshots() {
    heads_.fill(0);
    sizes_.fill(0);
    for (Frame& frame : frames_) {
        frame.valid = false;
    }
    events_.fill(EventMemory{});
    live_.clear();
    previous_.reset();
    lastScore_ = 0;
}

void SnapshotTracker::apply(EntityState& entity, Slot slot, std::uint32_t value) {
    switch (slot) {
    case Slot::None:
        break;
    case Slot::EType:
        entity.eType = static_cast<std::uint8_t>(value);
        break;
    case Slot::Event:
        entity.event = static_cast<std::uint16_t>(value);
        break;
    case Slot::EventParm:
        entity.eventParm = static_cast<std::uint8_t>(value);
        break;
    case Slot::Other:
        entity.otherEntityNum = static_cast<std::uint16_t>(value);
        break;
    case Slot::Other2:
        entity.otherEntityNum2 = static_cast<std::uint16_t>(value);
        break;
    }
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
}

void SnapshotTracker::beginSnapshot(std::int32_t sequence,
                                    const demoreader::SnapshotHeader& header) {
    newEvents_.clear();
    changed_.clear();
    lastTouched_ = -1;
    // Every snapshot has its own stamp for the entities its data names.
    if (++stamp_ == 0) {
        touchedStamp_.fill(0);
        stamp_ = 1;
    }
    pending_ = false;
    current_ = &discard_;
    building_ = true;
    buildValid_ = true;
    reference_ = nullptr;
    // Histories hold states by growing sequence number; a demo whose
    // numbers go back starts afresh.
    if (previous_ && sequence <= *previous_) {
        forgetSnapshots();
    }
    sequence_ = sequence;
    serverTime_ = header.serverTime;
    if (header.deltaNumber != 0) {
        // The reference is the snapshot of the record `deltaNumber` before
        // this one; when it is no longer (or never was) at hand, the engine
        // drops the snapshot, and so does the analysis.
        const std::int32_t referenceSequence =
            static_cast<std::int32_t>(static_cast<std::uint32_t>(sequence) - header.deltaNumber);
        const Frame& candidate = frames_[static_cast<std::uint32_t>(referenceSequence) % Backup];
        if (candidate.valid && candidate.sequence == referenceSequence) {
            reference_ = &candidate;
        } else {
            buildValid_ = false;
        }
    }
    score_ = reference_ != nullptr ? reference_->score : std::int16_t{0};
    referenceIsPrevious_ = reference_ != nullptr && previous_ && reference_->sequence == *previous_;
}

void SnapshotTracker::addEntity(unsigned number, EntityChange change) {
    // Entity numbers come in increasing order; anything else is damage.
    if (number >= EntityCount || static_cast<int>(number) <= lastTouched_) {
        buildValid_ = false;
        return;
    }
    lastTouched_ = static_cast<int>(number);
    touchedStamp_[number] = stamp_;
    // An entity the reference holds is delta-coded from it, any other one
    // from its baseline. When the reference is the previous snapshot, the
    // entity's newest entry is the one: this snapshot has added none for it
    // yet.
    const Entry* base = nullptr;
    if (referenceIsPrevious_) {
        base = sizes_[number] != 0 ? &newest(number) : nullptr;
    } else if (reference_ != nullptr) {
        base = at(number, reference_->sequence);
    }
    pending_ = true;
    pendingNumber_ = static_cast<std::uint16_t>(number);
    pendingPresent_ = change != EntityChange::Removed;
    pendingBase_ = base;
    pendingState_ = base != nullptr && base->present ? base->state : baselines_[number];
    if (change == EntityChange::Changed) {
        current_ = &pendingState_;
    }
}

void SnapshotTracker::finishPending() {
    pending_ = false;
    if (!buildValid_) {
        return;
    }
    const unsigned number = pendingNumber_;
    // With the previous snapshot as reference, the entry the data was
    // delta-coded from is the one to compare with.
    const Entry* before = referenceIsPrevious_ ? pendingBase_
                          : previous_          ? at(number, *previous_)
                                               : nullptr;
    const bool wasPresent = before != nullptr && before->present;
    if (pendingPresent_ == wasPresent && (!wasPresent || pendingState_ == before->state)) {
        return;
    }
    append(number, pendingPresent_, pendingState_);
    changed_.push_back(static_cast<std::uint16_t>(number));
}

// A full snapshot names every entity it holds: the others are gone.
void SnapshotTracker::clearUntouched() {
    for (unsigned number = FirstNonClient; number < EntityCount; ++number) {
        if (touchedStamp_[number] == stamp_ || sizes_[number] == 0) {
            continue;
        }
        if (newest(number).present) {
            append(number, false, EntityState{});
            changed_.push_back(static_cast<std::uint16_t>(number));
        }
    }
}

// When the reference is older than the previous snapshot, whatever changed
// after it and is not named by this snapshot's data takes its state in the
// reference again.
void SnapshotTracker::restoreUntouched() {
    for (std::int32_t sequence = reference_->sequence + 1; sequence <= *previous_; ++sequence) {
        const Frame& frame = frames_[static_cast<std::uint32_t>(sequence) % Backup];
        if (!frame.valid || frame.sequence != sequence) {
            continue;
        }
        for (std::size_t i = 0; i < frame.changedCount; ++i) {
            const unsigned number = (*changedPool_)[frame.changedAt + i];
            if (touchedStamp_[number] == stamp_) {
                continue;
            }
            touchedStamp_[number] = stamp_;
            // Untouched entities have no entry of this snapshot yet, so their
            // newest entry is their state in the previous snapshot.
            const Entry* then = at(number, reference_->sequence);
            const bool present = then != nullptr && then->present;
            const EntityState state = present ? then->state : EntityState{};
            const bool wasPresent = sizes_[number] != 0 && newest(number).present;
            if (present == wasPresent && (!present || state == newest(number).state)) {
                continue;
            }
            append(number, present, state);
            changed_.push_back(static_cast<std::uint16_t>(number));
        }
    }
}

// The client's memory of event entities: an entity that becomes an event
// entity fires unless it fired already and was seen less than an event's
// lifetime ago.
void SnapshotTracker::updateEvents() {
    for (const std::uint16_t number : changed_) {
        const Entry& now = newest(number);
        EventMemory& memory = events_[number];
        const bool isEvent = now.present && now.state.eType > entityEvents_;
        if (isEvent && !memory.live) {
            memory.live = true;
            live_.push_back(number);
            if (memory.fired && serverTime_ - memory.lastSeen > EventValidMs) {
                memory.fired = false;
            }
            if (!memory.fired) {
                memory.fired = true;
                newEvents_.push_back({number, now.state});
            }
        } else if (!isEvent && memory.live) {
            memory.live = false;
            live_.erase(std::find(live_.begin(), live_.end(), number));
        }
    }
    for (const std::uint16_t number : live_) {
        events_[number].lastSeen = serverTime_;
    }
    if (newEvents_.size() > 1) {
        std::sort(
            newEvents_.begin(), newEvents_.end(),
            [](const TrackedEntity& a, const TrackedEntity& b) { return a.number < b.number; });
    }
}

bool SnapshotTracker::endSnapshot(bool ok) {
    if (pending_) {
        finishPending();
    }
    current_ = &discard_;
    if (!building_) {
        return false;
    }
    building_ = false;
    if (!ok || !buildValid_) {
        buildValid_ = false;
        for (const std::uint16_t number : changed_) {
            dropNewest(number);
        }
        return false;
    }
    buildValid_ = false;
    const bool full = reference_ == nullptr;
    if (previous_ && (full || !referenceIsPrevious_)) [[unlikely]] {
        if (full) {
            clearUntouched();
        } else {
            restoreUntouched();
        }
    }
    if (!changed_.empty() || !live_.empty()) {
        updateEvents();
    }

    Frame& frame = frames_[static_cast<std::uint32_t>(sequence_) % Backup];
    frame.sequence = sequence_;
    frame.valid = true;
    frame.score = score_;
    if (changedNext_ + changed_.size() > ChangedPoolSize) {
        changedNext_ = 0;
    }
    frame.changedAt = static_cast<std::uint32_t>(changedNext_);
    frame.changedCount = static_cast<std::uint16_t>(changed_.size());
    std::copy(changed_.begin(), changed_.end(),
              changedPool_->begin() + static_cast<std::ptrdiff_t>(changedNext_));
    changedNext_ += changed_.size();
    previous_ = sequence_;
    lastScore_ = score_;
    return true;
}

} // namespace fenlark::q3match
