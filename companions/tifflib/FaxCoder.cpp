#include "FaxCoder.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "FaxCodeTables.h"

namespace twtiff {
namespace {

using fax::Code;

constexpr uint32_t kEol = 0x001, kEolBits = 12;
constexpr Code kPass{0x1, 4}, kHorizontal{0x1, 3};
// Vertical modes VR3 .. V0 .. VL3, indexed by b1 - a1 + 3.
constexpr Code kVertical[7] = {{0x03, 7}, {0x03, 6}, {0x3, 3}, {0x1, 1}, {0x2, 3}, {0x02, 6}, {0x02, 7}};
constexpr int kMaxVertical = 3;

// Runs of up to this many pixels take one make-up code at most; longer runs repeat the 2560 one.
constexpr uint32_t kSingleMakeupRuns = fax::kLongestMakeup + fax::kTerminatingRuns;

struct SpanCode {
    uint32_t bits;
    uint32_t length;
};
using SpanTable = std::array<SpanCode, kSingleMakeupRuns>;

// Make-up and terminating code of every run below kSingleMakeupRuns, joined into one (at most
// 13 + 12 bits), so a run costs one table read and one put.
constexpr SpanTable BuildSpans(const Code (&terminating)[fax::kTerminatingRuns], const Code (&makeup)[41]) {
    SpanTable table{};
    for (uint32_t run = 0; run < kSingleMakeupRuns; ++run) {
        const Code& term = terminating[run % fax::kMakeupStep];
        if (run < fax::kTerminatingRuns) {
            table[run] = {term.bits, term.length};
        } else {
            const Code& up = makeup[run / fax::kMakeupStep];
            table[run] = {(uint32_t{up.bits} << term.length) | term.bits, uint32_t{up.length} + term.length};
        }
    }
    return table;
}

// Indexed by colour, white 0 and black 1, so that coding a run of either colour does not branch.
constexpr SpanTable kSpans[2] = {BuildSpans(fax::kWhiteTerminating, fax::kWhiteMakeup),
                                 BuildSpans(fax::kBlackTerminating, fax::kBlackMakeup)};
constexpr Code kLongestMakeups[2] = {fax::kWhiteMakeup[fax::kLongestMakeup / fax::kMakeupStep],
                                     fax::kBlackMakeup[fax::kLongestMakeup / fax::kMakeupStep]};

// Extra list entries past the last change, each the row width: the 2D walk reads up to three
// entries beyond the one it stands on without checking the end.
constexpr size_t kSentinels = 4;

// A run's codes (colour 0 white, 1 black), longer runs first taking 2560 make-up codes.
inline void PutSpan(FaxBits& bits, uint32_t span, uint32_t colour) {
    while (span >= kSingleMakeupRuns) [[unlikely]] {
        bits.Put(kLongestMakeups[colour].bits, kLongestMakeups[colour].length);
        bits.Flush();
        span -= fax::kLongestMakeup;
    }
    const SpanCode& code = kSpans[colour][span];
    bits.Put(code.bits, code.length);
    bits.Flush();
}

uint64_t LoadBigEndian64(const uint8_t* p) {
    uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return __builtin_bswap64(w);
}

}  // namespace

FaxCoder::FaxCoder(uint32_t width, const FaxOptions& options)
    : m_width(width),
      m_options(options),
      // Every change costs at most a horizontal code and two runs (3 + 2 * 25 bits); EOLs and fill
      // bits add under 4 bytes.
      m_worstRowBytes((size_t{width} + 2) * 7 + 16 + sizeof(uint64_t)) {
    m_current.resize(size_t{width} + kSentinels);
    m_reference.resize(size_t{width} + kSentinels);
    BeginStrip();
}

void FaxCoder::BeginStrip() {
    std::fill_n(m_reference.begin(), kSentinels, m_width);  // all white
    m_size = 0;
    m_acc = 0;
    m_used = 0;
    m_next1D = true;
    m_rowsTo1D = 0;
}

void FaxCoder::FindChanges(const uint8_t* row, uint32_t* out) const {
    const uint32_t fullWords = m_width / 64, tailBits = m_width % 64;
    uint64_t previous = 0;  // the pixel left of the row is white
    // Pixel k of a word is its bit 63 - k: taken lowest bit first (one instruction each to clear),
    // the changes come right to left and are stored from the back.
    auto take = [&out](uint64_t transitions, uint32_t base) {
        const int n = __builtin_popcountll(transitions);
        uint32_t* at = out + n;
        base += 63;
        do {
            *--at = base - static_cast<uint32_t>(__builtin_ctzll(transitions));
            transitions &= transitions - 1;
        } while (transitions);
        out += n;
    };
    for (uint32_t i = 0; i < fullWords; ++i) {
        const uint64_t w = LoadBigEndian64(row + size_t{i} * 8);
        // Bit k set where pixel k differs from pixel k - 1.
        const uint64_t transitions = w ^ ((w >> 1) | (previous << 63));
        previous = w & 1;
        if (transitions) take(transitions, i * 64);
    }
    if (tailBits) {
        uint8_t last[8] = {};
        std::memcpy(last, row + size_t{fullWords} * 8, (tailBits + 7) / 8);
        const uint64_t w = LoadBigEndian64(last);
        const uint64_t transitions = (w ^ ((w >> 1) | (previous << 63))) & (~0ull << (64 - tailBits));
        if (transitions) take(transitions, fullWords * 64);
    }
    std::fill_n(out, kSentinels, m_width);
}

FaxBits FaxCoder::Writer() {
    if (m_out.size() < m_size + m_worstRowBytes) m_out.resize((m_size + m_worstRowBytes) * 2);
    return FaxBits{m_acc, m_used, m_out.data() + m_size};
}

void FaxCoder::Keep(const FaxBits& bits) {
    m_acc = bits.acc;
    m_used = bits.used;
    m_size = static_cast<size_t>(bits.out - m_out.data());
}

void FaxCoder::PutEol(FaxBits& bits) const {
    if (m_options.eolAligned) {
        // Zero bits so that the 12-bit EOL ends on a byte boundary.
        bits.Put(0, (kEolBits - bits.used % 8) % 8);
    }
    if (m_options.twoD) {
        bits.Put((kEol << 1) | (m_next1D ? 1 : 0), kEolBits + 1);
    } else {
        bits.Put(kEol, kEolBits);
    }
    bits.Flush();
}

void FaxCoder::Code1D(FaxBits& sink, const uint32_t* changes) const {
    FaxBits bits = sink;  // a local copy stays in registers: the bytes written cannot alias it
    uint32_t start = 0, colour = 0;
    for (;; ++changes) {
        const uint32_t end = *changes;
        PutSpan(bits, end - start, colour);
        if (end >= m_width) break;
        start = end;
        colour ^= 1;
    }
    sink = bits;
}

void FaxCoder::Code2D(FaxBits& sink, const uint32_t* cur, const uint32_t* ref) const {
    FaxBits bits = sink;
    const uint32_t width = m_width;
    // a0 starts as the imaginary white pixel left of the row; ia and jb index the first change
    // right of a0 on the coding and the reference row. The colour of a0 is the parity of ia.
    // The mode is chosen without branching (halftones make every branch a coin toss): all three
    // codes are formed and the chosen one selected.
    uint32_t a0 = 0;
    size_t ia = 0, jb = 0;
    for (;;) {
        const uint32_t colour = ia & 1;
        const uint32_t a1 = cur[ia], a2 = cur[ia + 1];
        const size_t ib = jb + ((jb & 1) != colour);  // b1 changes to the colour opposite a0's
        const uint32_t b1 = ref[ib], b2 = ref[ib + 1];
        const bool pass = b2 < a1;
        const bool vertical = !pass && a1 + kMaxVertical >= b1 && b1 + kMaxVertical >= a1;
        const bool horizontal = !pass && !vertical;
        const uint32_t first = a1 - a0, second = a2 - a1;
        if (horizontal && (first >= kSingleMakeupRuns || second >= kSingleMakeupRuns)) [[unlikely]] {
            bits.Put(kHorizontal.bits, kHorizontal.length);
            PutSpan(bits, first, colour);
            PutSpan(bits, second, colour ^ 1);
        } else {
            const Code& v = kVertical[vertical ? b1 + kMaxVertical - a1 : kMaxVertical];
            const SpanCode& h1 = kSpans[colour][horizontal ? first : 0];
            const SpanCode& h2 = kSpans[colour ^ 1][horizontal ? second : 0];
            // The mode code, and for horizontal mode the first run with it (3 + at most 25 bits).
            const uint64_t code = pass ? kPass.bits : vertical ? v.bits : (uint64_t{kHorizontal.bits} << h1.length) | h1.bits;
            const unsigned length = pass ? kPass.length : vertical ? v.length : kHorizontal.length + h1.length;
            bits.Put(code, length);
            bits.Put(horizontal ? h2.bits : 0, horizontal ? h2.length : 0);
            bits.Flush();
        }
        a0 = pass ? b2 : vertical ? a1 : a2;
        ia += pass ? 0 : vertical ? 1 : 2;  // past a0 already: the changes only grow
        if (a0 >= width) break;
        while (ref[jb] <= a0) ++jb;
    }
    sink = bits;
}

void FaxCoder::CodeRow(const uint8_t* row) {
    FindChanges(row, m_current.data());
    FaxBits bits = Writer();
    if (m_options.group4) {
        Code2D(bits, m_current.data(), m_reference.data());
        m_current.swap(m_reference);
        Keep(bits);
        return;
    }
    PutEol(bits);
    if (!m_options.twoD) {
        Code1D(bits, m_current.data());
    } else if (m_next1D) {
        Code1D(bits, m_current.data());
        m_next1D = false;
        m_rowsTo1D = m_options.k - 1;
    } else {
        Code2D(bits, m_current.data(), m_reference.data());
        --m_rowsTo1D;
    }
    Keep(bits);
    if (!m_options.twoD) return;
    if (m_rowsTo1D == 0) {
        m_next1D = true;
    } else {
        m_current.swap(m_reference);
    }
}

void FaxCoder::EndStrip() {
    FaxBits bits = Writer();
    if (m_options.group4) {
        bits.Put((kEol << kEolBits) | kEol, 2 * kEolBits);  // EOFB: two EOLs
        bits.Flush();
    }
    if (bits.used) {  // the last byte, padded with zeros
        *bits.out++ = static_cast<uint8_t>(bits.acc >> 56);
        bits.acc = 0;
        bits.used = 0;
    }
    Keep(bits);
}

}  // namespace twtiff
