// Reading page EMFs from moveable global blocks: the corpus, the placeable prefix, and data
// that must be refused before GDI copies it.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "support/EmfCorpus.h"
#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "emfimage/EmfPageReader.h"
#include "portcmd/PortCmdLayout.h"
#include "support/TestSupport.h"

namespace twtest {
namespace {

// A moveable block holding `bytes`, as the command stream hands a page to the job.
tw::UniqueHGlobal MakeBlock(const std::string& bytes) {
    tw::UniqueHGlobal block(::GlobalAlloc(GMEM_MOVEABLE, bytes.empty() ? 1 : bytes.size()));
    tw::GlobalLockGuard<BYTE> lock(block.get());
    if (!bytes.empty()) std::memcpy(lock.get(), bytes.data(), bytes.size());
    return block;
}

tw::EmfReadResult Read(const std::string& bytes, tw::UniqueEnhMetaFile& mf, tw::EmfPageInfo& info) {
    tw::UniqueHGlobal block = MakeBlock(bytes);
    return tw::ReadMetaFile(block.get(), bytes.size(), mf, info);
}

std::string WithPrefix(const std::string& emf) {
    std::string prefix(tw::portcmd::kPlaceablePrefixSize, '\0');
    std::memcpy(prefix.data(), &tw::portcmd::kPlaceableKey, sizeof(tw::portcmd::kPlaceableKey));
    return prefix + emf;
}

std::string CorpusBytes(const wchar_t* name) { return ReadFileBytes(EmfCorpusFile(name)); }

TEST(EmfPageReader, ReadsEveryCorpusFileAndLeavesTheBlockUnlocked) {
    const auto files = EmfCorpusFiles();
    ASSERT_GE(files.size(), 60u);
    for (const auto& path : files) {
        SCOPED_TRACE(tw::ToUtf8(path));
        const std::string bytes = ReadFileBytes(path);
        tw::UniqueHGlobal block = MakeBlock(bytes);
        tw::UniqueEnhMetaFile mf;
        tw::EmfPageInfo info;
        EXPECT_EQ(tw::ReadMetaFile(block.get(), bytes.size(), mf, info), tw::EmfReadResult::Ok);
        EXPECT_TRUE(mf);
        EXPECT_EQ(::GlobalFlags(block.get()) & GMEM_LOCKCOUNT, 0u);
        EXPECT_EQ(::GetEnhMetaFileBits(mf.get(), 0, nullptr), info.nBytes);
    }
}

TEST(EmfPageReader, MeasuresThePageFromTheHeader) {
    tw::UniqueEnhMetaFile mf;
    tw::EmfPageInfo info;
    ASSERT_EQ(Read(CorpusBytes(L"snaildev-emfparser__2.emf"), mf, info), tw::EmfReadResult::Ok);
    EXPECT_EQ(info.frame.right - info.frame.left, 7200);   // a 72 mm receipt
    EXPECT_EQ(info.frame.bottom - info.frame.top, 29700);
    EXPECT_EQ(info.device.cx, 576);
    EXPECT_EQ(info.micrometers.cx, 72071);                 // from the header's second extension
    const SIZE px = tw::EmfPageSizeInPixels(info);
    EXPECT_EQ(px.cx, 575);
    EXPECT_NEAR(px.cy, 2374, 1);

    // An 88-byte header has no micrometres; millimetres stand in for them.
    ASSERT_EQ(Read(CorpusBytes(L"poi__61294.emf"), mf, info), tw::EmfReadResult::Ok);
    EXPECT_EQ(info.micrometers.cx, 211000);
    EXPECT_EQ(tw::EmfPageSizeInPixels(info).cx, static_cast<LONG>(800.0f / 211.0f * 59.17f + 0.5f));

    tw::EmfPageInfo zero{};
    zero.frame = {0, 0, 1000, 1000};
    EXPECT_EQ(tw::EmfPageSizeInPixels(zero).cx, 0);  // no division by a zero device size
}

TEST(EmfPageReader, SkipsThePlaceablePrefix) {
    const std::string emf = CorpusBytes(L"pillow__drawing.emf");
    tw::UniqueEnhMetaFile plain, prefixed;
    tw::EmfPageInfo a, b;
    ASSERT_EQ(Read(emf, plain, a), tw::EmfReadResult::Ok);
    ASSERT_EQ(Read(WithPrefix(emf), prefixed, b), tw::EmfReadResult::Ok);
    EXPECT_EQ(b.nBytes, a.nBytes);
    EXPECT_EQ(std::memcmp(&a.frame, &b.frame, sizeof(a.frame)), 0);
    EXPECT_EQ(Read(WithPrefix(""), prefixed, b), tw::EmfReadResult::TooShort);
    EXPECT_FALSE(prefixed);
}

TEST(EmfPageReader, RefusesTruncatedAndGarbageData) {
    const std::string emf = CorpusBytes(L"pillow__drawing.emf");
    tw::UniqueEnhMetaFile mf;
    tw::EmfPageInfo info;
    EXPECT_EQ(Read(emf.substr(0, emf.size() / 2), mf, info), tw::EmfReadResult::SizeBeyondData);
    EXPECT_EQ(Read(WithPrefix(emf.substr(0, emf.size() - 4)), mf, info), tw::EmfReadResult::SizeBeyondData);
    EXPECT_EQ(Read(emf.substr(0, 50), mf, info), tw::EmfReadResult::TooShort);
    EXPECT_EQ(Read("", mf, info), tw::EmfReadResult::TooShort);

    std::string garbage(4096, '\0');
    std::mt19937 rng(7);
    for (char& c : garbage) c = static_cast<char>(rng());
    EXPECT_EQ(Read(garbage, mf, info), tw::EmfReadResult::NotEmf);

    std::string badSignature = emf;
    badSignature[40] = 'X';
    EXPECT_EQ(Read(badSignature, mf, info), tw::EmfReadResult::NotEmf);
    std::string smallBytes = emf;
    const DWORD tiny = 16;
    std::memcpy(smallBytes.data() + 48, &tiny, sizeof(tiny));  // nBytes below the header size
    EXPECT_EQ(Read(smallBytes, mf, info), tw::EmfReadResult::NotEmf);
    EXPECT_FALSE(mf);
    EXPECT_EQ(tw::EmfReadInternalError(tw::EmfReadResult::SizeBeyondData), 104);
}

TEST(EmfPageReader, RefusesMissingBlocksAndSizesBeyondTheBlock) {
    tw::UniqueEnhMetaFile mf;
    tw::EmfPageInfo info;
    EXPECT_EQ(tw::ReadMetaFile(nullptr, 100, mf, info), tw::EmfReadResult::NoBlock);
    EXPECT_EQ(tw::EmfReadInternalError(tw::EmfReadResult::NoBlock), 100);

    const std::string emf = CorpusBytes(L"pillow__drawing.emf");
    tw::UniqueHGlobal block = MakeBlock(emf);
    EXPECT_EQ(tw::ReadMetaFile(block.get(), ::GlobalSize(block.get()) + 1, mf, info), tw::EmfReadResult::TooShort);
    EXPECT_EQ(::GlobalFlags(block.get()) & GMEM_LOCKCOUNT, 0u);

    tw::UniqueHGlobal discarded(::GlobalAlloc(GMEM_MOVEABLE | GMEM_DISCARDABLE, 0));
    if (discarded) {  // a zero-sized moveable block is born discarded and cannot be locked
        EXPECT_EQ(tw::ReadMetaFile(discarded.get(), 0, mf, info), tw::EmfReadResult::LockFailed);
    }
}

}  // namespace
}  // namespace twtest
