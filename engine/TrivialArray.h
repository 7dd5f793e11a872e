#pragma once

// A contiguous array of trivially copyable values that grows in place where
// it can. std::vector copies every element into a new block whenever it
// outgrows its capacity; for a long word (a held space bar makes one of
// thousands of characters) that copy stalls a single keystroke. Growing with
// realloc lets the allocator extend the block where it stands, or move its
// pages, instead. The interface is the part of std::vector's that the text
// model uses, with plain pointers as iterators.
//
// With InlineCount above 0 the first InlineCount elements live inside the
// array itself, so that the many short arrays of a text (most words are a
// few letters) cost no allocation; a longer one moves to the heap once and
// grows there as above. Moving or swapping an array that is held inline
// copies its elements, so pointers into it follow the array's place, not
// its elements.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

namespace kavitro {

// Room for the elements held inline; none for InlineCount 0.
template <typename T, std::size_t InlineCount>
struct CInlineElements {
    T* Data() noexcept { return reinterpret_cast<T*>(m_bytes); }
    const T* Data() const noexcept { return reinterpret_cast<const T*>(m_bytes); }
    alignas(T) unsigned char m_bytes[InlineCount * sizeof(T)];
};
template <typename T>
struct CInlineElements<T, 0> {
    T* Data() noexcept { return nullptr; }
    const T* Data() const noexcept { return nullptr; }
};

template <typename T, std::size_t InlineCount = 0>
class CTrivialArray {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>,
                  "elements are moved with memcpy and realloc");

public:
    using value_type = T;
    using size_type = std::size_t;
    using difference_type = std::ptrdiff_t;
    using reference = T&;
    using const_reference = const T&;
    using pointer = T*;
    using const_pointer = const T*;
    using iterator = T*;
    using const_iterator = const T*;
    using reverse_iterator = std::reverse_iterator<iterator>;
    using const_reverse_iterator = std::reverse_iterator<const_iterator>;

    CTrivialArray() noexcept = default;
    explicit CTrivialArray(size_type count) { resize(count); }
    CTrivialArray(size_type count, const T& value) { assign(count, value); }
    CTrivialArray(std::initializer_list<T> values) { assign(values.begin(), values.end()); }
    template <std::input_iterator It>
    CTrivialArray(It first, It last) {
        assign(first, last);
    }
    // Interchange with std::vector for code that builds or checks
    // characters as a vector.
    CTrivialArray(const std::vector<T>& values) { assign(values.begin(), values.end()); }  // NOLINT
    operator std::vector<T>() const { return std::vector<T>(begin(), end()); }               // NOLINT

    CTrivialArray(const CTrivialArray& other) { assign(other.begin(), other.end()); }
    CTrivialArray(CTrivialArray&& other) noexcept { TakeFrom(other); }
    CTrivialArray& operator=(const CTrivialArray& other) {
        if (this != &other) assign(other.begin(), other.end());
        return *this;
    }
    CTrivialArray& operator=(CTrivialArray&& other) noexcept {
        if (this != &other) {
            if (other.IsInline()) {
                // Fits: a block is only ever larger than the inline room.
                CopyInline(m_data, other);
                m_size = std::exchange(other.m_size, 0);
            } else {
                FreeBlock();
                TakeFrom(other);
            }
        }
        return *this;
    }
    CTrivialArray& operator=(std::initializer_list<T> values) {
        assign(values.begin(), values.end());
        return *this;
    }
    ~CTrivialArray() { FreeBlock(); }

    size_type size() const noexcept { return m_size; }
    size_type capacity() const noexcept { return m_capacity; }
    bool empty() const noexcept { return m_size == 0; }
    T* data() noexcept { return m_data; }
    const T* data() const noexcept { return m_data; }

    iterator begin() noexcept { return m_data; }
    iterator end() noexcept { return m_data + m_size; }
    const_iterator begin() const noexcept { return m_data; }
    const_iterator end() const noexcept { return m_data + m_size; }
    const_iterator cbegin() const noexcept { return m_data; }
    const_iterator cend() const noexcept { return m_data + m_size; }
    reverse_iterator rbegin() noexcept { return reverse_iterator(end()); }
    reverse_iterator rend() noexcept { return reverse_iterator(begin()); }
    const_reverse_iterator rbegin() const noexcept { return const_reverse_iterator(end()); }
    const_reverse_iterator rend() const noexcept { return const_reverse_iterator(begin()); }

