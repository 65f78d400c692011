#include "job/SettingsScope.h"

#include <iterator>
#include <utility>
#include <vector>

#include "base/Registry.h"
#include "base/RegistryWatch.h"
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

// What the thread's scopes have looked up. Keys below kRoot outlive the scope while nothing
// below kRoot changes: the next port call then takes them as they are, for the cost of one wait
// instead of a server round trip for every key (about 0.15 ms each under Wine).
struct ScopeCache {
    int depth = 0;
    bool nameValid = false;
    DWORD id = 0;
    std::wstring device;
    std::wstring name;
    std::vector<OpenedKey> keys;
    RegistryWatch watch;
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

bool Watched(const OpenedKey& opened) {
    const size_t root = std::size(kRoot) - 1;
    return opened.hive == HKEY_CURRENT_USER && opened.path.size() >= root &&
           EqualsNoCase(opened.path.substr(0, root), kRoot) &&
           (opened.path.size() == root || opened.path[root] == L'\\');
}

}  // namespace

SettingsScope::SettingsScope() {
    ScopeCache& cache = g_scope.Get();
    if (cache.depth++ > 0 || cache.watch.Unchanged()) return;
    // Something below kRoot changed, or nothing was watched: look everything up afresh, with
    // the watch armed before the first key is opened.
    cache.nameValid = false;
    cache.keys.clear();
    cache.watch.Arm(HKEY_CURRENT_USER, kRoot);
}

SettingsScope::~SettingsScope() {
    ScopeCache& cache = g_scope.Get();
    if (--cache.depth > 0) return;
    if (!cache.watch.Armed()) {
        cache.nameValid = false;
        cache.keys.clear();
        return;
    }
    // Whether they are still good is asked when the next scope begins.
    std::erase_if(cache.keys, [](const OpenedKey& opened) { return !Watched(opened); });
}

void ForgetReadKeys() { g_scope.Get().keys.clear(); }

void RefreshReadKeys() {
    ScopeCache& cache = g_scope.Get();
    if (cache.watch.Unchanged()) return;
    cache.nameValid = false;
    cache.keys.clear();
    if (cache.depth > 0) cache.watch.Arm(HKEY_CURRENT_USER, kRoot);
}

void ReleaseThreadSettings() { g_scope.ReleaseThread(); }

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
