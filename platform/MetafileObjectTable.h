#pragma once

// The object slots of a metafile being recorded. Our drawing context selects
// pens, brushes and fonts by value, so the recorders decide themselves when a
// metafile object is created and deleted: a value selected again reuses its
// slot (a page of glyphs selects the same five fonts over and over), and when
// the table is full the least recently used object that is neither selected
// nor held by a saved state is deleted to make room.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

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

}  // namespace kavitro