    T& operator[](size_type i) { return m_data[i]; }
    const T& operator[](size_type i) const { return m_data[i]; }
    T& at(size_type i) { return m_data[CheckedIndex(i)]; }
    const T& at(size_type i) const { return m_data[CheckedIndex(i)]; }
    T& front() { return m_data[0]; }
    const T& front() const { return m_data[0]; }
    T& back() { return m_data[m_size - 1]; }
    const T& back() const { return m_data[m_size - 1]; }

    void reserve(size_type count) {
        if (count > m_capacity) Reallocate(count);
    }
    void shrink_to_fit() {
        if (IsInline() || m_size == m_capacity) return;
        if (m_size <= InlineCount) {
            // Back inside (or, without inline room, nothing left to hold).
            T* block = m_data;
            m_data = m_inline.Data();
            m_capacity = InlineCount;
            if (m_size > 0) std::memcpy(static_cast<void*>(m_data), block, m_size * sizeof(T));
            std::free(block);
        } else {
            Reallocate(m_size);
        }
    }
    void clear() noexcept { m_size = 0; }
    void resize(size_type count) { resize(count, T{}); }
    void resize(size_type count, const T& value) {
        if (count > m_size) {
            const T copy = value;  // may live in this array
            Grow(count);
            std::fill(m_data + m_size, m_data + count, copy);
        }
        m_size = count;
    }
    void assign(size_type count, const T& value) {
        const T copy = value;
        m_size = 0;
        resize(count, copy);
    }
    template <std::input_iterator It>
    void assign(It first, It last) {
        const auto count = static_cast<size_type>(std::distance(first, last));
        if (count > m_capacity) {
            // The source may be this array's own elements: fill a new block
            // before letting the old one go.
            CTrivialArray fresh;
            fresh.Reallocate(count);
            std::copy(first, last, fresh.m_data);
            fresh.m_size = count;
            swap(fresh);
            return;
        }
        T* out = m_data;
        for (; first != last; ++first) *out++ = *first;  // overlapping front copy is safe forwards
        m_size = count;
    }
    void assign(std::initializer_list<T> values) { assign(values.begin(), values.end()); }

    void push_back(const T& value) {
        if (m_size == m_capacity) {
            const T copy = value;  // may live in this array
            Grow(m_size + 1);
            m_data[m_size++] = copy;
        } else {
            m_data[m_size++] = value;
        }
    }
    // Made in place: a value built on the stack and copied in would be
    // read back whole right after being written field by field, which
    // stalls the processor's store forwarding.
    template <typename... Args>
    T& emplace_back(Args&&... args) {
        if (m_size == m_capacity) {
            const T value{std::forward<Args>(args)...};  // the arguments may live in this array
            Grow(m_size + 1);
            return *::new (static_cast<void*>(m_data + m_size++)) T(value);
        }
        return *::new (static_cast<void*>(m_data + m_size++)) T{std::forward<Args>(args)...};
    }
    void pop_back() { --m_size; }

    iterator insert(const_iterator pos, const T& value) { return insert(pos, size_type{1}, value); }
    iterator insert(const_iterator pos, size_type count, const T& value) {
        const T copy = value;
        T* at = OpenGap(pos, count);
        std::fill(at, at + count, copy);
        return at;
    }
    template <std::input_iterator It>
    iterator insert(const_iterator pos, It first, It last) {
        const auto count = static_cast<size_type>(std::distance(first, last));
        if constexpr (std::is_pointer_v<It>) {
            if (count > 0 && Holds(&*first)) {  // this array's own elements
                const CTrivialArray<T> copy(first, last);  // held only for this call: no inline room
                return insert(pos, copy.begin(), copy.end());
            }
        }
        T* at = OpenGap(pos, count);
        std::copy(first, last, at);
        return at;
    }
    iterator insert(const_iterator pos, std::initializer_list<T> values) {
        return insert(pos, values.begin(), values.end());
    }
    iterator erase(const_iterator pos) { return erase(pos, pos + 1); }
    iterator erase(const_iterator first, const_iterator last) {
        T* from = m_data + (first - m_data);
        const auto count = static_cast<size_type>(last - first);
        if (count > 0) {
            std::memmove(static_cast<void*>(from), last, static_cast<size_type>(end() - last) * sizeof(T));
            m_size -= count;
        }
        return from;
    }

