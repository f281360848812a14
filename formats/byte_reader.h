#pragma once
// Bounds-checked little-endian reader over untrusted bytes (file images,
// clipboard blocks, plug-in output). A read past the end yields zero and
// records the overrun instead of touching memory beyond the block; callers
// check Ok() after each block and reject what was cut short.

#include <cstddef>
#include <cstdint>

class TByteReader {
public:
    TByteReader(const uint8_t* data, size_t size, size_t start = 0)
        : data_(data), size_(size), pos_(start) {
        if (pos_ > size_) Fail();
    }

    bool Ok() const { return !overrun_; }
    size_t Size() const { return size_; }
    size_t Position() const { return pos_; }
    size_t Remaining() const { return size_ - pos_; }

    void Seek(size_t position) {
        if (position > size_)
            Fail();
        else
            pos_ = position;
    }
    void Skip(size_t count) {
        if (count > Remaining())
            Fail();
        else
            pos_ += count;
    }

    uint8_t U8() {
        if (Remaining() < 1) {
            Fail();
            return 0;
        }
        return data_[pos_++];
    }
    uint16_t U16LE() {
        if (Remaining() < 2) {
            Fail();
            return 0;
        }
        const uint8_t* p = data_ + pos_;
        pos_ += 2;
        return static_cast<uint16_t>(p[0] | p[1] << 8);
    }
    uint32_t U32LE() {
        if (Remaining() < 4) {
            Fail();
            return 0;
        }
        const uint8_t* p = data_ + pos_;
        pos_ += 4;
        return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
               static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    }
    int32_t I32LE() { return static_cast<int32_t>(U32LE()); }

    // The next count bytes, advancing past them; nullptr (and an overrun)
    // when fewer remain.
    const uint8_t* Take(size_t count) {
        if (count > Remaining()) {
            Fail();
            return nullptr;
        }
        const uint8_t* p = data_ + pos_;
        pos_ += count;
        return p;
    }

private:
    void Fail() {
        overrun_ = true;
        pos_ = size_;
    }

    const uint8_t* data_;
    size_t size_;
    size_t pos_;
    bool overrun_ = false;
};
