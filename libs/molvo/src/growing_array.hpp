// An array of plain values that grows in place where it can: a large block grows by remapping its
// pages, so growing a million-entry array copies nothing and touches each page once, where a
// vector copies everything into fresh pages at every doubling.
#pragma once

#include "growing_block.hpp"

#include <algorithm>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>

namespace molvo {

template <class T>
class GrowingArray {
    static_assert(std::is_trivially_copyable_v<T>, "the block is moved as bytes");

public:
    GrowingArray() = default;
    GrowingArray(const GrowingArray&) = delete;
    GrowingArray& operator=(const GrowingArray&) = delete;
    GrowingArray(GrowingArray&& other) noexcept { swap(other); }
    GrowingArray& operator=(GrowingArray&& other) noexcept {
        GrowingArray(std::move(other)).swap(*this);
        return *this;
    }
    ~GrowingArray() { block::release(data_, blockBytes_); }

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T* data() { return data_; }
    const T* data() const { return data_; }
    T& operator[](size_t i) { return data_[i]; }
    const T& operator[](size_t i) const { return data_[i]; }
    T& back() { return data_[size_ - 1]; }
    T* begin() { return data_; }
    T* end() { return data_ + size_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }

    void push_back(T value) {
        if (size_ == capacity_) reserve(size_ + 1);
        data_[size_++] = value;
    }
    // Appends count values for the caller to write, and returns where they start.
    T* extend(size_t count) {
        if (count > capacity_ - size_) reserve(size_ + count);
        T* at = data_ + size_;
        size_ += count;
        return at;
    }
    // Room for at least count values; the capacity at least doubles, so appending stays linear.
    void reserve(size_t count) {
        if (count <= capacity_) return;
        if (count > kMaxCapacity) throw std::bad_alloc();
        const size_t doubled = capacity_ > kMaxCapacity / 2 ? kMaxCapacity : capacity_ * 2;
        const size_t bytes = block::roomFor(std::max({count, doubled, kFirstCapacity}) * sizeof(T));
        data_ = static_cast<T*>(block::grow(data_, blockBytes_, bytes));
        blockBytes_ = bytes;
        capacity_ = bytes / sizeof(T);
    }
    // Forgets the values from count on (count is at most the size).
    void truncate(size_t count) { size_ = count; }
    // Forgets the values and keeps the block for the next ones.
    void clear() { size_ = 0; }
    // Forgets the values and frees the block.
    void release() { GrowingArray().swap(*this); }
    void swap(GrowingArray& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
        std::swap(blockBytes_, other.blockBytes_);
    }

private:
    static constexpr size_t kFirstCapacity = 64 / sizeof(T) > 0 ? 64 / sizeof(T) : 1;
    static constexpr size_t kMaxCapacity = SIZE_MAX / sizeof(T);

    T* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
    size_t blockBytes_ = 0;   // what the block holds, which may be a few bytes beyond the capacity
};

}  // namespace molvo
