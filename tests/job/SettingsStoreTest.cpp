// The printer registry name, key paths and the printer-scoped accessors on the real registry.
#include <cstring>

#include "job/SettingsScope.h"
#include "job/SettingsNames.h"
#include "job/SettingsTestPrinter.h"

using namespace tw;
using namespace tw::settings;

namespace {
class SettingsStore : public twtest::SettingsPrinter {};
}  // namespace

TEST_F(SettingsStore, RegistryNameFromPrinterIdsElseDeviceName) {
    EXPECT_EQ(PrinterRegistryName(&dm), name);
    EXPECT_TRUE(PrinterRegistryName(nullptr).empty());

    // A device name that fills its field without a terminator gives exactly 32 characters.
    std::wstring longName(40, L'Q');
    std::memcpy(dm.Bytes() + dmoff::dmDeviceName, longName.data(), 32 * sizeof(wchar_t));
    EXPECT_EQ(PrinterRegistryName(&dm), longName.substr(0, 32));

    SetText(IdKey(), kPrinterNameValue, L"");  // an empty entry names no printer
    EXPECT_EQ(PrinterRegistryName(&dm), longName.substr(0, 32));
    SetText(IdKey(), kPrinterNameValue, name);
    EXPECT_EQ(PrinterRegistryName(&dm), name);
}

TEST_F(SettingsStore, ANameScopeLooksEachPrinterUpOnce) {
    {
        SettingsScope outer;
        EXPECT_EQ(PrinterRegistryName(&dm), name);
        SetText(IdKey(), kPrinterNameValue, L"Renamed");
        {
            SettingsScope inner;
            EXPECT_EQ(PrinterRegistryName(&dm), name);  // looked up once for the whole call
        }
        EXPECT_EQ(PrinterRegistryName(&dm), name);
        // Another printer ID, or another device name, is another lookup.
        TarnwellDEVMODE other = dm;
        other.Write<DWORD>(dmoff::PrinterId, dm.Read<DWORD>(dmoff::PrinterId) + 1000);
        const std::wstring elsewhere = L"Elsewhere";
        std::memset(other.Bytes() + dmoff::dmDeviceName, 0, 32 * sizeof(wchar_t));
        std::memcpy(other.Bytes() + dmoff::dmDeviceName, elsewhere.data(), elsewhere.size() * sizeof(wchar_t));
        EXPECT_EQ(PrinterRegistryName(&other), elsewhere);
    }
    // Outside every scope each call reads the registry.
    EXPECT_EQ(PrinterRegistryName(&dm), L"Renamed");
    SetText(IdKey(), kPrinterNameValue, name);
    EXPECT_EQ(PrinterRegistryName(&dm), name);
}

TEST_F(SettingsStore, AScopeOpensEachKeyOnceAndAWriteOpensThemAfresh) {
    {
        SettingsScope scope;
        SetDword(Group(kPageSettings), kForcePaperWidth, 100);
        EXPECT_EQ(ReadDwordOr(&dm, kPageSettings, kForcePaperWidth, 0), 100u);
        // The key stays open: its values are still read as they are now.
        SetDword(Group(kPageSettings), kForcePaperWidth, 200);
        EXPECT_EQ(ReadDwordOr(&dm, kPageSettings, kForcePaperWidth, 0), 200u);
        // A key missing at its first read stays missing for the rest of the call...
        EXPECT_EQ(ReadDwordOr(&dm, kOcrSettings, kOcrAreaUnit, 7), 7u);
        SetDword(Group(kOcrSettings), kOcrAreaUnit, 3);
        EXPECT_EQ(ReadDwordOr(&dm, kOcrSettings, kOcrAreaUnit, 7), 7u);
        // ...unless the monitor writes settings itself: a key it makes is read back at once.
        ASSERT_TRUE(WriteDword(&dm, kRoot, kMessagingInterfaceSettings, kMessagingInterfaceId, 5));
        EXPECT_EQ(ReadDwordOr(&dm, kOcrSettings, kOcrAreaUnit, 7), 3u);
        EXPECT_EQ(ReadDwordOr(&dm, kMessagingInterfaceSettings, kMessagingInterfaceId, 0), 5u);
        EXPECT_EQ(ReadString(&dm, kEmailSettings, kMailvaneData), std::nullopt);
        SetText(Group(kEmailSettings), kMailvaneData, L"late");
        ForgetReadKeys();  // as after waiting for another program
        EXPECT_EQ(ReadString(&dm, kEmailSettings, kMailvaneData), std::optional<std::wstring>(L"late"));
    }
    // Outside every scope each read opens the key.
    ::RegDeleteTreeW(HKEY_CURRENT_USER, Group(kOcrSettings).c_str());
    EXPECT_EQ(ReadDwordOr(&dm, kOcrSettings, kOcrAreaUnit, 7), 7u);
    SetDword(Group(kOcrSettings), kOcrAreaUnit, 4);
    EXPECT_EQ(ReadDwordOr(&dm, kOcrSettings, kOcrAreaUnit, 7), 4u);
}

