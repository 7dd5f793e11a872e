#pragma once

// What the two metafile recorders share: the object slots of a metafile
// being recorded, what it has selected, and how it records a solid fill.
//
// The object slots: our drawing context selects pens, brushes and fonts by
// value, so the recorders decide themselves when a metafile object is
// created and deleted: a value selected again reuses its slot (a page of
// glyphs selects the same five fonts over and over), and when the table is
// full the least recently used object that is neither selected nor held by a
// saved state is deleted to make room.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/DC.h"
#include "platform/Metafile.h"

namespace kavitro {

class MetaObjectTable {
public:
    // `firstSlot`: 1 for enhanced metafiles (slot 0 is reserved), 0 for
    // Windows metafiles. `capacity`: the most objects alive at once.
    MetaObjectTable(std::uint32_t firstSlot, std::uint32_t capacity) : m_first(firstSlot), m_capacity(capacity) {}

    struct Use {
        std::uint32_t slot = 0;
        bool create = false;                // the caller writes the object's creation
        std::optional<std::uint32_t> evict;  // the caller deletes this slot first
    };

    // The slot for `value`; `pinned` are slots that must stay (selected now
    // or in a saved state).
    Use Acquire(const MetaObject& value, std::span<const std::uint32_t> pinned) {
        ++m_clock;
        for (auto& e : m_entries) {
            if (e.alive && e.value == value) {
                e.lastUse = m_clock;
                return {e.slot, false, std::nullopt};
            }
        }
        Use use;
        use.create = true;
        if (AliveCount() >= m_capacity) {
            Entry* victim = nullptr;
            for (auto& e : m_entries) {
                if (!e.alive || IsPinned(e.slot, pinned)) continue;
                if (victim == nullptr || e.lastUse < victim->lastUse) victim = &e;
            }
            if (victim != nullptr) {
                victim->alive = false;
                use.evict = victim->slot;
            }
        }
        use.slot = LowestFree();
        Entry* entry = Find(use.slot);
        if (entry == nullptr) {
            m_entries.push_back({});
            entry = &m_entries.back();
        }
        *entry = Entry{use.slot, value, m_clock, true};
        m_highWater = std::max(m_highWater, use.slot + 1);
        return use;
    }

    // One past the highest slot ever used.
    std::uint32_t HighWater() const { return std::max(m_highWater, m_first); }

private:
    struct Entry {
        std::uint32_t slot = 0;
        MetaObject value;
        std::uint64_t lastUse = 0;
        bool alive = false;
    };

    static bool IsPinned(std::uint32_t slot, std::span<const std::uint32_t> pinned) {
        for (std::uint32_t p : pinned)
            if (p == slot) return true;
        return false;
    }
    std::uint32_t AliveCount() const {
        std::uint32_t n = 0;
        for (const auto& e : m_entries) n += e.alive ? 1 : 0;
        return n;
    }
    Entry* Find(std::uint32_t slot) {
        for (auto& e : m_entries)
            if (e.slot == slot) return &e;
        return nullptr;
    }
    std::uint32_t LowestFree() {
        for (std::uint32_t slot = m_first;; ++slot) {
            const Entry* e = Find(slot);
            if (e == nullptr || !e->alive) return slot;
        }
    }

    std::uint32_t m_first;
    std::uint32_t m_capacity;
    std::vector<Entry> m_entries;
    std::uint64_t m_clock = 0;
    std::uint32_t m_highWater = 0;
};

// A solid fill as the recorders write it: an opaque output of no characters
// over the rectangle, in the background colour the context has just set.
inline TextCall OpaqueFillCall(const Rect& rect) {
    TextCall call;
    call.options = ETO_OPAQUE;
    call.rect = rect;
    return call;
}

// What a metafile being recorded has selected (a slot, or nothing for a
// stock object), now and in every saved state. Both recorders keep it so that
// the object table never evicts a slot a later restore would bring back.
class MetaSelection {
public:
    struct Slots {
        std::optional<std::uint32_t> pen;
        std::optional<std::uint32_t> brush;
        std::optional<std::uint32_t> font;
    };
    using Which = std::optional<std::uint32_t> Slots::*;

    void Set(Which which, std::optional<std::uint32_t> slot) { m_current.*which = slot; }

    // The slots held now or by a saved state.
    std::vector<std::uint32_t> Pinned() const {
        std::vector<std::uint32_t> pinned;
        auto pin = [&](const Slots& s) {
            for (const auto& slot : {s.pen, s.brush, s.font})
                if (slot) pinned.push_back(*slot);
        };
        pin(m_current);
        for (const Slots& s : m_saved) pin(s);
        return pinned;
    }

    void Save() { m_saved.push_back(m_current); }

    // A restore to `level` (from the bottom when positive, back from the top
    // when negative, as the context counts): the value the restore record
    // carries, which counts back from the top; nothing when no saved state
    // answers, and then nothing changes.
    std::optional<std::int32_t> Restore(int level) {
        const auto depth = static_cast<std::int32_t>(m_saved.size());
        const std::int32_t relative = level < 0 ? level : level - 1 - depth;
        const std::int32_t remaining = depth + relative;
        if (relative >= 0 || remaining < 0) return std::nullopt;
        m_current = m_saved[static_cast<std::size_t>(remaining)];
        m_saved.resize(static_cast<std::size_t>(remaining));
        return relative;
    }

private:
    Slots m_current;
    std::vector<Slots> m_saved;
};

}  // namespace kavitro
