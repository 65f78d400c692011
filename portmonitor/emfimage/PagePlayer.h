#pragma once
// Plays a page metafile onto a DC record by record. Each record is checked against its size and
// the handle table first (a malformed spooled page must not take the spooler down), and font
// records take the quality the job's antialiasing setting asks for.
#include <windows.h>

#include <cstddef>
#include <vector>

#include "emfimage/EmfDrawingBounds.h"
#include "emfimage/EmfRecordCheck.h"

namespace tw {

// Holds the job's GDI mutex for the length of one enumeration. The wait is bounded: after it
// the page is played anyway, so a stuck job elsewhere delays pages but never stops them.
class GdiMutexLock {
public:
    static constexpr DWORD kWaitMs = 60000;
    explicit GdiMutexLock(HANDLE mutex);
    ~GdiMutexLock();
    GdiMutexLock(const GdiMutexLock&) = delete;
    GdiMutexLock& operator=(const GdiMutexLock&) = delete;
    bool Owned() const { return m_owned; }

private:
    HANDLE m_mutex;
    bool m_owned = false;
};

// What the printer's "Antialiasing" setting and the output make of a recorded font quality.
struct FontQualityRule {
    int setting = 4;       // "Antialiasing", group "Page Settings"
    int outputBits = 1;    // the page's output depth
    bool greyOutput = false;
    int xDpi = 300;
    BYTE Apply(BYTE recorded) const;
};

// Bounds of one page's playback, over all its bands and passes: a page beyond them is failed
// rather than let hold the GDI mutex and the process's memory for as long as it likes.
struct PlaybackLimits {
    static constexpr DWORD kDefaultTimeMs = 60000;
    static constexpr size_t kDefaultRecords = 20000000;
    static constexpr int kDefaultSavedDcDepth = 1024;  // each saved state is a copy of the DC
    DWORD timeMs = kDefaultTimeMs;
    size_t records = kDefaultRecords;  // records played
    int savedDcDepth = kDefaultSavedDcDepth;
};

// What is left of a page's limits; the bands of one page share it.
class PlaybackBudget {
public:
    explicit PlaybackBudget(const PlaybackLimits& limits = PlaybackLimits{});
    // Accounts for one record about to be played; false once the time or the records are used up.
    bool Spend();
    bool Exhausted() const { return m_exhausted; }
    const PlaybackLimits& Limits() const { return m_limits; }

private:
    PlaybackLimits m_limits;
    ULONGLONG m_deadline;
    size_t m_recordsLeft;
    bool m_exhausted = false;
};

struct PlaybackStats {
    int played = 0;
    int skipped = 0;      // records the checker refused
    bool truncated = false;  // a record size could not be trusted; the rest of the page was dropped
    bool exhausted = false;  // the page's time or record budget ran out: the page is not whole
    void Add(const PlaybackStats& other);
};

// Follows the records EnumEnhMetaFile hands out, in order, through an image of `size` bytes:
// each is checked before it may be played (against its size, the handle table and, on `dc`,
// the device size of what it draws), and `stats` counts what was played and skipped.
class CheckedRecords {
public:
    enum class Step { Play, Skip, Stop };
    CheckedRecords(size_t size, PlaybackBudget& budget) : m_size(size), m_budget(budget) {}
    Step Next(const ENHMETARECORD* record, HDC dc);
    // After Step::Play: the record to play, the one given or a repaired copy of it.
    const ENHMETARECORD* Record() const { return m_record; }
    PlaybackStats stats;

private:
    bool SavedDcAllowed(const ENHMETARECORD* record);

    EmfRecordChecker m_checker;
    DrawingBounds m_drawing;
    size_t m_size;
    size_t m_offset = 0;
    PlaybackBudget& m_budget;
    int m_savedDcDepth = 0;
    const ENHMETARECORD* m_record = nullptr;
    std::vector<BYTE> m_repaired;
};

// Plays one record that CheckedRecords let through, with the help GDI's player needs for some.
void PlayCheckedRecord(HDC dc, HANDLETABLE* table, const ENHMETARECORD* record, int handles);

class MarkerScanner;
class TemporaryFontLoader;

// Plays `emf` into `rect` (logical units of `dc`) while holding `gdiMutex` (may be null). The
// characters `markers` marked are left out of the page's text; `tempFonts` installs the temporary
// font files the page's fonts name.
PlaybackStats PlayPage(HDC dc, HENHMETAFILE emf, const RECT& rect, HANDLE gdiMutex, const FontQualityRule& fonts,
                       PlaybackBudget& budget, const MarkerScanner* markers = nullptr,
                       TemporaryFontLoader* tempFonts = nullptr);

}  // namespace tw