TEST_F(SettingsStore, KeysKeptFromCallToCallAreNeverStale) {
    // The keys of one port call stay for the next while nothing below the root changes; any
    // change made meanwhile, by anyone, is read by the next call.
    {
        SettingsScope first;
        EXPECT_EQ(ReadDwordOr(&dm, kOcrSettings, kOcrAreaUnit, 7), 7u);
        EXPECT_EQ(PrinterRegistryName(&dm), name);
    }
    {
        SettingsScope unchanged;
        EXPECT_EQ(ReadDwordOr(&dm, kOcrSettings, kOcrAreaUnit, 7), 7u);
    }
    SetDword(Group(kOcrSettings), kOcrAreaUnit, 3);  // another program makes the key
    {
        SettingsScope next;
        EXPECT_EQ(ReadDwordOr(&dm, kOcrSettings, kOcrAreaUnit, 7), 3u);
    }
    SetText(IdKey(), kPrinterNameValue, L"Renamed");
    {
        SettingsScope renamed;
        EXPECT_EQ(PrinterRegistryName(&dm), L"Renamed");
    }
    SetText(IdKey(), kPrinterNameValue, name);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, Group(kOcrSettings).c_str());
    {
        SettingsScope removed;
        EXPECT_EQ(ReadDwordOr(&dm, kOcrSettings, kOcrAreaUnit, 7), 7u);
        // Within a call, after waiting for another program: its writes are read, and without
        // any the keys stay as they were.
        SetDword(Group(kOcrSettings), kOcrAreaUnit, 4);
        EXPECT_EQ(ReadDwordOr(&dm, kOcrSettings, kOcrAreaUnit, 7), 7u);
        RefreshReadKeys();
        EXPECT_EQ(ReadDwordOr(&dm, kOcrSettings, kOcrAreaUnit, 7), 4u);
        RefreshReadKeys();
        EXPECT_EQ(ReadDwordOr(&dm, kOcrSettings, kOcrAreaUnit, 7), 4u);
    }
}

TEST_F(SettingsStore, GroupPathsSubstituteTheNameLiterally) {
    EXPECT_EQ(GroupPath(&dm, kRoot, kHeaderSettings), PrinterKey() + L"\\Header Settings");
    EXPECT_EQ(JobGroupFormat(42), L"%s\\42");
    EXPECT_EQ(GroupPath(&dm, kRoot, JobGroupFormat(42).c_str()), PrinterKey() + L"\\42");
    // Printer names are not formats.
    SetText(IdKey(), kPrinterNameValue, L"Odd %d %s name");
    EXPECT_EQ(GroupPath(&dm, kRoot, kPageSettings), std::wstring(kRoot) + L"\\Odd %d %s name\\Page Settings");
    // Without any name there is no printer key to read.
    TarnwellDEVMODE blank;
    EXPECT_TRUE(GroupPath(&blank, kRoot, kPageSettings).empty());
    DWORD out = 5;
    EXPECT_FALSE(ReadDword(HKEY_CURRENT_USER, &blank, kRoot, kPrinterGroup, kPrinterIdValue, out));
}

TEST_F(SettingsStore, ReadDwordNeedsARealDword) {
    SetDword(Group(kPageSettings), kForcePaperWidth, 1234);
    SetText(Group(kPageSettings), kForcePaperHeight, L"1");  // four bytes of text
    DWORD out = 7;
    EXPECT_TRUE(ReadDword(HKEY_CURRENT_USER, &dm, kRoot, kPageSettings, kForcePaperWidth, out));
    EXPECT_EQ(out, 1234u);
    out = 7;
    EXPECT_FALSE(ReadDword(HKEY_CURRENT_USER, &dm, kRoot, kPageSettings, kForcePaperHeight, out));
    EXPECT_FALSE(ReadDword(HKEY_CURRENT_USER, &dm, kRoot, kPageSettings, kForcePaperXDpi, out));
    EXPECT_FALSE(ReadDword(HKEY_CURRENT_USER, &dm, kRoot, kOcrSettings, kOcrAreaUnit, out));
    EXPECT_EQ(out, 7u);
    EXPECT_EQ(ReadDwordOr(&dm, kPageSettings, kForcePaperXDpi, kForcePaperXDpiDefault), 300u);
    EXPECT_EQ(ReadDwordOr(&dm, kPageSettings, kForcePaperWidth, kForcePaperWidthDefault), 1234u);
}

