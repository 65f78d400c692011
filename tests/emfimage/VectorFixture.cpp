#include "VectorFixture.h"

#include <cwchar>

#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "portcmd/DevModeLayout.h"

namespace twtest {

HDC DcWatchingSpooler::CreatePrinterDC(LPCWSTR printerName, const DEVMODEW* devMode) {
    if (devMode) {
        const BYTE* p = reinterpret_cast<const BYTE*>(devMode);
        devModes.emplace_back(p, p + tw::kDevModeSize);
    }
    if (!overwriteKey.empty())
        ::RegSetKeyValueW(HKEY_CURRENT_USER, overwriteKey.c_str(), tw::settings::kMessagingInterfaceId, REG_DWORD,
                          &overwriteWith, sizeof(overwriteWith));
    return m_inner.CreatePrinterDC(printerName, devMode);
}

VectorFixture::VectorFixture() : m_previous(&tw::Spooler()), m_watch(tw::Spooler()) { tw::SetSpooler(&m_watch); }

VectorFixture::~VectorFixture() { tw::SetSpooler(m_previous); }

std::wstring VectorFixture::GroupKey(const wchar_t* group) {
    tw::TarnwellDEVMODE dm = DevMode().Record();
    return tw::settings::GroupPath(&dm, tw::settings::kRoot, group);
}

void VectorFixture::SetText(const wchar_t* group, const wchar_t* name, const wchar_t* value) {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, GroupKey(group).c_str(), name, REG_SZ, value,
                      static_cast<DWORD>((std::wcslen(value) + 1) * sizeof(wchar_t)));
}

void VectorFixture::SetDword(const wchar_t* group, const wchar_t* name, DWORD value) {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, GroupKey(group).c_str(), name, REG_DWORD, &value, sizeof(value));
}

}  // namespace twtest
