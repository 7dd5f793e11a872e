#pragma once

// An array of trivially copyable values with a gap where the last insertion
// or removal happened. Typing inserts and removes words at the caret, over
// and over: a plain array moves every value after the caret each time,
// which in a long paragraph is most of them; here only the values between
// the old and the new place of the gap move. Reading an element costs one
// comparison more, and data() closes the gap (moving it to the end) to give
// the values as one block.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <utility>

namespace kavitro {

template <typename T>
class CGapArray {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>,
                  "elements are moved with memmove");

public:
    CGapArray() noexcept = default;
    CGapArray(const CGapArray&) = delete;
    CGapArray& operator=(const CGapArray&) = delete;
    CGapArray(CGapArray&& other) noexcept { swap(other); }
    CGapArray& operator=(CGapArray&& other) noexcept {
        if (this != &other) {
            CGapArray old(std::move(*this));
            swap(other);
        }
        return *this;
    }
    ~CGapArray() = default;

    std::size_t size() const { return m_capacity - (m_gapEnd - m_gapStart); }
    bool empty() const { return size() == 0; }
    T& operator[](std::size_t i) { return m_data[Slot(i)]; }
    const T& operator[](std::size_t i) const { return m_data[Slot(i)]; }
    const T& at(std::size_t i) const {
        if (i >= size())
            throw std::out_of_range("CGapArray::at");
        return (*this)[i];
    }
    // The elements as one block, valid until the next change.
    const T* data() const {
        MoveGapTo(size());
        return m_data.get();
    }

    void reserve(std::size_t count) {
        if (count > m_capacity)
            Grow(count - size());
    }
    void clear() noexcept {
        m_gapStart = 0;
        m_gapEnd = m_capacity;
    }
    // Inserts `count` copies of value before index.
    void insert(std::size_t index, std::size_t count, const T& value) {
        MakeRoom(index, count);
        std::fill_n(m_data.get() + m_gapStart, count, value);
        m_gapStart += count;
    }
    void insert(std::size_t index, const T& value) { insert(index, 1, value); }
    // Inserts values[0..count-1] before index (values must not lie in this array).
    void insert(std::size_t index, const T* values, std::size_t count) {
        MakeRoom(index, count);
        if (count > 0)
            std::memcpy(static_cast<void*>(m_data.get() + m_gapStart), values, count * sizeof(T));
        m_gapStart += count;
    }
    // Removes elements first..last-1.
    void erase(std::size_t first, std::size_t last) {
        MoveGapTo(last);
        m_gapStart = first;
    }
    void swap(CGapArray& other) noexcept {
        std::swap(m_data, other.m_data);
        std::swap(m_capacity, other.m_capacity);
        std::swap(m_gapStart, other.m_gapStart);
        std::swap(m_gapEnd, other.m_gapEnd);
    }

private:
    std::size_t Slot(std::size_t i) const { return i < m_gapStart ? i : i + (m_gapEnd - m_gapStart); }

    void MakeRoom(std::size_t index, std::size_t count) {
        if (m_gapEnd - m_gapStart < count)
            Grow(count);
        MoveGapTo(index);
    }
    // The gap starts before element index afterwards.
    void MoveGapTo(std::size_t index) const {
        T* data = m_data.get();
        if (index < m_gapStart) {
            const std::size_t moved = m_gapStart - index;
            std::memmove(static_cast<void*>(data + m_gapEnd - moved), data + index, moved * sizeof(T));
            m_gapStart = index;
            m_gapEnd -= moved;
        } else if (index > m_gapStart) {
            const std::size_t moved = index - m_gapStart;
            std::memmove(static_cast<void*>(data + m_gapStart), data + m_gapEnd, moved * sizeof(T));
            m_gapStart = index;
            m_gapEnd += moved;
        }
    }
    // Room for at least `count` more elements; the gap stays where it is.
    void Grow(std::size_t count) {
        const std::size_t used = size();
        const std::size_t capacity = std::max({m_capacity * 2, used + count, std::size_t{16}});
        std::unique_ptr<T[]> data(new T[capacity]);
        const std::size_t after = m_capacity - m_gapEnd;
        if (m_gapStart > 0)
            std::memcpy(static_cast<void*>(data.get()), m_data.get(), m_gapStart * sizeof(T));
        if (after > 0)
            std::memcpy(static_cast<void*>(data.get() + capacity - after), m_data.get() + m_gapEnd, after * sizeof(T));
        m_data = std::move(data);
        m_gapEnd = capacity - after;
        m_capacity = capacity;
    }

    // Mutable: data() closes the gap of a const array.
    mutable std::unique_ptr<T[]> m_data;
    std::size_t m_capacity = 0;
    mutable std::size_t m_gapStart = 0;
    mutable std::size_t m_gapEnd = 0;
};

}  // namespace kavitro