TEST_F(SettingsStore, ReadTextSizeProtocol) {
    SetText(Group(kEmailSettings), kMailvaneData, L"abcdef");
    const DWORD needed = 7 * sizeof(wchar_t);
    DWORD size = 0;
    EXPECT_FALSE(ReadText(&dm, kRoot, kEmailSettings, kMailvaneData, nullptr, size));
    EXPECT_EQ(size, needed);
    size = 100;
    EXPECT_FALSE(ReadText(&dm, kRoot, kEmailSettings, kMailvaneData, nullptr, size));
    EXPECT_EQ(size, needed);

    wchar_t buf[16];
    size = needed - 2;
    EXPECT_FALSE(ReadText(&dm, kRoot, kEmailSettings, kMailvaneData, buf, size));
    EXPECT_EQ(size, needed);
    size = sizeof(buf);
    ASSERT_TRUE(ReadText(&dm, kRoot, kEmailSettings, kMailvaneData, buf, size));
    EXPECT_EQ(size, needed);
    EXPECT_STREQ(buf, L"abcdef");

    size = 0;
    EXPECT_FALSE(ReadText(&dm, kRoot, kEmailSettings, L"Missing", nullptr, size));
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(ReadString(&dm, kEmailSettings, kMailvaneData), L"abcdef");
    EXPECT_FALSE(ReadString(&dm, kEmailSettings, L"Missing"));
}

TEST_F(SettingsStore, ReadTextAlwaysTerminates) {
    // Stored without its terminator: the exact size asks for room for one.
    SetRaw(Group(kStartApplication), kCustomParameter, REG_SZ, L"xyz", 3 * sizeof(wchar_t));
    wchar_t buf[8];
    std::fill(std::begin(buf), std::end(buf), L'#');
    DWORD size = 3 * sizeof(wchar_t);
    EXPECT_FALSE(ReadText(&dm, kRoot, kStartApplication, kCustomParameter, buf, size));
    EXPECT_EQ(size, 4 * sizeof(wchar_t));
    ASSERT_TRUE(ReadText(&dm, kRoot, kStartApplication, kCustomParameter, buf, size));
    EXPECT_STREQ(buf, L"xyz");
    EXPECT_EQ(ReadString(&dm, kStartApplication, kCustomParameter), L"xyz");
}

TEST_F(SettingsStore, WritesCreateKeysAndDeletesRemoveValues) {
    ASSERT_TRUE(WriteDword(&dm, kRoot, kMessagingInterfaceSettings, kMessagingInterfaceId, 4711));
    EXPECT_EQ(ReadDwordOr(&dm, kMessagingInterfaceSettings, kMessagingInterfaceId, 0), 4711u);
    auto [type, data] = Raw(Group(kMessagingInterfaceSettings), kMessagingInterfaceId);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));

    ASSERT_TRUE(ResetReadEmfData(&dm));
    auto [emfType, emfData] = Raw(Group(kTroubleshootingSettings), kReadEmfData);
    EXPECT_EQ(emfType, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(emfData, std::vector<BYTE>(2, 0));  // empty, terminator counted

    SetDword(PrinterKey(), kPrinterIdValue, 99);
    DWORD id = 0;
    ASSERT_TRUE(ReadPrinterId(name.c_str(), id));
    EXPECT_EQ(id, 99u);
    EXPECT_TRUE(DeletePrinterValue(&dm, kPrinterIdValue));
    EXPECT_FALSE(ReadPrinterId(name.c_str(), id));
    EXPECT_FALSE(DeletePrinterValue(&dm, kPrinterIdValue));
    EXPECT_FALSE(ReadPrinterId(L"", id));
}

TEST_F(SettingsStore, NullArgumentsFailWithoutTouchingTheRegistry) {
    DWORD out = 3, size = 10;
    char buf[10];
    EXPECT_FALSE(ReadDword(nullptr, &dm, kRoot, kPageSettings, kForcePaperSize, out));
    EXPECT_FALSE(ReadDword(HKEY_CURRENT_USER, nullptr, kRoot, kPageSettings, kForcePaperSize, out));
    EXPECT_FALSE(ReadDword(HKEY_CURRENT_USER, &dm, nullptr, kPageSettings, kForcePaperSize, out));
    EXPECT_FALSE(ReadDword(HKEY_CURRENT_USER, &dm, kRoot, nullptr, kForcePaperSize, out));
    EXPECT_FALSE(ReadDword(HKEY_CURRENT_USER, &dm, kRoot, kPageSettings, nullptr, out));
    EXPECT_FALSE(ReadText(nullptr, kRoot, kPageSettings, kPageRotation, buf, size));
    EXPECT_FALSE(ReadText(&dm, kRoot, kPageSettings, nullptr, buf, size));
    EXPECT_EQ(out, 3u);
    EXPECT_EQ(size, 10u);
    EXPECT_FALSE(WriteDword(nullptr, kRoot, kPageSettings, kForcePaperSize, 1));
    EXPECT_FALSE(WriteDword(&dm, nullptr, kPageSettings, kForcePaperSize, 1));
    EXPECT_FALSE(WriteDword(&dm, kRoot, nullptr, kForcePaperSize, 1));
    EXPECT_FALSE(WriteDword(&dm, kRoot, kPageSettings, nullptr, 1));
    EXPECT_FALSE(DeletePrinterValue(nullptr, kPrinterIdValue));
    EXPECT_FALSE(DeletePrinterValue(&dm, nullptr));
    EXPECT_FALSE(ResetReadEmfData(nullptr));
    EXPECT_FALSE(ReadPrinterId(nullptr, out));
    EXPECT_FALSE(Exists(PrinterKey()));  // nothing was created on the way
}
