// Reading and filtering the runs of text records.
#include "emfimage/EmfTextRuns.h"

#include <cstring>

#include "emfimage/EmfLayout.h"
#include "emfimage/EmfRecordWalk.h"
#include "emfimage/EmfTextRecords.h"
#include "emfimage/MarkerScanner.h"

namespace tw {
namespace {

constexpr size_t kRecordBounds = 8;
constexpr size_t kSmallTextReference = 8;
constexpr RECT kBlankBounds{0, 0, -1, -1};

template <typename T>
void WriteAt(BYTE* p, size_t offset, T v) {
    std::memcpy(p + offset, &v, sizeof(v));
}

std::wstring Widen(const char* text, size_t count) {
    if (count == 0) return {};
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(count), nullptr, 0);
    std::wstring out(n > 0 ? static_cast<size_t>(n) : 0, L'\0');
    if (n > 0) ::MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(count), out.data(), n);
    return out;
}

void ReadChars(const BYTE* record, EmfTextRun& run) {
    if (run.byteChars) {
        run.text = Widen(reinterpret_cast<const char*>(record + run.stringOffset), run.chars);
    } else {
        run.text.resize(run.chars);
        if (run.chars) std::memcpy(run.text.data(), record + run.stringOffset, run.chars * sizeof(WCHAR));
    }
    // Spacing belongs to the characters as recorded; widened multibyte text has none usable.
    if (run.dxOffset && run.text.size() == run.chars) {
        run.dx.resize(run.chars);
        for (size_t i = 0; i < run.chars; ++i)
            run.dx[i] = ReadRecordField<INT>(record, run.dxOffset + i * run.dxStride * sizeof(INT));
    }
}

// One EMRTEXT at `text`.
EmfTextRun ReadEmrText(const BYTE* record, size_t text, bool byteChars, const RECT& bounds) {
    EmfTextRun run;
    const POINTL ref = ReadRecordField<POINTL>(record, text + emftext::kTextReference);
    run.reference = {ref.x, ref.y};
    run.bounds = bounds;
    run.byteChars = byteChars;
    run.charsField = text + emftext::kTextChars;
    run.optionsField = text + emftext::kTextOptions;
    run.options = ReadRecordField<DWORD>(record, run.optionsField);
    run.chars = ReadRecordField<DWORD>(record, run.charsField);
    run.stringOffset = ReadRecordField<DWORD>(record, text + emftext::kTextOffString);
    run.dxOffset = ReadRecordField<DWORD>(record, text + emftext::kTextOffDx);
    run.dxStride = (run.options & ETO_PDY) ? 2 : 1;
    ReadChars(record, run);
    return run;
}

size_t CharSize(const EmfTextRun& run) { return run.byteChars ? 1 : sizeof(WCHAR); }

}  // namespace

std::vector<EmfTextRun> ReadTextRuns(const BYTE* record, DWORD size) {
    std::vector<EmfTextRun> runs;
    if (!record || size < emf::kRecordHeaderSize || !TextRecordFits(record, size)) return runs;
    const DWORD type = ReadRecordField<DWORD>(record, 0);
    switch (type) {
    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW: {
        if (size < emftext::kExtTextOutText + emftext::kTextSize) break;
        const RECTL b = ReadRecordField<RECTL>(record, kRecordBounds);
        runs.push_back(ReadEmrText(record, emftext::kExtTextOutText, type == EMR_EXTTEXTOUTA, {b.left, b.top, b.right, b.bottom}));
        break;
    }
    case EMR_POLYTEXTOUTA:
    case EMR_POLYTEXTOUTW: {
        const RECTL b = ReadRecordField<RECTL>(record, kRecordBounds);
        const DWORD strings = ReadRecordField<DWORD>(record, emftext::kPolyTextCount);
        for (DWORD i = 0; i < strings; ++i)
            runs.push_back(ReadEmrText(record, emftext::kPolyTextFirst + i * emftext::kTextSize,
                                       type == EMR_POLYTEXTOUTA, {b.left, b.top, b.right, b.bottom}));
        break;
    }
    case emftext::kSmallTextOut: {
        EmfTextRun run;
        const POINTL ref = ReadRecordField<POINTL>(record, kSmallTextReference);
        run.reference = {ref.x, ref.y};
        run.charsField = emftext::kSmallTextChars;
        run.optionsField = emftext::kSmallTextOptions;
        run.options = ReadRecordField<DWORD>(record, run.optionsField);
        run.byteChars = (run.options & emftext::kSmallTextByteChars) != 0;
        run.chars = ReadRecordField<DWORD>(record, run.charsField);
        run.stringOffset = emftext::kSmallTextFixedSize;
        if (!(run.options & emftext::kSmallTextNoRect)) {
            const RECTL b = ReadRecordField<RECTL>(record, emftext::kSmallTextFixedSize);
            run.bounds = {b.left, b.top, b.right, b.bottom};
            run.stringOffset += emftext::kSmallTextRectSize;
        }
        ReadChars(record, run);
        runs.push_back(std::move(run));
        break;
    }
    default: break;
    }
    return runs;
}

bool IsBlankTextRecord(const BYTE* record, DWORD size) {
    if (size < kRecordBounds + sizeof(RECTL)) return false;
    const RECTL b = ReadRecordField<RECTL>(record, kRecordBounds);
    if (b.left != kBlankBounds.left || b.top != kBlankBounds.top || b.right != kBlankBounds.right ||
        b.bottom != kBlankBounds.bottom)
        return false;
    const std::vector<EmfTextRun> runs = ReadTextRuns(record, size);
    if (runs.size() != 1) return false;
    return runs[0].text.empty() || runs[0].text == L" ";
}

bool FilterTextRecord(std::vector<BYTE>& record, MarkerFilter& filter) {
    const std::vector<EmfTextRun> runs = ReadTextRuns(record.data(), static_cast<DWORD>(record.size()));
    bool changed = false;
    BYTE* p = record.data();
    for (const EmfTextRun& run : runs) {
        // Marker positions count characters as the scanner saw them: the widened text.
        const std::vector<bool> keep = filter.Next(run.text.size());
        if (run.text.size() != run.chars) continue;  // multibyte text: positions do not map to bytes
        size_t kept = 0;
        const size_t unit = CharSize(run);
        for (size_t i = 0; i < run.chars; ++i) {
            if (!keep[i]) continue;
            if (kept != i) {
                std::memmove(p + run.stringOffset + kept * unit, p + run.stringOffset + i * unit, unit);
                if (run.dxOffset)
                    std::memmove(p + run.dxOffset + kept * run.dxStride * sizeof(INT),
                                 p + run.dxOffset + i * run.dxStride * sizeof(INT), run.dxStride * sizeof(INT));
            }
            ++kept;
        }
        if (kept == run.chars) continue;
        changed = true;
        if (kept == 0 && run.chars >= 2) {
            // Nothing left of a longer text: one space keeps the record's effect on the DC.
            if (unit == 1) p[run.stringOffset] = ' ';
            else WriteAt<WCHAR>(p, run.stringOffset, L' ');
            WriteAt<DWORD>(p, run.optionsField, ReadRecordField<DWORD>(p, run.optionsField) & ~static_cast<DWORD>(ETO_GLYPH_INDEX));
            kept = 1;
        }
        WriteAt<DWORD>(p, run.charsField, static_cast<DWORD>(kept));
    }
    return changed;
}

}  // namespace tw
