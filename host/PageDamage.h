#pragma once
// A misbehaving driver: damaged copies of good pages, for the page fuzzers. Every damaged page
// is a pure function of (seed, case number, source pages), so any case can be made again alone.
//
// EMF pages are damaged record by record: bit flips in sizes, types and fields, fields set to
// extreme values (offsets past the record, huge counts, giant coordinates, pens, fonts and
// transforms), records duplicated, removed, swapped or truncated, lying headers, and inserted
// records that carry bitmaps, brushes, pens, regions and shapes, damaged in turn. Raw pages
// are packed DIBs whose headers lie about size, depth, palette, compression and rows.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace twhost {

using Bytes = std::vector<BYTE>;

// A small deterministic generator (splitmix64): the same numbers on every build and platform.
class FuzzRandom {
public:
    explicit FuzzRandom(uint64_t seed) : m_state(seed) {}
    uint64_t Next();
    // Uniform in [0, bound); 0 when bound is 0.
    uint32_t Below(uint32_t bound);
    bool OneIn(uint32_t n) { return Below(n) == 0; }

private:
    uint64_t m_state;
};

struct DamagedPage {
    Bytes bytes;
    bool raw = false;           // a packed DIB for END_PAGE_RAW, else an EMF
    bool intact = false;        // left undamaged: it must render
    size_t source = 0;          // index of the good page it was made from (EMF pages)
    std::wstring description;   // what was done, for the fuzzer's report
};

class PageDamager {
public:
    // `emfPages` are good EMF pages (the corpus); raw pages are made here.
    explicit PageDamager(std::vector<Bytes> emfPages) : m_pages(std::move(emfPages)) {}

    // Case `index` of the run with `seed`: one in five a raw page, else a damaged EMF page.
    DamagedPage Make(uint64_t seed, uint64_t index) const;
    DamagedPage DamageEmf(FuzzRandom& rng, size_t source) const;
    DamagedPage DamageRaw(FuzzRandom& rng) const;
    size_t PageCount() const { return m_pages.size(); }

private:
    std::vector<Bytes> m_pages;
};

// The good pages of the repository: every .emf in the shared corpus (..\shared\testdata\emf)
// and in the examples folder below `repoRoot`, sorted by name within each folder.
std::vector<Bytes> LoadPageCorpus(const std::wstring& repoRoot);
// The repository root of a program in build\bin\ (or TW_ROOT when set).
std::wstring RepoRootOfProgram();

// A good packed DIB of `width` x `height` at `bits` (1, 4, 8, 16, 24, 32), drawn with a
// pattern; `clrUsed0` leaves biClrUsed 0 with the full palette, `topDown` stores rows top-down.
Bytes MakeRawPage(LONG width, LONG height, WORD bits, bool clrUsed0, bool topDown, uint32_t pattern);

// One good record of each kind the damager inserts (bitmaps, brushes, pens, shapes), by kind
// number from 0; empty past the last. `slot` is the handle index object records create.
Bytes MakeSampleRecord(uint32_t kind, DWORD slot);

}  // namespace twhost
