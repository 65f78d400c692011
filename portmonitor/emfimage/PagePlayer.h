#pragma once
// Plays a page metafile onto a DC record by record. Each record is checked against its size and
// the handle table first (a malformed spooled page must not take the spooler down), and font
// records take the quality the job's antialiasing setting asks for.
#include <windows.h>

#include <cstddef>

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

struct PlaybackStats {
    int played = 0;
    int skipped = 0;      // records the checker refused
    bool truncated = false;  // a record size could not be trusted; the rest of the page was dropped
};

// Follows the records EnumEnhMetaFile hands out, in order, through an image of `size` bytes:
// each is checked before it may be played, and `stats` counts what was played and skipped.
class CheckedRecords {
public:
    enum class Step { Play, Skip, Stop };
    explicit CheckedRecords(size_t size) : m_size(size) {}
    Step Next(const ENHMETARECORD* record);
    PlaybackStats stats;

private:
    EmfRecordChecker m_checker;
    size_t m_size;
    size_t m_offset = 0;
};

// Plays `emf` into `rect` (logical units of `dc`) while holding `gdiMutex` (may be null).
PlaybackStats PlayPage(HDC dc, HENHMETAFILE emf, const RECT& rect, HANDLE gdiMutex, const FontQualityRule& fonts);

}  // namespace tw
