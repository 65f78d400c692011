// The printing user's own environment variables, expanded with the user's token.
#include <cwchar>

#include "base/UniqueHandle.h"
#include "monitor/Trace.h"
#include "notify/JobEnvironment.h"

namespace tw {
namespace {

constexpr wchar_t kUserEnvLibrary[] = L"Userenv.dll";
constexpr char kExpandForUser[] = "ExpandEnvironmentStringsForUserW";
constexpr DWORD kTokenAccess = TOKEN_DUPLICATE | TOKEN_IMPERSONATE | TOKEN_QUERY;
// Room for the longest value an environment variable can hold, so that an expansion never
// comes back cut (some implementations report success for a buffer that was too small).
constexpr DWORD kExpansionChars = 32768;

using PfnExpandForUser = BOOL(WINAPI*)(HANDLE, LPCWSTR, LPWSTR, DWORD);

// The impersonated user's token; the process's only when asked for and the thread has none.
UniqueKernelObject OpenUserToken(UserTokenSource source) {
    UniqueKernelObject token;
    if (::OpenThreadToken(::GetCurrentThread(), kTokenAccess, TRUE, token.put())) return token;
    // A thread token that exists but cannot be opened belongs to someone else's identity: never
    // fall back to the process's in that case.
    if (source == UserTokenSource::ThreadOrProcess && ::GetLastError() == ERROR_NO_TOKEN &&
        ::OpenProcessToken(::GetCurrentProcess(), kTokenAccess, token.put()))
        return token;
    return UniqueKernelObject();
}

}  // namespace

bool ExpandUserVariable(std::wstring_view name, std::wstring& out, UserTokenSource source) {
    TW_TRACE(L"> ExpandUserVariable %.*s", static_cast<int>(name.size()), name.data());
    // A name with percent signs would expand several variables, or none, in one go.
    if (name.empty() || name.find(L'%') != std::wstring_view::npos) {
        TW_TRACE_FAILED(L"ExpandUserVariable", L"Name");
        return false;
    }
    UniqueKernelObject token = OpenUserToken(source);
    if (!token) {
        TW_TRACE_FAILED(L"ExpandUserVariable", L"OpenThreadToken");
        return false;
    }
    UniqueModule userenv(::LoadLibraryW(kUserEnvLibrary));
    if (!userenv) {
        TW_TRACE_FAILED(L"ExpandUserVariable", L"LoadLibrary");
        return false;
    }
    auto expand = reinterpret_cast<PfnExpandForUser>(
        reinterpret_cast<void*>(::GetProcAddress(userenv.get(), kExpandForUser)));
    if (!expand) {
        TW_TRACE_FAILED(L"ExpandUserVariable", L"GetProcAddress");
        return false;
    }

    std::wstring sourceText = L"%" + std::wstring(name) + L"%";
    std::wstring buffer(kExpansionChars, L'\0');
    if (!expand(token.get(), sourceText.c_str(), buffer.data(), kExpansionChars)) {
        TW_TRACE_FAILED(L"ExpandUserVariable", L"ExpandEnvironmentStringsForUser");
        return false;
    }
    size_t length = ::wcsnlen(buffer.data(), kExpansionChars);
    if (length >= kExpansionChars) {
        TW_TRACE_FAILED(L"ExpandUserVariable", L"Terminator");
        return false;
    }
    buffer.resize(length);
    // An undefined variable comes back as the text that named it: that is no value.
    if (buffer == sourceText) {
        TW_TRACE_FAILED(L"ExpandUserVariable", L"Undefined");
        return false;
    }
    out = std::move(buffer);
    TW_TRACE_RESULT(L"ExpandUserVariable", TRUE);
    return true;
}

}  // namespace tw
