// Texts of the model (element names, string values) kept end to end in one buffer instead of one
// heap block each: a million short names cost a few bytes each, not a string object and an
// allocation.
//
// Each text is its length (seven bits a byte, the high bit set on all but the last) followed by
// its characters: one byte each when every character fits in a byte, as model texts mostly do,
// else the four bytes of each wchar_t as it is, so that any text comes back exactly. A handle is
// the text's offset times two plus one when it is stored wide; handle 0 is the empty text.
#pragma once

#include "growing_array.hpp"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace molvo {

// A stored text, or a wide string, seen in place.
class TextView {
public:
    TextView() = default;
    TextView(const unsigned char* chars, size_t size, bool wide) : chars_(chars), size_(size), wide_(wide) {}
    TextView(std::wstring_view text)   // NOLINT: a wide string is a text
        : chars_(reinterpret_cast<const unsigned char*>(text.data())), size_(text.size()), wide_(true) {}

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    wchar_t operator[](size_t i) const {
        if (!wide_) return wchar_t(chars_[i]);
        wchar_t c;
        std::memcpy(&c, chars_ + i * sizeof(wchar_t), sizeof c);
        return c;
    }
    bool operator==(std::wstring_view other) const {
        if (other.size() != size_) return false;
        if (wide_) return size_ == 0 || std::memcmp(chars_, other.data(), size_ * sizeof(wchar_t)) == 0;
        for (size_t i = 0; i < size_; ++i)
            if (other[i] != wchar_t(chars_[i])) return false;
        return true;
    }
    // Writes the first count characters.
    void copyTo(wchar_t* out, size_t count) const {
        if (wide_) {
            if (count) std::memcpy(out, chars_, count * sizeof(wchar_t));
            return;
        }
        for (size_t i = 0; i < count; ++i) out[i] = wchar_t(chars_[i]);
    }
    std::wstring str() const {
        std::wstring out(size_, L'\0');
        copyTo(out.data(), size_);
        return out;
    }

private:
    const unsigned char* chars_ = nullptr;
    size_t size_ = 0;
    bool wide_ = false;
};

class TextPool {
public:
    using Handle = uint64_t;

    // The text is narrowed as it is copied, in one pass: a million names and values pass here. A
    // character beyond a byte, which is rare, has the text stored again wide.
    Handle add(std::wstring_view text) {
        if (text.empty()) return 0;
        if (bytes_.empty()) bytes_.push_back(0);   // offset 0 stays unused: handle 0 is the empty text
        const wchar_t* in = text.data();
        const size_t size = text.size();
        unsigned char length[10];
        size_t lengthBytes = 0;
        for (uint64_t n = size;; n >>= 7) {
            length[lengthBytes++] = static_cast<unsigned char>((n & 0x7F) | (n > 0x7F ? 0x80 : 0));
            if (n <= 0x7F) break;
        }
        const size_t at = bytes_.size();
        unsigned char* out = bytes_.extend(lengthBytes + size);
        std::memcpy(out, length, lengthBytes);
        out += lengthBytes;
        uint32_t any = 0;
        for (size_t i = 0; i < size; ++i) {
            any |= static_cast<uint32_t>(in[i]);
            out[i] = static_cast<unsigned char>(in[i]);
        }
        if (any <= 0xFF) return Handle(at) << 1;
        bytes_.truncate(at + lengthBytes);
        std::memcpy(bytes_.extend(size * sizeof(wchar_t)), in, size * sizeof(wchar_t));
        return Handle(at) << 1 | 1;
    }

    TextView view(Handle h) const {
        if (h == 0) return {};
        size_t at = size_t(h >> 1);
        uint64_t size = 0;
        for (int shift = 0;; shift += 7) {
            unsigned char b = bytes_[at++];
            size |= uint64_t(b & 0x7F) << shift;
            if (!(b & 0x80)) break;
        }
        return TextView(bytes_.data() + at, size_t(size), (h & 1) != 0);
    }

    // The text behind the handle is no longer used.
    void release(Handle h) {
        if (h == 0) return;
        TextView v = view(h);
        garbage_ += v.size() * ((h & 1) ? sizeof(wchar_t) : 1) + 1;
    }

    // Whether more than half of the buffer is texts no longer used.
    bool wasteful() const { return garbage_ > kCompactAfter && garbage_ * 2 > bytes_.size(); }

    // Keeps only the texts still used. forEachHandle(f) calls f(Handle&) for every handle in use,
    // which is then updated to the text's new place.
    template <class ForEachHandle>
    void compact(ForEachHandle&& forEachHandle) {
        TextPool fresh;
        fresh.bytes_.reserve(bytes_.size() - garbage_);
        forEachHandle([&](Handle& h) { h = fresh.add(view(h).str()); });
        bytes_.swap(fresh.bytes_);
        garbage_ = 0;
    }

    void clear() {
        bytes_.release();
        garbage_ = 0;
    }

private:
    static constexpr size_t kCompactAfter = 1 << 16;

    GrowingArray<unsigned char> bytes_;
    size_t garbage_ = 0;
};

}  // namespace molvo
