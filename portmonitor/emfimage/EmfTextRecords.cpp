// Bounds of the arrays in text records, and their copies without ETO_IGNORELANGUAGE.
#include "emfimage/EmfTextRecords.h"

#include <cstring>

#include "emfimage/EmfLayout.h"

namespace tw {
namespace {

template <typename T>
T ReadAt(const BYTE* p, size_t offset) {
    T v;
    std::memcpy(&v, p + offset, sizeof(v));
    return v;
}

// [offset, offset + count x unit) inside the record; 64-bit sums cannot wrap.
bool ArrayFits(DWORD size, ULONGLONG offset, ULONGLONG count, ULONGLONG unit) {
    return offset >= emf::kRecordHeaderSize && offset + count * unit <= size;
}

// One EMRTEXT at `text` (an offset into the record) and the arrays it points to.
bool EmrTextFits(const BYTE* record, DWORD size, size_t text, size_t charSize) {
    if (text + emftext::kTextSize > size) return false;
    const DWORD chars = ReadAt<DWORD>(record, text + emftext::kTextChars);
    if (chars == 0) return true;
    if (!ArrayFits(size, ReadAt<DWORD>(record, text + emftext::kTextOffString), chars, charSize)) return false;
    const DWORD offDx = ReadAt<DWORD>(record, text + emftext::kTextOffDx);
    if (offDx == 0) return true;
    const DWORD options = ReadAt<DWORD>(record, text + emftext::kTextOptions);
    return ArrayFits(size, offDx, chars, (options & ETO_PDY) ? 2 * sizeof(INT) : sizeof(INT));
}

void ClearAt(std::vector<BYTE>& record, size_t offset) {
    if (offset + sizeof(DWORD) > record.size()) return;
    DWORD options = ReadAt<DWORD>(record.data(), offset) & ~emftext::kIgnoreLanguage;
    std::memcpy(record.data() + offset, &options, sizeof(options));
}

}  // namespace

bool IsTextRecord(DWORD type) {
    return type == EMR_EXTTEXTOUTA || type == EMR_EXTTEXTOUTW || type == EMR_POLYTEXTOUTA ||
           type == EMR_POLYTEXTOUTW || type == emftext::kSmallTextOut;
}

bool TextRecordFits(const BYTE* record, DWORD size) {
    if (!record || size < emf::kRecordHeaderSize) return false;
    const DWORD type = ReadAt<DWORD>(record, 0);
    switch (type) {
    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW:
        return EmrTextFits(record, size, emftext::kExtTextOutText, type == EMR_EXTTEXTOUTW ? sizeof(WCHAR) : 1);
    case EMR_POLYTEXTOUTA:
    case EMR_POLYTEXTOUTW: {
        if (size < emftext::kPolyTextFirst) return false;
        const ULONGLONG strings = ReadAt<DWORD>(record, emftext::kPolyTextCount);
        if (emftext::kPolyTextFirst + strings * emftext::kTextSize > size) return false;
        const size_t charSize = type == EMR_POLYTEXTOUTW ? sizeof(WCHAR) : 1;
        for (ULONGLONG i = 0; i < strings; ++i)
            if (!EmrTextFits(record, size, emftext::kPolyTextFirst + static_cast<size_t>(i) * emftext::kTextSize,
                             charSize))
                return false;
        return true;
    }
    case emftext::kSmallTextOut: {
        if (size < emftext::kSmallTextFixedSize) return false;
        const DWORD options = ReadAt<DWORD>(record, emftext::kSmallTextOptions);
        const ULONGLONG text = emftext::kSmallTextFixedSize + ((options & emftext::kSmallTextNoRect) ? 0 : emftext::kSmallTextRectSize);
        const ULONGLONG chars = ReadAt<DWORD>(record, emftext::kSmallTextChars);
        return text + chars * ((options & emftext::kSmallTextByteChars) ? 1 : sizeof(WCHAR)) <= size;
    }
    default:
        return true;
    }
}

void ClearIgnoreLanguage(std::vector<BYTE>& record) {
    if (record.size() < emf::kRecordHeaderSize) return;
    const DWORD type = ReadAt<DWORD>(record.data(), 0);
    switch (type) {
    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW:
        ClearAt(record, emftext::kExtTextOutText + emftext::kTextOptions);
        break;
    case EMR_POLYTEXTOUTA:
    case EMR_POLYTEXTOUTW: {
        if (record.size() < emftext::kPolyTextFirst) return;
        const size_t strings = ReadAt<DWORD>(record.data(), emftext::kPolyTextCount);
        for (size_t i = 0; i < strings; ++i) {
            const size_t text = emftext::kPolyTextFirst + i * emftext::kTextSize;
            if (text + emftext::kTextSize > record.size()) break;
            ClearAt(record, text + emftext::kTextOptions);
        }
        break;
    }
    case emftext::kSmallTextOut:
        ClearAt(record, emftext::kSmallTextOptions);
        break;
    default:
        break;
    }
}

bool ReadExtTextOut(const BYTE* record, DWORD size, ExtTextOutCall& call) {
    if (!record || size < emftext::kExtTextOutText + emftext::kTextSize) return false;
    const DWORD type = ReadAt<DWORD>(record, 0);
    if ((type != EMR_EXTTEXTOUTA && type != EMR_EXTTEXTOUTW) || !TextRecordFits(record, size)) return false;
    const size_t text = emftext::kExtTextOutText;
    const POINTL ref = ReadAt<POINTL>(record, text + emftext::kTextReference);
    const RECTL rect = ReadAt<RECTL>(record, text + emftext::kTextRect);
    const DWORD chars = ReadAt<DWORD>(record, text + emftext::kTextChars);
    const DWORD offString = ReadAt<DWORD>(record, text + emftext::kTextOffString);
    const DWORD offDx = ReadAt<DWORD>(record, text + emftext::kTextOffDx);
    call.reference = {ref.x, ref.y};
    call.rect = {rect.left, rect.top, rect.right, rect.bottom};
    call.options = ReadAt<DWORD>(record, text + emftext::kTextOptions) & ~emftext::kIgnoreLanguage;
    call.wide = type == EMR_EXTTEXTOUTW;
    call.wideText.clear();
    call.ansiText.clear();
    call.dx.clear();
    if (chars == 0) return true;
    if (call.wide) {
        call.wideText.resize(chars);
        std::memcpy(call.wideText.data(), record + offString, chars * sizeof(WCHAR));
    } else {
        call.ansiText.assign(reinterpret_cast<const char*>(record + offString), chars);
    }
    if (offDx != 0) {
        call.dx.resize((call.options & ETO_PDY) ? 2 * chars : chars);
        std::memcpy(call.dx.data(), record + offDx, call.dx.size() * sizeof(INT));
    }
    return true;
}

}  // namespace tw
