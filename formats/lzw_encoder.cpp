#include "formats/lzw_encoder.h"

#include <cassert>

TLzwEncoder::TLzwEncoder() : childOf_(new uint16_t[MaxCodes * 256]()) {
    nextCode_ = 0;  // nothing to clear from the lookup table yet
}

TLzwEncoder::~TLzwEncoder() = default;

void TLzwEncoder::Begin(int minCodeSize, size_t pixelCount) {
    assert(minCodeSize >= 2 && minCodeSize <= 8);
    ResetDictionary();  // clears what an earlier run left in the lookup table
    minCodeSize_ = minCodeSize;
    clearCode_ = 1 << minCodeSize;
    endCode_ = clearCode_ + 1;
    valueMask_ = static_cast<uint8_t>(clearCode_ - 1);
    ResetDictionary();
    prefix_ = -1;
    bitBuffer_ = 0;
    bitCount_ = 0;
    outSize_ = 0;

    // Every pixel ends at most one string, and a dictionary fills up only
    // after (4096 - first free code) new strings, so this many codes of at
    // most 12 bits always fit: clear, end, one per pixel and one clear per fill.
    const size_t stringsPerFill = static_cast<size_t>(MaxCodes - (clearCode_ + 2));
    const size_t codes = 2 + pixelCount + pixelCount / stringsPerFill + 1;
    const size_t bytes = codes * MaxCodeBits / 8 + 2;
    if (out_.size() < bytes) out_.resize(bytes);
    PutCode(clearCode_);
}

void TLzwEncoder::ResetDictionary() {
    // Undo the lookup entries of every string made since the last reset by
    // walking the child lists, so a reset costs the strings made, not 2 MB.
    for (int code = 0; code < nextCode_; ++code) {
        for (int child = dictionary_[code].child; child >= 0; child = dictionary_[child].sibling) {
            childOf_[code << 8 | dictionary_[child].value] = 0;
        }
    }
    for (int code = 0; code < clearCode_; ++code) {
        dictionary_[code] = TEntry{-1, -1, static_cast<uint8_t>(code)};
    }
    // The clear and end codes never get children either.
    dictionary_[clearCode_] = TEntry{-1, -1, 0};
    dictionary_[endCode_] = TEntry{-1, -1, 0};
    nextCode_ = clearCode_ + 2;
    codeWidth_ = minCodeSize_ + 1;
}

void TLzwEncoder::EnsureRoom() {
    // A code of at most 12 bits on top of fewer than 8 pending bits fills at
    // most 2 bytes. Only a caller that announced too few pixels gets here.
    if (outSize_ + 2 > out_.size()) out_.resize(out_.size() * 2 + 64);
}

inline void TLzwEncoder::PutCode(int code) {
    EnsureRoom();
    bitBuffer_ |= static_cast<uint64_t>(code) << bitCount_;
    bitCount_ += codeWidth_;
    while (bitCount_ >= 8) {
        out_[outSize_++] = static_cast<uint8_t>(bitBuffer_);
        bitBuffer_ >>= 8;
        bitCount_ -= 8;
    }
}

// prefix followed by value is a new string: give it the next code (or start
// a fresh dictionary when all 4096 are taken) and write the prefix's code.
inline void TLzwEncoder::AddString(int prefix, uint8_t value) {
    if (nextCode_ < MaxCodes) {
        const int code = nextCode_++;
        dictionary_[code] =
            TEntry{-1, dictionary_[prefix].child, value};  // newest child first in the list
        dictionary_[prefix].child = static_cast<int16_t>(code);
        childOf_[prefix << 8 | value] = static_cast<uint16_t>(code);
        PutCode(prefix);
        if ((1 << codeWidth_) < nextCode_) ++codeWidth_;
    } else {
        PutCode(prefix);
        PutCode(clearCode_);
        ResetDictionary();
    }
}

void TLzwEncoder::Add(const uint8_t* pixels, size_t count) {
    if (count == 0) return;
    size_t i = 0;
    if (prefix_ < 0) prefix_ = pixels[i++] & valueMask_;
    int prefix = prefix_;
    const uint16_t* childOf = childOf_.get();
    const uint8_t mask = valueMask_;
    for (; i < count; ++i) {
        const uint8_t value = pixels[i] & mask;
        const uint16_t child = childOf[prefix << 8 | value];
        if (child != 0) {
            prefix = child;
            continue;
        }
        AddString(prefix, value);
        prefix = value;
    }
    prefix_ = prefix;
}

const std::vector<uint8_t>& TLzwEncoder::Finish() {
    if (prefix_ >= 0) PutCode(prefix_);
    PutCode(endCode_);
    if (bitCount_ > 0) {
        EnsureRoom();
        out_[outSize_++] = static_cast<uint8_t>(bitBuffer_);  // high bits are zero
    }
    bitBuffer_ = 0;
    bitCount_ = 0;
    out_.resize(outSize_);
    return out_;
}
