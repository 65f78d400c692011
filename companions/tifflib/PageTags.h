#pragma once
// The tags a caller sets on a page, checked when they are set and handed to libtiff when the
// page is written (or, for a page already written, when its directory is rewritten).
#include <tiffio.h>

#include <cstdint>
#include <map>
#include <vector>

namespace twtiff {

class PageTags {
public:
    // One value of type SHORT or LONG.
    bool Set(int tag, int type, long value);
    // `count` values from a buffer: SHORTs, or RATIONALs as numerator/denominator pairs.
    bool SetBuffer(int tag, const void* buffer, int type, int count);
    // Tags that describe a written page without touching its image data.
    static bool IsDescriptive(int tag);

    bool Has(int tag) const { return m_values.count(tag) != 0; }
    uint32_t Value(int tag, uint32_t fallback) const;
    const std::vector<uint32_t>* Values(int tag) const;
    void Replace(int tag, std::vector<uint32_t> values) { m_values[tag] = std::move(values); }
    void Erase(int tag) { m_values.erase(tag); }

    // Hands every tag to libtiff, Compression first (the coding options belong to the codec).
    bool ApplyTo(TIFF* tif) const;

private:
    // For RATIONAL tags the values are numerator/denominator pairs; else one value per item.
    std::map<int, std::vector<uint32_t>> m_values;
};

}  // namespace twtiff