    void swap(CTrivialArray& other) noexcept {
        if (!IsInline() && !other.IsInline()) {
            std::swap(m_data, other.m_data);
            std::swap(m_size, other.m_size);
            std::swap(m_capacity, other.m_capacity);
            return;
        }
        // Inline elements are copied; a block changes hands.
        CTrivialArray held(std::move(other));
        other = std::move(*this);
        *this = std::move(held);
    }
    friend void swap(CTrivialArray& a, CTrivialArray& b) noexcept { a.swap(b); }

    friend bool operator==(const CTrivialArray& a, const CTrivialArray& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }
    friend bool operator==(const CTrivialArray& a, const std::vector<T>& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }

private:
    size_type CheckedIndex(size_type i) const {
        if (i >= m_size) throw std::out_of_range("CTrivialArray::at");
        return i;
    }
    bool Holds(const T* p) const { return m_size > 0 && !std::less<const T*>()(p, m_data) && std::less<const T*>()(p, m_data + m_size); }
    bool IsInline() const noexcept { return InlineCount > 0 && m_data == m_inline.Data(); }
    void FreeBlock() noexcept {
        if (!IsInline()) std::free(m_data);
    }
    // Copies the elements of an array held inline; the bound, which such an
    // array never passes, also keeps the compiler from assuming more.
    static void CopyInline(T* to, const CTrivialArray& from) noexcept {
        std::memcpy(static_cast<void*>(to), from.m_data, std::min(from.m_size, InlineCount) * sizeof(T));
    }
    // Takes other's elements into this array, which holds no block; other
    // is left empty.
    void TakeFrom(CTrivialArray& other) noexcept {
        if (other.IsInline()) {
            m_data = m_inline.Data();
            m_capacity = InlineCount;
            CopyInline(m_data, other);
            m_size = std::exchange(other.m_size, 0);
            return;
        }
        m_data = std::exchange(other.m_data, other.m_inline.Data());
        m_size = std::exchange(other.m_size, 0);
        m_capacity = std::exchange(other.m_capacity, InlineCount);
    }

    // Room for at least `count` elements, doubling so that a run of
    // appends stays amortised constant.
    void Grow(size_type count) {
        if (count > m_capacity) Reallocate(std::max({count, m_capacity * 2, size_type{4}}));
    }
    // A block of `capacity` (at least the size) for the elements.
    void Reallocate(size_type capacity) {
        if (capacity > static_cast<size_type>(PTRDIFF_MAX) / sizeof(T)) throw std::bad_alloc();
        const bool inside = IsInline();
        void* block = std::realloc(inside ? nullptr : static_cast<void*>(m_data), capacity * sizeof(T));
        if (block == nullptr) throw std::bad_alloc();
        if (inside && m_size > 0) std::memcpy(block, m_data, m_size * sizeof(T));
        m_data = static_cast<T*>(block);
        m_capacity = capacity;
    }
    // Shifts the elements from pos on by count and returns the gap.
    T* OpenGap(const_iterator pos, size_type count) {
        const auto index = static_cast<size_type>(pos - m_data);
        if (count == 0) return m_data + index;
        Grow(m_size + count);
        T* at = m_data + index;
        std::memmove(static_cast<void*>(at + count), at, (m_size - index) * sizeof(T));
        m_size += count;
        return at;
    }

    [[no_unique_address]] CInlineElements<T, InlineCount> m_inline;
    T* m_data = m_inline.Data();
    size_type m_size = 0;
    size_type m_capacity = InlineCount;
};

}  // namespace kavitro
