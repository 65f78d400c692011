#pragma once
// Group 3 (T.4, 1D and 2D) and Group 4 (T.6) coding of bilevel rows, byte for byte what libtiff
// writes for a strip. Each row is turned into the list of its colour changes a 64-bit word at a
// time, and the 2D modes are chosen by walking that list against the reference row's.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace twtiff {

struct FaxOptions {
    bool group4 = true;
    bool twoD = false;        // Group 3: 2D rows between 1D rows (T4Options bit 0)
    bool eolAligned = false;  // Group 3: fill bits so that each EOL ends on a byte (T4Options bit 2)
    int k = 4;                // Group 3 2D: one 1D row, then k - 1 2D rows
};

// Bits on their way out, most significant first, gathered at the top of `acc`. Puts between
// flushes add up to 56 bits; Flush writes the whole bytes (it always stores 8, so the buffer
// keeps 8 spare) and leaves fewer than 8 bits waiting.
struct FaxBits {
    uint64_t acc = 0;
    unsigned used = 0;
    uint8_t* out = nullptr;

    void Put(uint64_t bits, unsigned length) {
        // A zero-length put has zero bits: the masked shift keeps it defined.
        acc |= bits << ((64 - used - length) & 63);
        used += length;
    }
    void Flush() {
        const uint64_t word = __builtin_bswap64(acc);
        __builtin_memcpy(out, &word, sizeof word);
        const unsigned bytes = used >> 3;
        out += bytes;
        acc <<= bytes * 8;
        used &= 7;
    }
};

class FaxCoder {
public:
    FaxCoder(uint32_t width, const FaxOptions& options);

    // Starts a strip: an all-white reference row and, for Group 3 2D, a 1D row next.
    void BeginStrip();
    // Codes one row of (width + 7) / 8 bytes, most significant bit first, 1 bits black.
    void CodeRow(const uint8_t* row);
    // Whole bytes of the strip coded since the strip began or since the last TakePending; the
    // caller writes them and calls TakePending, so that a long strip need not be held whole.
    std::span<uint8_t> Pending() { return {m_out.data(), m_size}; }
    void TakePending() { m_size = 0; }
    // Ends the strip (Group 4: EOFB) and pads its last byte with zero bits; the rest of its
    // bytes are then Pending.
    void EndStrip();

private:
    void FindChanges(const uint8_t* row, uint32_t* changes) const;
    void Code1D(FaxBits& bits, const uint32_t* changes) const;
    void Code2D(FaxBits& bits, const uint32_t* changes, const uint32_t* reference) const;
    void PutEol(FaxBits& bits) const;
    // The writer over the strip's buffer, with room for a worst-case row; Keep stores it back.
    FaxBits Writer();
    void Keep(const FaxBits& bits);

    uint32_t m_width;
    FaxOptions m_options;
    size_t m_worstRowBytes;
    std::vector<uint32_t> m_current, m_reference;
    std::vector<uint8_t> m_out;  // kept a worst-case row ahead of m_size while a strip is coded
    size_t m_size = 0;
    uint64_t m_acc = 0;
    unsigned m_used = 0;
    bool m_next1D = true;
    int m_rowsTo1D = 0;
};

}  // namespace twtiff
