#include "PageTags.h"

#include <cstring>

#include "LibraryError.h"
#include "Tiff32.h"

namespace twtiff {
namespace {

enum class Kind { One, Pair, PerSample, ColorMap, Rational };

struct TagRule {
    int tag;
    Kind kind;
    bool descriptive;  // may change on a page already written
};

constexpr TagRule kRules[] = {
    {TIFFTAG_SUBFILETYPE, Kind::One, true},
    {TIFFTAG_IMAGEWIDTH, Kind::One, false},
    {TIFFTAG_IMAGELENGTH, Kind::One, false},
    {TIFFTAG_BITSPERSAMPLE, Kind::PerSample, false},
    {TIFFTAG_COMPRESSION, Kind::One, false},
    {TIFFTAG_PHOTOMETRIC, Kind::One, false},
    {TIFFTAG_FILLORDER, Kind::One, false},
    {TIFFTAG_ORIENTATION, Kind::One, false},
    {TIFFTAG_SAMPLESPERPIXEL, Kind::One, false},
    {TIFFTAG_ROWSPERSTRIP, Kind::One, false},
    {TIFFTAG_XRESOLUTION, Kind::Rational, true},
    {TIFFTAG_YRESOLUTION, Kind::Rational, true},
    {TIFFTAG_PLANARCONFIG, Kind::One, false},
    {TIFFTAG_GROUP3OPTIONS, Kind::One, false},
    {TIFFTAG_GROUP4OPTIONS, Kind::One, false},
    {TIFFTAG_RESOLUTIONUNIT, Kind::One, true},
    {TIFFTAG_PAGENUMBER, Kind::Pair, true},
    {TIFFTAG_PREDICTOR, Kind::One, false},
    {TIFFTAG_COLORMAP, Kind::ColorMap, false},
    {TIFFTAG_JPEGQUALITY, Kind::One, false},
};

const TagRule* FindRule(int tag) {
    for (const TagRule& r : kRules) {
        if (r.tag == tag) return &r;
    }
    return nullptr;
}

bool Unsupported(const char* why) { return Fail(TIFF_ERR_UNSUPPORTED_TAG, why); }

}  // namespace

bool PageTags::IsDescriptive(int tag) {
    const TagRule* rule = FindRule(tag);
    return rule && rule->descriptive;
}

bool PageTags::Set(int tag, int type, long value) {
    const TagRule* rule = FindRule(tag);
    if (!rule) return Unsupported("the tag is not one the library writes");
    if (type != TIFF_TYPE_SHORT && type != TIFF_TYPE_LONG) return Unsupported("one-value tags are SHORT or LONG");
    if (value < 0 || (type == TIFF_TYPE_SHORT && value > 0xFFFF)) return Unsupported("the value is out of range");
    uint32_t v = static_cast<uint32_t>(value);
    switch (rule->kind) {
    case Kind::One: m_values[tag] = {v}; return true;
    case Kind::Pair: m_values[tag] = {v, 0}; return true;  // a page number without a total
    case Kind::PerSample: m_values[tag] = {v}; return true;
    case Kind::Rational: m_values[tag] = {v, 1}; return true;
    case Kind::ColorMap: break;
    }
    return Unsupported("the tag needs a buffer");
}

bool PageTags::SetBuffer(int tag, const void* buffer, int type, int count) {
    const TagRule* rule = FindRule(tag);
    if (!rule) return Unsupported("the tag is not one the library writes");
    if (!buffer || count <= 0 || count > 3 * 65536) return Fail(TIFF_ERR_INVALID_ARGUMENT, "no values");
    std::vector<uint32_t> values;
    if (type == TIFF_TYPE_SHORT) {
        const auto* p = static_cast<const uint16_t*>(buffer);
        values.assign(p, p + count);
    } else if (type == TIFF_TYPE_LONG) {
        const auto* p = static_cast<const uint32_t*>(buffer);
        values.assign(p, p + count);
    } else if (type == TIFF_TYPE_RATIONAL) {
        if (rule->kind != Kind::Rational) return Unsupported("the tag is not RATIONAL");
        const auto* p = static_cast<const uint32_t*>(buffer);
        values.assign(p, p + 2 * count);
        if (count != 1 || values[1] == 0) return Unsupported("a resolution is one RATIONAL with a denominator");
        m_values[tag] = std::move(values);
        return true;
    } else {
        return Unsupported("buffers hold SHORT, LONG or RATIONAL values");
    }
    switch (rule->kind) {
    case Kind::One:
        if (count != 1) return Unsupported("the tag takes one value");
        break;
    case Kind::Pair:
        if (count != 2) return Unsupported("the tag takes two values");
        break;
    case Kind::PerSample:
        for (uint32_t v : values) {
            if (v != values[0]) return Unsupported("samples of different sizes");
        }
        break;
    case Kind::ColorMap:
        if (count % 3 != 0 || count / 3 > 256) return Unsupported("a colour map holds three runs of at most 256 entries");
        break;
    case Kind::Rational:
        if (count != 1) return Unsupported("the tag takes one value");
        values.push_back(1);
        break;
    }
    m_values[tag] = std::move(values);
    return true;
}

uint32_t PageTags::Value(int tag, uint32_t fallback) const {
    auto it = m_values.find(tag);
    return it == m_values.end() || it->second.empty() ? fallback : it->second[0];
}

const std::vector<uint32_t>* PageTags::Values(int tag) const {
    auto it = m_values.find(tag);
    return it == m_values.end() ? nullptr : &it->second;
}

bool PageTags::ApplyTo(TIFF* tif) const {
    auto rejected = [](int tag) {
        char text[80];
        std::snprintf(text, sizeof text, "libtiff refused tag %d", tag);
        return Unsupported(text);
    };
    if (Has(TIFFTAG_COMPRESSION) && !TIFFSetField(tif, TIFFTAG_COMPRESSION, Value(TIFFTAG_COMPRESSION, 1))) {
        return rejected(TIFFTAG_COMPRESSION);
    }
    for (const auto& [tag, values] : m_values) {
        const TagRule* rule = FindRule(tag);
        int ok = 1;
        switch (rule->kind) {
        case Kind::One:
        case Kind::PerSample:
            if (tag == TIFFTAG_COMPRESSION) continue;
            ok = TIFFSetField(tif, tag, values[0]);
            break;
        case Kind::Pair:
            ok = TIFFSetField(tif, tag, values[0], values[1]);
            break;
        case Kind::Rational:
            ok = TIFFSetField(tif, tag, static_cast<float>(static_cast<double>(values[0]) / values[1]));
            break;
        case Kind::ColorMap: {
            // libtiff wants 2^BitsPerSample entries per colour; missing ones are black.
            uint32_t bits = Value(TIFFTAG_BITSPERSAMPLE, 1);
            if (bits > 8) return Unsupported("a colour map needs at most 8 bits per sample");
            size_t entries = size_t{1} << bits, given = values.size() / 3;
            if (given > entries) return Unsupported("the colour map has more entries than the bit depth allows");
            std::vector<uint16_t> map(3 * entries, 0);
            for (size_t c = 0; c < 3; ++c) {
                for (size_t i = 0; i < given; ++i) map[c * entries + i] = static_cast<uint16_t>(values[c * given + i]);
            }
            ok = TIFFSetField(tif, tag, map.data(), map.data() + entries, map.data() + 2 * entries);
            break;
        }
        }
        if (!ok) return rejected(tag);
    }
    return true;
}

}  // namespace twtiff
