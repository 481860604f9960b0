// A growable array of plain values, the storage of a column's cells.
//
// It grows with realloc, which moves a large block by remapping its pages (as the C library does
// for the blocks it maps): a column filled by appends to a million rows neither copies its cells
// again at each doubling nor touches fresh pages for the copies, as a vector would.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace tablix {

template <class T>
class PodArray {
    static_assert(std::is_trivially_copyable_v<T>, "the block is moved as bytes");

public:
    PodArray() = default;
    PodArray(const PodArray& other) { append(other.data_, other.size_); }
    PodArray& operator=(const PodArray& other) {
        if (this != &other) {
            clear();
            append(other.data_, other.size_);
        }
        return *this;
    }
    PodArray(PodArray&& other) noexcept { swap(other); }
    PodArray& operator=(PodArray&& other) noexcept {
        PodArray(std::move(other)).swap(*this);
        return *this;
    }
    ~PodArray() { std::free(data_); }

    size_t size() const { return size_; }
    size_t capacity() const { return capacity_; }
    bool empty() const { return size_ == 0; }
    T* data() { return data_; }
    const T* data() const { return data_; }
    T& operator[](size_t i) { return data_[i]; }
    const T& operator[](size_t i) const { return data_[i]; }
    T* begin() { return data_; }
    T* end() { return data_ + size_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }

    void push_back(T value) {
        if (size_ == capacity_) grow(size_ + 1);
        data_[size_++] = value;
    }
    void append(const T* values, size_t count) {
        if (count > capacity_ - size_) grow(size_ + count);
        if (count) std::memcpy(data_ + size_, values, count * sizeof(T));
        size_ += count;
    }
    // Grows or shrinks to count values; new ones are zero.
    void resize(size_t count) {
        if (count > capacity_) grow(count);
        if (count > size_) std::memset(static_cast<void*>(data_ + size_), 0, (count - size_) * sizeof(T));
        size_ = count;
    }
    void reserve(size_t count) {
        if (count > capacity_) setCapacity(count);
    }
    // Forgets the values and keeps the room they took.
    void clear() { size_ = 0; }
    void swap(PodArray& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
    }

private:
    static constexpr size_t kMaxCapacity = SIZE_MAX / sizeof(T);

    // At least doubles, so that appending stays linear.
    void grow(size_t count) {
        const size_t doubled = capacity_ > kMaxCapacity / 2 ? kMaxCapacity : capacity_ * 2;
        setCapacity(std::max({count, doubled, size_t{16}}));
    }
    void setCapacity(size_t count) {
        if (count > kMaxCapacity) throw std::bad_alloc();
        void* grown = std::realloc(data_, count * sizeof(T));
        if (!grown) throw std::bad_alloc();
        data_ = static_cast<T*>(grown);
        capacity_ = count;
    }

    T* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

}  // namespace tablix
