#include "job/SettingsScope.h"

#include <utility>
#include <vector>

#include "base/Registry.h"
#include "base/ThreadSlot.h"
#include "base/WideString.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "job/SettingsStoreDetail.h"
#include "monitor/Trace.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw::settings {
namespace {

struct OpenedKey {
    HKEY hive = nullptr;
    std::wstring path;
    UniqueHKey key;  // empty: the key was missing
};

// What the thread's scope has looked up.
struct ScopeCache {
    int depth = 0;
    bool nameValid = false;
    DWORD id = 0;
    std::wstring device;
    std::wstring name;
    std::vector<OpenedKey> keys;
};
ThreadSlot<ScopeCache> g_scope;

std::wstring DeviceName(const TarnwellDEVMODE* dm) {
    std::wstring device = DmText(dm, dmtext::dmDeviceName);
    if (device.size() > kDeviceNameChars) device.resize(kDeviceNameChars);
    return device;
}

std::wstring LookUpRegistryName(DWORD id, const std::wstring& device) {
    std::wstring idKey = detail::JoinPath(kRoot, FormatW(L"%s\\%lu", kPrinterIds, id));
    UniqueHKey key = OpenKey(HKEY_CURRENT_USER, idKey, KEY_QUERY_VALUE);
    if (key) {
        BYTE data[kNameBytes];
        DWORD type = 0, cb = sizeof(data);
        if (::RegQueryValueExW(key.get(), kPrinterNameValue, nullptr, &type, data, &cb) == ERROR_SUCCESS &&
            detail::IsTextType(type)) {
            std::wstring name = detail::TextFromData(data, cb);
            // An empty entry names no printer; the device name still does.
            if (!name.empty()) {
                TW_TRACE(L"< settings::PrinterRegistryName: %s", name.c_str());
                return name;
            }
        }
    }
    TW_TRACE(L"< settings::PrinterRegistryName: %s (device name)", device.c_str());
    return device;
}

}  // namespace

SettingsScope::SettingsScope() { ++g_scope.Get().depth; }

SettingsScope::~SettingsScope() {
    ScopeCache& cache = g_scope.Get();
    if (--cache.depth > 0) return;
    cache.nameValid = false;
    cache.keys.clear();
}

void ForgetReadKeys() { g_scope.Get().keys.clear(); }

ReadKey OpenReadKey(HKEY hive, const std::wstring& path) {
    ReadKey result;
    ScopeCache& cache = g_scope.Get();
    if (cache.depth == 0) {
        result.m_owned = OpenKey(hive, path, KEY_QUERY_VALUE);
        result.m_key = result.m_owned.get();
        return result;
    }
    for (const OpenedKey& opened : cache.keys) {
        if (opened.hive == hive && EqualsNoCase(opened.path, path)) {
            result.m_key = opened.key.get();
            return result;
        }
    }
    cache.keys.push_back(OpenedKey{hive, path, OpenKey(hive, path, KEY_QUERY_VALUE)});
    result.m_key = cache.keys.back().key.get();
    return result;
}

std::wstring PrinterRegistryName(const TarnwellDEVMODE* dm) {
    TW_TRACE(L"> settings::PrinterRegistryName");
    if (!dm) {
        TW_TRACE_FAILED(L"settings::PrinterRegistryName", L"DevMode");
        return {};
    }
    const DWORD id = dm->Read<DWORD>(dmoff::PrinterId);
    std::wstring device = DeviceName(dm);
    ScopeCache& cache = g_scope.Get();
    if (cache.depth > 0 && cache.nameValid && cache.id == id && cache.device == device) return cache.name;
    std::wstring name = LookUpRegistryName(id, device);
    if (cache.depth > 0) {
        cache.nameValid = true;
        cache.id = id;
        cache.device = std::move(device);
        cache.name = name;
    }
    return name;
}

}  // namespace tw::settings
