#include "twfile/gif/GifLzw.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

namespace tw {
namespace {

using namespace gifcode;

// Packs codes least significant bit first and hands full batches on as sub-blocks.
class CodePacker {
public:
    explicit CodePacker(const GifSink& sink) : m_sink(sink) { m_batch.reserve(kBatchBytes); }

    bool Put(int code, int size) {
        m_accumulator |= static_cast<unsigned long>(code) << m_bitCount;
        m_bitCount += size;
        while (m_bitCount >= 8) {
            if (!PutByte(static_cast<BYTE>(m_accumulator & 0xFF))) return false;
            m_accumulator >>= 8;
            m_bitCount -= 8;
        }
        return true;
    }
    // The bits still held as one last byte, then what the batch holds.
    bool Finish() {
        if (m_bitCount > 0 && !PutByte(static_cast<BYTE>(m_accumulator & 0xFF))) return false;
        m_bitCount = 0;
        return FlushBatch();
    }

private:
    bool PutByte(BYTE b) {
        m_batch.push_back(b);
        return m_batch.size() < kBatchBytes || FlushBatch();
    }
    bool FlushBatch() {
        for (size_t at = 0; at < m_batch.size(); at += kSubBlockBytes) {
            const size_t n = std::min(kSubBlockBytes, m_batch.size() - at);
            const BYTE count = static_cast<BYTE>(n);
            if (!m_sink(&count, 1) || !m_sink(m_batch.data() + at, n)) return false;
        }
        m_batch.clear();
        return true;
    }

    const GifSink& m_sink;
    std::vector<BYTE> m_batch;
    unsigned long m_accumulator = 0;
    int m_bitCount = 0;
};

// The string table: three parallel arrays; a code of 0 marks an empty slot (assigned codes are
// above the end code).
struct StringTable {
    std::unique_ptr<short[]> codes{new (std::nothrow) short[kHashSlots]};
    std::unique_ptr<short[]> prefixes{new (std::nothrow) short[kHashSlots]};
    std::unique_ptr<BYTE[]> suffixes{new (std::nothrow) BYTE[kHashSlots]};

    bool Valid() const { return codes && prefixes && suffixes; }
    void Clear() { std::fill(codes.get(), codes.get() + kHashSlots, static_cast<short>(0)); }
    // The slot holding (prefix, pixel), or the empty slot where it belongs.
    int Find(int prefix, int pixel) const {
        int h = (pixel << 4) ^ prefix;
        const int step = h == 0 ? 1 : kHashSlots - h;
        while (codes[h] != 0 && (prefixes[h] != prefix || suffixes[h] != pixel)) {
            h -= step;
            if (h < 0) h += kHashSlots;
        }
        return h;
    }
};

class PixelReader {
public:
    explicit PixelReader(const GifPixels& p) : m_p(p) { StartRow(); }
    bool Next(int& pixel) {
        while (m_x >= m_p.width) {
            if (++m_row >= m_p.height) return false;
            StartRow();
        }
        const LONG x = m_x++;
        switch (m_p.depth) {
        case 1: pixel = (m_line[x >> 3] >> (7 - (x & 7))) & 1; break;
        case 4: pixel = (m_line[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F; break;
        default: pixel = m_line[x]; break;
        }
        return true;
    }

private:
    void StartRow() {
        m_x = 0;
        if (m_row < m_p.height) m_line = m_p.bits + static_cast<size_t>(m_p.height - 1 - m_row) * m_p.stride;
    }
    const GifPixels& m_p;
    const BYTE* m_line = nullptr;
    LONG m_row = 0;
    LONG m_x = 0;
};

}  // namespace

int CompressGifImage(const GifPixels& pixels, const GifSink& sink) {
    const int minimum = pixels.depth < 2 ? 2 : pixels.depth;
    const BYTE minimumByte = static_cast<BYTE>(minimum);
    if (!sink(&minimumByte, 1)) return giferr::kFile;
    StringTable table;
    if (!table.Valid()) return giferr::kNoMemory;
    table.Clear();

    const int clearCode = 1 << minimum;
    const int endCode = clearCode + 1;
    int codeSize = minimum + 1;
    int maxCode = (1 << codeSize) - 1;
    int nextCode = clearCode + 2;
    CodePacker out(sink);
    PixelReader reader(pixels);

    int prefix = 0;
    if (pixels.width <= 0 || pixels.height <= 0 || !reader.Next(prefix)) return giferr::kCoding;
    if (!out.Put(clearCode, codeSize)) return giferr::kFile;
    // Writes a string's code; the code size grows once the next code no longer fits it.
    auto emit = [&](int code) {
        if (!out.Put(code, codeSize)) return false;
        if (nextCode > maxCode) maxCode = (1 << ++codeSize) - 1;
        return true;
    };
    int pixel = 0;
    while (reader.Next(pixel)) {
        const int slot = table.Find(prefix, pixel);
        if (table.codes[slot] != 0) {
            prefix = table.codes[slot];
            continue;
        }
        if (!emit(prefix)) return giferr::kFile;
        if (codeSize > kMaxCodeBits - 1 && nextCode == kLastCode) {
            if (!out.Put(clearCode, codeSize)) return giferr::kFile;
            codeSize = minimum + 1;
            maxCode = (1 << codeSize) - 1;
            nextCode = clearCode + 2;
            table.Clear();
        } else if (nextCode <= maxCode) {
            table.codes[slot] = static_cast<short>(nextCode++);
            table.prefixes[slot] = static_cast<short>(prefix);
            table.suffixes[slot] = static_cast<BYTE>(pixel);
        }
        prefix = pixel;
    }
    if (!emit(prefix) || !out.Put(endCode, codeSize) || !out.Finish()) return giferr::kFile;
    return giferr::kNone;
}

}  // namespace tw
