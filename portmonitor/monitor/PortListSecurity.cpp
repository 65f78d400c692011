// Last resort when the spooler cannot create "PortList": give Everyone, the Administrators and
// Local System full control of the monitor's key and create "PortList" directly.
#include <windows.h>
#include <aclapi.h>

#include "base/UniqueHandle.h"
#include "monitor/DebugLog.h"
#include "monitor/MonitorModule.h"
#include "monitor/MonitorTexts.h"
#include "monitor/PortList.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

// read, write and WRITE_DAC
constexpr REGSAM kPortListForcedAccess = 0x6001F;

bool MakeSid(SID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD rid0, DWORD rid1, UniqueSid& out,
             const wchar_t* errorText) {
    if (!::AllocateAndInitializeSid(&authority, count, rid0, rid1, 0, 0, 0, 0, 0, 0, out.put())) {
        InstallerLog().print(errorText, ::GetLastError());
        return false;
    }
    return true;
}

EXPLICIT_ACCESSW AccessFor(PSID sid, TRUSTEE_TYPE type) {
    EXPLICIT_ACCESSW ea{};
    ea.grfAccessPermissions = KEY_ALL_ACCESS;
    ea.grfAccessMode = SET_ACCESS;
    ea.grfInheritance = CONTAINER_INHERIT_ACE | OBJECT_INHERIT_ACE;
    ea.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    ea.Trustee.TrusteeType = type;
    ea.Trustee.ptstrName = static_cast<LPWSTR>(sid);
    return ea;
}

}  // namespace

BOOL CPortList::ForceWriteRights(const wchar_t* name) {
    TW_TRACE(L"> CPortList::ForceWriteRights");
    auto fail = [] {
        InstallerLog().print(texts::kLogAddToRegistryFailed);
        return FALSE;
    };
    const MONITORINIT* init = module::MonitorInit();
    if (!init) return fail();
    HKEY root = static_cast<HKEY>(init->hckRegistryRoot);

    UniqueSid everyone, admins, system;
    if (!MakeSid(SECURITY_WORLD_SID_AUTHORITY, 1, SECURITY_WORLD_RID, 0, everyone, texts::kLogSidEveryone) ||
        !MakeSid(SECURITY_NT_AUTHORITY, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, admins,
                 texts::kLogSidAdmins) ||
        !MakeSid(SECURITY_NT_AUTHORITY, 1, SECURITY_LOCAL_SYSTEM_RID, 0, system, texts::kLogSidSystem))
        return fail();

    EXPLICIT_ACCESSW entries[3] = {AccessFor(everyone.get(), TRUSTEE_IS_WELL_KNOWN_GROUP),
                                   AccessFor(admins.get(), TRUSTEE_IS_GROUP),
                                   AccessFor(system.get(), TRUSTEE_IS_USER)};
    PACL rawAcl = nullptr;
    DWORD rc = ::SetEntriesInAclW(3, entries, nullptr, &rawAcl);
    UniqueHLocal acl(rawAcl);
    if (rc != ERROR_SUCCESS) {
        InstallerLog().print(texts::kLogCreateAcl, rc);
        return fail();
    }
    UniqueHLocal sdBlock(::LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH));
    if (!sdBlock) {
        InstallerLog().print(texts::kLogLocalAlloc, ::GetLastError(), SECURITY_DESCRIPTOR_MIN_LENGTH);
        return fail();
    }
    auto* sd = static_cast<PSECURITY_DESCRIPTOR>(sdBlock.get());
    if (!::InitializeSecurityDescriptor(sd, SECURITY_DESCRIPTOR_REVISION)) {
        InstallerLog().print(texts::kLogInitSd, ::GetLastError());
        return fail();
    }
    if (!::SetSecurityDescriptorDacl(sd, TRUE, static_cast<PACL>(acl.get()), FALSE)) {
        InstallerLog().print(texts::kLogSetSdDacl, ::GetLastError());
        return fail();
    }
    LONG lrc = ::RegSetKeySecurity(root, DACL_SECURITY_INFORMATION, sd);
    if (lrc != ERROR_SUCCESS) {
        InstallerLog().print(texts::kLogRegSetKeySecurity, lrc);
        return fail();
    }
    SECURITY_ATTRIBUTES sa{sizeof(sa), sd, FALSE};
    UniqueHKey portList;
    lrc = ::RegCreateKeyExW(root, texts::kPortListKey, 0, nullptr, 0, kPortListForcedAccess, &sa, portList.put(),
                            nullptr);
    if (lrc != ERROR_SUCCESS) {
        portList.release();
        InstallerLog().print(texts::kLogRegCreateKey2, lrc);
        return fail();
    }
    lrc = ::RegSetKeySecurity(portList.get(), DACL_SECURITY_INFORMATION, sd);
    if (lrc != ERROR_SUCCESS) {
        InstallerLog().print(texts::kLogRegSetKeySecurity2, lrc);
        return fail();
    }
    lrc = ::RegSetValueExW(portList.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(texts::kPortValueData),
                           sizeof(wchar_t));
    if (lrc != ERROR_SUCCESS) {
        InstallerLog().print(texts::kLogSetValueFailed, lrc);
        return fail();
    }
    return TRUE;
}

}  // namespace tw
