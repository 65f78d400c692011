// The record checker over the corpus and over hand-built records: sizes, types and the
// handle table that decide what may be played.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "support/EmfCorpus.h"
#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "emfimage/EmfPageReader.h"
#include "emfimage/EmfRecordCheck.h"
#include "support/TestSupport.h"

namespace twtest {
namespace {

using tw::EmfRecordVerdict;

const std::set<std::wstring> kColorSpaceFiles = {
    L"snaildev-emfparser__001.emf", L"snaildev-emfparser__2.emf", L"snaildev-emfparser__FP01166.emf"};
const wchar_t kCorruptFile[] = L"poi__61294.emf";
const wchar_t kShortColourTableFile[] = L"libemf2svg__test-039.emf";

std::wstring BaseName(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

tw::EmfWalkResult Walk(const std::string& bytes) {
    return tw::WalkEmfRecords(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size());
}

DWORD TypeAt(const std::string& bytes, size_t index) {
    size_t offset = 0;
    for (size_t i = 0; i < index; ++i) {
        DWORD size;
        std::memcpy(&size, bytes.data() + offset + 4, 4);
        offset += size;
    }
    DWORD type;
    std::memcpy(&type, bytes.data() + offset, 4);
    return type;
}

TEST(EmfRecordCheck, CorpusWalksCleanExceptTheKnownBadFiles) {
    const auto files = EmfCorpusFiles();
    ASSERT_GE(files.size(), 60u);
    for (const auto& path : files) {
        const std::wstring name = BaseName(path);
        SCOPED_TRACE(tw::ToUtf8(name));
        const std::string bytes = ReadFileBytes(path);
        const tw::EmfWalkResult walk = Walk(bytes);
        if (name == kCorruptFile) {
            // Record 2 claims 0xFFFF0127 bytes at offset 2384; nothing after it can be found.
            EXPECT_FALSE(walk.reachedEof);
            EXPECT_EQ(walk.bytesWalked, 2384u);
            ASSERT_FALSE(walk.verdicts.empty());
            EXPECT_EQ(walk.verdicts.back(), EmfRecordVerdict::BadSize);
            EXPECT_EQ(walk.UnsafeCount(), 1u);
            continue;
        }
        EXPECT_TRUE(walk.reachedEof);
        EXPECT_EQ(walk.bytesWalked, bytes.size());
        if (kColorSpaceFiles.count(name)) {
            // SETCOLORSPACE names a colour space the page never created: flagged, all else safe.
            ASSERT_GE(walk.UnsafeCount(), 1u);
            for (size_t i = 0; i < walk.verdicts.size(); ++i) {
                if (walk.verdicts[i] == EmfRecordVerdict::Safe) continue;
                EXPECT_EQ(walk.verdicts[i], EmfRecordVerdict::BadHandle);
                EXPECT_EQ(TypeAt(bytes, i), static_cast<DWORD>(EMR_SETCOLORSPACE));
            }
        } else if (name == kShortColourTableFile) {
            // Its 8-bit blits carry 100 of the 256 colours their headers imply: played repaired.
            // Two STRETCHDIBITS pass JPEG and PNG data through, which GDI draws on no DC of ours.
            size_t repaired = 0, refused = 0;
            for (EmfRecordVerdict v : walk.verdicts) {
                repaired += v == EmfRecordVerdict::ShortColourTable;
                refused += v == EmfRecordVerdict::BadBitmap;
            }
            EXPECT_EQ(repaired, 12u);
            EXPECT_EQ(refused, 2u);
            EXPECT_EQ(walk.UnsafeCount(), repaired + refused);
        } else if (name.rfind(L"zint__", 0) == 0) {
            // This writer puts its first brush into slot 0, the metafile's own: create and select refused.
            EXPECT_EQ(walk.UnsafeCount(), 2u);
        } else {
            EXPECT_EQ(walk.UnsafeCount(), 0u);
        }
    }
}

// Plays every corpus page record by record into a bitmap, skipping what the checker refuses,
// as the renderer does: this is what must survive the files that crash PlayEnhMetaFile.
struct PlayContext {
    tw::EmfRecordChecker checker;
    const BYTE* base = nullptr;
    size_t size = 0;
    size_t offset = 0;
    int played = 0;
    int skipped = 0;
};

int CALLBACK PlayChecked(HDC dc, HANDLETABLE* table, const ENHMETARECORD* record, int handles, LPARAM param) {
    auto* ctx = reinterpret_cast<PlayContext*>(param);
    const size_t available = ctx->offset < ctx->size ? ctx->size - ctx->offset : 0;
    const EmfRecordVerdict verdict = ctx->checker.Check(record, available);
    if (verdict == EmfRecordVerdict::BadSize) return 0;
    ctx->offset += record->nSize;
    if (verdict != EmfRecordVerdict::Safe) {
        ++ctx->skipped;
        return 1;
    }
    ++ctx->played;
    ::PlayEnhMetaFileRecord(dc, table, record, handles);
    return 1;
}

TEST(EmfRecordCheck, CheckedPlaybackSurvivesTheCorpus) {
    tw::UniqueDC dc(::CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    tw::UniqueGdiObject bitmap(::CreateCompatibleBitmap(dc.get(), 200, 200));
    tw::SelectGuard select(dc.get(), bitmap.get());
    for (const auto& path : EmfCorpusFiles()) {
        const std::wstring name = BaseName(path);
        SCOPED_TRACE(tw::ToUtf8(name));
        tw::UniqueEnhMetaFile mf;
        tw::EmfPageInfo info;
        const std::string bytes = ReadFileBytes(path);
        ASSERT_EQ(tw::ReadMetaFileBytes(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size(), mf, info),
                  tw::EmfReadResult::Ok);
        PlayContext ctx;
        ctx.base = reinterpret_cast<const BYTE*>(bytes.data());
        ctx.size = info.nBytes;
        RECT rc{0, 0, 200, 200};
        ::EnumEnhMetaFile(dc.get(), mf.get(), PlayChecked, &ctx, &rc);
        EXPECT_GT(ctx.played, 0);
    }
}

// Hand-built metafiles: a header with `handles` slots followed by the given records.
class EmfBuilder {
public:
    explicit EmfBuilder(WORD handles) {
        std::vector<BYTE> header(88, 0);
        Put(header, 0, EMR_HEADER);
        Put(header, 4, 88);
        Put(header, 40, 0x464D4520);
        std::memcpy(header.data() + 56, &handles, sizeof(handles));
        m_bytes = header;
    }
    EmfBuilder& Record(DWORD type, std::vector<DWORD> fields, DWORD sizeOverride = 0) {
        const DWORD size = sizeOverride ? sizeOverride : static_cast<DWORD>(8 + 4 * fields.size());
        std::vector<BYTE> rec(8 + 4 * fields.size(), 0);
        Put(rec, 0, type);
        Put(rec, 4, size);
        for (size_t i = 0; i < fields.size(); ++i) Put(rec, 8 + 4 * i, fields[i]);
        m_bytes.insert(m_bytes.end(), rec.begin(), rec.end());
        return *this;
    }
    EmfBuilder& Eof() { return Record(EMR_EOF, {0, 0, 20}); }
    tw::EmfWalkResult Walk() const { return tw::WalkEmfRecords(m_bytes.data(), m_bytes.size()); }

private:
    static void Put(std::vector<BYTE>& v, size_t at, DWORD x) { std::memcpy(v.data() + at, &x, 4); }
    std::vector<BYTE> m_bytes;
};

std::vector<DWORD> Pen(DWORD index) { return {index, PS_SOLID, 1, 0, 0}; }  // 28-byte CREATEPEN

TEST(EmfRecordCheck, HandlesMustBeCreatedAndInsideTheTable) {
    const auto walk = EmfBuilder(3)
                          .Record(EMR_SELECTOBJECT, {1})              // not created yet
                          .Record(EMR_CREATEPEN, Pen(1))
                          .Record(EMR_SELECTOBJECT, {1})
                          .Record(EMR_CREATEPEN, Pen(3))              // slot beyond nHandles
                          .Record(EMR_CREATEPEN, Pen(0))              // slot 0 is the metafile
                          .Record(EMR_DELETEOBJECT, {1})
                          .Record(EMR_SELECTOBJECT, {1})              // deleted
                          .Record(EMR_DELETEOBJECT, {1})              // deleted twice
                          .Record(EMR_SELECTOBJECT, {0x80000000 | BLACK_PEN})
                          .Record(EMR_SELECTOBJECT, {0x80000000 | 0x14})  // no such stock object
                          .Record(EMR_DELETEOBJECT, {0x80000000 | BLACK_PEN})
                          .Record(EMR_SETCOLORSPACE, {0x80000000 | 0x14})
                          .Record(EMR_SELECTPALETTE, {0x80000000 | DEFAULT_PALETTE})
                          .Record(EMR_FILLRGN, {0, 0, 0, 0, 0, 2})    // brush 2 never created
                          .Eof()
                          .Walk();
    const std::vector<EmfRecordVerdict> expected = {
        EmfRecordVerdict::Safe,      EmfRecordVerdict::BadHandle, EmfRecordVerdict::Safe,
        EmfRecordVerdict::Safe,      EmfRecordVerdict::BadHandle, EmfRecordVerdict::BadHandle,
        EmfRecordVerdict::Safe,      EmfRecordVerdict::BadHandle, EmfRecordVerdict::BadHandle,
        EmfRecordVerdict::Safe,      EmfRecordVerdict::BadHandle, EmfRecordVerdict::BadHandle,
        EmfRecordVerdict::BadHandle, EmfRecordVerdict::Safe,      EmfRecordVerdict::BadHandle,
        EmfRecordVerdict::Safe};
    EXPECT_EQ(walk.verdicts, expected);
    EXPECT_TRUE(walk.reachedEof);
}

TEST(EmfRecordCheck, SizesAndTypes) {
    auto walk = EmfBuilder(1)
                    .Record(EMR_SETMAPMODE, {})                 // 8 bytes: shorter than its 12
                    .Record(200, {0})                           // no such record type
                    .Record(EMR_HEADER, std::vector<DWORD>(20)) // a second header
                    .Record(EMR_SETBKMODE, {1})
                    .Eof()
                    .Walk();
    EXPECT_EQ(walk.verdicts, (std::vector<EmfRecordVerdict>{
                                 EmfRecordVerdict::Safe, EmfRecordVerdict::TooShortForType,
                                 EmfRecordVerdict::UnknownType, EmfRecordVerdict::MisplacedHeader,
                                 EmfRecordVerdict::Safe, EmfRecordVerdict::Safe}));

    // A size that is not a multiple of four, or runs past the data, ends the walk there.
    walk = EmfBuilder(1).Record(EMR_SETBKMODE, {1}, 10).Eof().Walk();
    EXPECT_EQ(walk.verdicts.back(), EmfRecordVerdict::BadSize);
    EXPECT_FALSE(walk.reachedEof);
    walk = EmfBuilder(1).Record(EMR_SETBKMODE, {1}, 0x1000).Walk();
    EXPECT_EQ(walk.verdicts.back(), EmfRecordVerdict::BadSize);
    walk = EmfBuilder(1).Record(EMR_SETBKMODE, {1}, 4).Eof().Walk();
    EXPECT_EQ(walk.verdicts.back(), EmfRecordVerdict::BadSize);
    EXPECT_EQ(walk.verdicts.size(), 2u);

    // Data that does not open with a header is not walked at all.
    const std::string notEmf(64, '\x04');
    walk = tw::WalkEmfRecords(reinterpret_cast<const BYTE*>(notEmf.data()), notEmf.size());
    EXPECT_EQ(walk.verdicts.size(), 1u);
    EXPECT_NE(walk.verdicts[0], EmfRecordVerdict::Safe);
    EXPECT_TRUE(tw::WalkEmfRecords(nullptr, 0).verdicts.empty());
}

}  // namespace
}  // namespace twtest
