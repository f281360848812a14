#pragma once
// The GIF flavour of LZW: variable-width codes (minimum code size + 1 up to
// 12 bits) packed least significant bit first, a clear code first, a clear
// code whenever the 4096-entry dictionary is full and the next string is new,
// and an end code last.
//
// Usage: Begin(), then Add() the pixel indexes in file order (any number of
// calls, e.g. one per row), then Finish() for the coded bytes (without GIF's
// sub-block framing). Begin() allocates every table and the output buffer for
// the number of pixels announced, so nothing is allocated while coding.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class TLzwEncoder {
public:
    static constexpr int MaxCodes = 4096;
    static constexpr int MaxCodeBits = 12;

    TLzwEncoder();
    ~TLzwEncoder();
    TLzwEncoder(const TLzwEncoder&) = delete;
    TLzwEncoder& operator=(const TLzwEncoder&) = delete;

    // minCodeSize: 2..8. Every pixel given to Add() must be below
    // 2^minCodeSize (the caller checks; larger values are masked off so the
    // stream stays well-formed). pixelCount sizes the output buffer; more
    // pixels are still coded correctly, at the cost of a reallocation.
    void Begin(int minCodeSize, size_t pixelCount);
    void Add(const uint8_t* pixels, size_t count);
    // Writes the last prefix, the end code and the partly filled byte. The
    // result stays valid until the next Begin().
    const std::vector<uint8_t>& Finish();

private:
    // One dictionary entry: the string of its parent plus value. Children of
    // a code form a singly linked list through sibling, newest first.
    struct TEntry {
        int16_t child;
        int16_t sibling;
        uint8_t value;
    };

    void ResetDictionary();
    void AddString(int prefix, uint8_t value);
    void PutCode(int code);
    void EnsureRoom();

    int minCodeSize_ = 2;
    int clearCode_ = 4;
    int endCode_ = 5;
    int nextCode_ = 6;
    int codeWidth_ = 3;
    int prefix_ = -1;  // -1 before the first pixel
    uint8_t valueMask_ = 3;
    TEntry dictionary_[MaxCodes];
    // childOf_[code << 8 | value] is the child of code with that value, 0
    // for none (no child code can be 0). It mirrors the child lists so a
    // lookup is one read instead of a list walk; the codes written are the
    // same, since a (code, value) pair never has two children.
    std::unique_ptr<uint16_t[]> childOf_;
    uint64_t bitBuffer_ = 0;
    int bitCount_ = 0;
    std::vector<uint8_t> out_;
    size_t outSize_ = 0;
};
