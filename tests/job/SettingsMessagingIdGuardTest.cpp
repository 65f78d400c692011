// The messaging identifier survives a printer DC whose driver overwrites it.
#include "job/MessagingIdGuard.h"
#include "job/SettingsNames.h"
#include "job/SettingsTestPrinter.h"

using namespace tw;
using namespace tw::settings;

namespace {

class SettingsMessagingIdGuard : public twtest::SettingsPrinter {
protected:
    DWORD StoredId() { return ReadDwordOr(&dm, kMessagingInterfaceSettings, kMessagingInterfaceId, 0xFFFF); }
    void DriverOverwrites() { SetDword(Group(kMessagingInterfaceSettings), kMessagingInterfaceId, 999); }
};

}  // namespace

TEST_F(SettingsMessagingIdGuard, RestoresTheIdWhenSessionIdsAreUsed) {
    SetText(Group(kMessagingInterfaceSettings), kUseWindowsSessionId, L"Yes");
    SetDword(Group(kMessagingInterfaceSettings), kMessagingInterfaceId, 17);
    MessagingIdGuard guard(&dm);
    DriverOverwrites();
    EXPECT_EQ(guard.Restore(), 17u);
    EXPECT_EQ(StoredId(), 17u);
}

TEST_F(SettingsMessagingIdGuard, LeavesTheIdAloneOtherwise) {
    SetDword(Group(kMessagingInterfaceSettings), kMessagingInterfaceId, 17);
    {
        MessagingIdGuard guard(&dm);
        DriverOverwrites();
        EXPECT_FALSE(guard.Restore());
    }
    EXPECT_EQ(StoredId(), 999u);

    // The flag without a stored identifier: nothing to keep, nothing invented.
    SetText(Group(kMessagingInterfaceSettings), kUseWindowsSessionId, L"yes");
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, Group(kMessagingInterfaceSettings).c_str(), kMessagingInterfaceId);
    { EXPECT_FALSE(MessagingIdGuard(&dm).Restore()); }
    EXPECT_EQ(StoredId(), 0xFFFFu);
    EXPECT_FALSE(MessagingIdGuard(nullptr).Restore());
}

TEST_F(SettingsMessagingIdGuard, RestoresOnDestructionWhenTheDcFailed) {
    SetText(Group(kMessagingInterfaceSettings), kUseWindowsSessionId, L"yes");
    SetDword(Group(kMessagingInterfaceSettings), kMessagingInterfaceId, 5);
    {
        MessagingIdGuard guard(&dm);
        DriverOverwrites();
    }
    EXPECT_EQ(StoredId(), 5u);
}
