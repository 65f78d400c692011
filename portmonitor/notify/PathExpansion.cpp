#include "notify/PathExpansion.h"

#include <optional>

#include "base/WideString.h"
#include "job/SettingsStore.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

constexpr size_t kTokenMarkChars = 2;  // "<<" and ">>"

constexpr wchar_t kTokenUserName[] = L"USERNAME";
constexpr wchar_t kTokenUserDomain[] = L"USERDOMAIN";
constexpr wchar_t kTokenComputerName[] = L"COMPUTERNAME";
constexpr wchar_t kTokenIpAddress[] = L"IPADDRESS";

// Scans `templ` and hands each token's name to `resolve(name, value) -> bool`.
template <typename Resolve>
bool ExpandTokens(std::wstring_view templ, std::wstring& out, Resolve resolve) {
    out.clear();
    bool complete = true;
    auto append = [&](std::wstring_view piece) {
        if (out.size() + piece.size() > kExpandedPathChars - 1) {
            complete = false;  // the output would no longer be what the template asked for
            return;
        }
        out.append(piece);
    };

    size_t pos = 0;
    while (pos < templ.size()) {
        size_t open = templ.find(kTokenOpen, pos);
        if (open == std::wstring_view::npos) {
            append(templ.substr(pos));
            break;
        }
        if (open > pos) append(templ.substr(pos, open - pos));
        size_t nameStart = open + kTokenMarkChars;
        size_t close = templ.find(kTokenClose, nameStart);
        size_t nameEnd = close == std::wstring_view::npos ? templ.size() : close;
        size_t tokenEnd = close == std::wstring_view::npos ? templ.size() : close + kTokenMarkChars;
        std::wstring_view name = templ.substr(nameStart, nameEnd - nameStart);

        std::wstring value;
        if (!name.empty() && resolve(name, value)) {
            append(value);
        } else {
            complete = false;
            append(templ.substr(open, tokenEnd - open));
        }
        pos = tokenEnd;
    }
    return complete;
}

// The printer's "%s\EnvVars" value of that name, else the user's variable.
bool ResolveVariable(const TarnwellDEVMODE* dm, std::wstring_view name, UserTokenSource tokenSource,
                     std::wstring& value) {
    std::wstring valueName(name);
    if (std::optional<std::wstring> stored = settings::ReadString(dm, settings::kEnvVars, valueName.c_str())) {
        value = std::move(*stored);
        return true;
    }
    return ExpandUserVariable(name, value, tokenSource);
}

// The job's own value for one of its four tokens; null for any other name.
const std::wstring* JobValue(const JobEnvironment& env, std::wstring_view name) {
    if (EqualsNoCase(name, kTokenUserName)) return &env.userName;
    if (EqualsNoCase(name, kTokenUserDomain)) return &env.domain;
    if (EqualsNoCase(name, kTokenComputerName)) return &env.computerName;
    if (EqualsNoCase(name, kTokenIpAddress)) return &env.ipAddress;
    return nullptr;
}

}  // namespace

bool ExpandPath(const JobEnvironment& env, const TarnwellDEVMODE* dm, std::wstring_view templ, std::wstring& out,
                UserTokenSource tokenSource) {
    TW_TRACE(L"> ExpandPath %.*s", static_cast<int>(templ.size()), templ.data());
    bool result = ExpandTokens(templ, out, [&](std::wstring_view name, std::wstring& value) {
        if (const std::wstring* jobValue = JobValue(env, name)) {
            value = *jobValue;
            return true;
        }
        return ResolveVariable(dm, name, tokenSource, value);
    });
    TW_TRACE(L"< ExpandPath: %s %s", result ? L"TRUE" : L"FALSE", out.c_str());
    return result;
}

bool ExpandVariables(const TarnwellDEVMODE* dm, std::wstring_view templ, std::wstring& out,
                     UserTokenSource tokenSource) {
    TW_TRACE(L"> ExpandVariables %.*s", static_cast<int>(templ.size()), templ.data());
    bool result = ExpandTokens(templ, out, [&](std::wstring_view name, std::wstring& value) {
        return ResolveVariable(dm, name, tokenSource, value);
    });
    TW_TRACE(L"< ExpandVariables: %s %s", result ? L"TRUE" : L"FALSE", out.c_str());
    return result;
}

std::wstring PrinterName(const TarnwellDEVMODE* dm) {
    TW_TRACE(L"> PrinterName");
    std::wstring name = settings::PrinterRegistryName(dm);
    TW_TRACE(L"< PrinterName: %s", name.c_str());
    return name;
}

}  // namespace tw
