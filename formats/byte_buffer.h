#pragma once
// Growable in-memory byte buffer with a read/write position: every file image
// is assembled in, or read from, one of these.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TByteBuffer {
    std::vector<uint8_t> Data;
    size_t Position = 0;

    void Clear() {
        Data.clear();
        Position = 0;
    }
    void PutU8(uint8_t v) { Data.push_back(v); }
    void PutU16LE(uint16_t v) {
        Data.push_back(static_cast<uint8_t>(v));
        Data.push_back(static_cast<uint8_t>(v >> 8));
    }
    void PutU32LE(uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8) Data.push_back(static_cast<uint8_t>(v >> shift));
    }
    void PutBytes(const void* bytes, size_t count) {
        const uint8_t* p = static_cast<const uint8_t*>(bytes);
        Data.insert(Data.end(), p, p + count);
    }
};

// Reads a whole file into buffer (position 0). False when it cannot be read.
bool ReadWholeFile(const std::string& path, TByteBuffer& buffer);
