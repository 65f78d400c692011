#include "SettingsWriter.h"

#include <cstdio>

#include "HostPaths.h"
#include "base/ByteOrderMarks.h"
#include "base/Registry.h"
#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "monitor/Trace.h"

namespace twprint {
namespace {


std::vector<std::wstring> SplitKeyPath(const std::wstring& path) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::wstring JoinKeyPath(const std::wstring& a, const std::wstring& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return a + L"\\" + b;
}

std::wstring Win32Text(LSTATUS status) { return L"error " + std::to_wstring(status); }

}  // namespace

SettingsWriter::~SettingsWriter() {
    if (m_keep) return;
    std::vector<std::wstring> problems;
    Restore(problems);
    for (const auto& p : problems) std::fprintf(stderr, "twprint: %s\n", tw::ToUtf8(p).c_str());
}

bool SettingsWriter::CreateKeys(const std::wstring& path, size_t ownFrom, std::wstring& error) {
    TW_TRACE(L"> SettingsWriter::CreateKeys: %s", path.c_str());
    tw::UniqueHKey parent;
    std::wstring soFar;
    const std::vector<std::wstring> parts = SplitKeyPath(path);
    for (size_t i = 0; i < parts.size(); ++i) {
        soFar = JoinKeyPath(soFar, parts[i]);
        tw::UniqueHKey key;
        DWORD disposition = 0;
        LSTATUS status = ::RegCreateKeyExW(parent ? parent.get() : HKEY_CURRENT_USER, parts[i].c_str(), 0, nullptr, 0,
                                           KEY_CREATE_SUB_KEY, nullptr, key.put(), &disposition);
        if (status != ERROR_SUCCESS) {
            key.release();
            error = L"cannot create registry key HKCU\\" + soFar + L" (" + Win32Text(status) + L")";
            TW_TRACE_FAILED(L"SettingsWriter::CreateKeys", L"RegCreateKeyEx");
            return false;
        }
        if (disposition == REG_CREATED_NEW_KEY) m_createdKeys.push_back({soFar, i >= ownFrom});
        parent = std::move(key);
    }
    TW_TRACE_RESULT(L"SettingsWriter::CreateKeys", TRUE);
    return true;
}

bool SettingsWriter::BackUpValue(const std::wstring& keyPath, const std::wstring& name, std::wstring& error) {
    TW_TRACE(L"> SettingsWriter::BackUpValue: %s \\ %s", keyPath.c_str(), name.c_str());
    for (const ValueBackup& v : m_values)
        if (tw::EqualsNoCase(v.keyPath, keyPath) && tw::EqualsNoCase(v.name, name)) {
            TW_TRACE(L"< SettingsWriter::BackUpValue: TRUE (already kept)");
            return true;
        }
    ValueBackup backup{keyPath, name, std::nullopt, {}};
    tw::UniqueHKey key = tw::OpenKey(HKEY_CURRENT_USER, keyPath, KEY_QUERY_VALUE);
    DWORD type = 0, cb = 0;
    LSTATUS status = key ? ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &cb)
                         : ERROR_FILE_NOT_FOUND;
    if (status == ERROR_SUCCESS) {
        backup.oldData.resize(cb);
        status = ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, backup.oldData.data(), &cb);
        backup.oldData.resize(cb);
        backup.oldType = type;
    }
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        error = L"cannot read the old data of HKCU\\" + keyPath + L" \\ " + name + L" (" + Win32Text(status) + L")";
        TW_TRACE_FAILED(L"SettingsWriter::BackUpValue", L"RegQueryValueEx");
        return false;
    }
    m_values.push_back(std::move(backup));
    TW_TRACE_RESULT(L"SettingsWriter::BackUpValue", TRUE);
    return true;
}

bool SettingsWriter::SetValue(const std::wstring& sharedPath, const std::wstring& ownPath, const std::wstring& name,
                              DWORD type, const std::vector<BYTE>& data, std::wstring& error) {
    TW_TRACE(L"> SettingsWriter::SetValue: %s \\ %s \\ %s", sharedPath.c_str(), ownPath.c_str(), name.c_str());
    const std::wstring keyPath = JoinKeyPath(sharedPath, ownPath);
    if (!CreateKeys(keyPath, SplitKeyPath(sharedPath).size(), error) || !BackUpValue(keyPath, name, error)) {
        TW_TRACE_FAILED(L"SettingsWriter::SetValue", L"Prepare");
        return false;
    }
    tw::UniqueHKey key = tw::OpenKey(HKEY_CURRENT_USER, keyPath, KEY_SET_VALUE);
    LSTATUS status = key ? ::RegSetValueExW(key.get(), name.c_str(), 0, type, data.data(),
                                            static_cast<DWORD>(data.size()))
                         : ERROR_FILE_NOT_FOUND;
    if (status != ERROR_SUCCESS) {
        error = L"cannot write HKCU\\" + keyPath + L" \\ " + name + L" (" + Win32Text(status) + L")";
        TW_TRACE_FAILED(L"SettingsWriter::SetValue", L"RegSetValueEx");
        return false;
    }
    TW_TRACE_RESULT(L"SettingsWriter::SetValue", TRUE);
    return true;
}

bool SettingsWriter::CreateVolatileKey(const std::wstring& sharedPath, const std::wstring& ownPath,
                                       std::wstring& error) {
    TW_TRACE(L"> SettingsWriter::CreateVolatileKey: %s \\ %s", sharedPath.c_str(), ownPath.c_str());
    const std::wstring keyPath = JoinKeyPath(sharedPath, ownPath);
    const size_t cut = keyPath.rfind(L'\\');
    if (cut == std::wstring::npos || !CreateKeys(keyPath.substr(0, cut), SplitKeyPath(sharedPath).size(), error)) {
        if (error.empty()) error = L"no parent key for HKCU\\" + keyPath;
        TW_TRACE_FAILED(L"SettingsWriter::CreateVolatileKey", L"CreateKeys");
        return false;
    }
    tw::UniqueHKey key;
    DWORD disposition = 0;
    LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                       KEY_READ, nullptr, key.put(), &disposition);
    if (status != ERROR_SUCCESS) key.release();
    if (status == ERROR_SUCCESS && disposition != REG_CREATED_NEW_KEY)
        error = L"registry key HKCU\\" + keyPath + L" exists already and cannot become volatile";
    else if (status != ERROR_SUCCESS)
        error = L"cannot create volatile registry key HKCU\\" + keyPath + L" (" + Win32Text(status) + L")";
    else
        m_createdKeys.push_back({keyPath, true});
    TW_TRACE_RESULT(L"SettingsWriter::CreateVolatileKey", error.empty());
    return error.empty();
}

bool SettingsWriter::WriteIniFile(const std::wstring& path, const std::vector<IniSetting>& entries,
                                  std::wstring& error) {
    TW_TRACE(L"> SettingsWriter::WriteIniFile: %s", path.c_str());
    if (m_file) {
        error = L"a second driver data file '" + path + L"'";
        TW_TRACE_FAILED(L"SettingsWriter::WriteIniFile", L"Second");
        return false;
    }
    FileBackup backup{path, std::nullopt};
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        std::vector<BYTE> old;
        if (!ReadWholeFile(path, old)) {
            error = L"cannot read the existing file '" + path + L"'";
            TW_TRACE_FAILED(L"SettingsWriter::WriteIniFile", L"Backup");
            return false;
        }
        backup.oldBytes = std::move(old);
    }
    m_file = std::move(backup);
    // The byte-order mark makes the profile functions keep the file in UTF-16.
    if (!WriteWholeFile(path, std::vector<BYTE>(std::begin(tw::kBomUtf16Le), std::end(tw::kBomUtf16Le)))) {
        error = L"cannot create '" + path + L"'";
        TW_TRACE_FAILED(L"SettingsWriter::WriteIniFile", L"Create");
        return false;
    }
    for (const IniSetting& e : entries) {
        if (!::WritePrivateProfileStringW(e.section.c_str(), e.key.c_str(), e.value.c_str(), path.c_str())) {
            error = L"cannot write [" + e.section + L"] " + e.key + L" into '" + path + L"' (error " +
                    std::to_wstring(::GetLastError()) + L")";
            TW_TRACE_FAILED(L"SettingsWriter::WriteIniFile", L"WritePrivateProfileString");
            return false;
        }
    }
    TW_TRACE_RESULT(L"SettingsWriter::WriteIniFile", TRUE);
    return true;
}

void SettingsWriter::Restore(std::vector<std::wstring>& problems) {
    TW_TRACE(L"> SettingsWriter::Restore");
    // Values first: a value in a key this run created goes with its key anyway.
    RestoreValues(problems);
    RemoveKeys(problems);
    RestoreFile(problems);
    TW_TRACE_RESULT(L"SettingsWriter::Restore", problems.empty());
}

void SettingsWriter::RestoreValues(std::vector<std::wstring>& problems) {
    TW_TRACE(L"> SettingsWriter::RestoreValues");
    for (auto it = m_values.rbegin(); it != m_values.rend(); ++it) {
        const std::wstring where = L"HKCU\\" + it->keyPath + L" \\ " + it->name;
        LSTATUS status = ERROR_SUCCESS;
        if (it->oldType) {
            // The key may have gone during the run (the monitor deletes per-job keys).
            tw::UniqueHKey key = tw::CreateKey(HKEY_CURRENT_USER, it->keyPath, KEY_SET_VALUE);
            status = key ? ::RegSetValueExW(key.get(), it->name.c_str(), 0, *it->oldType, it->oldData.data(),
                                            static_cast<DWORD>(it->oldData.size()))
                         : ERROR_FILE_NOT_FOUND;
            if (status != ERROR_SUCCESS)
                problems.push_back(L"cannot restore " + where + L" (" + Win32Text(status) + L")");
            continue;
        }
        tw::UniqueHKey key = tw::OpenKey(HKEY_CURRENT_USER, it->keyPath, KEY_SET_VALUE);
        if (!key) continue;
        status = ::RegDeleteValueW(key.get(), it->name.c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
            problems.push_back(L"cannot remove " + where + L" (" + Win32Text(status) + L")");
    }
    m_values.clear();
    TW_TRACE(L"< SettingsWriter::RestoreValues");
}

void SettingsWriter::RemoveKeys(std::vector<std::wstring>& problems) {
    TW_TRACE(L"> SettingsWriter::RemoveKeys");
    for (auto it = m_createdKeys.rbegin(); it != m_createdKeys.rend(); ++it) {
        LSTATUS status = ERROR_SUCCESS;
        if (it->wholeTree) {
            status = ::RegDeleteTreeW(HKEY_CURRENT_USER, it->path.c_str());
        } else {
            tw::UniqueHKey key = tw::OpenKey(HKEY_CURRENT_USER, it->path, KEY_QUERY_VALUE);
            DWORD subKeys = 0, values = 0;
            if (!key || ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                                           nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
                subKeys != 0 || values != 0)
                continue;  // someone else's settings live there by now
            key.reset();
            status = ::RegDeleteKeyW(HKEY_CURRENT_USER, it->path.c_str());
        }
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
            problems.push_back(L"cannot remove HKCU\\" + it->path + L" (" + Win32Text(status) + L")");
    }
    m_createdKeys.clear();
    TW_TRACE(L"< SettingsWriter::RemoveKeys");
}

void SettingsWriter::RestoreFile(std::vector<std::wstring>& problems) {
    TW_TRACE(L"> SettingsWriter::RestoreFile");
    if (!m_file) {
        TW_TRACE(L"< SettingsWriter::RestoreFile: no file");
        return;
    }
    if (m_file->oldBytes) {
        if (!WriteWholeFile(m_file->path, *m_file->oldBytes))
            problems.push_back(L"cannot restore '" + m_file->path + L"'");
    } else if (!::DeleteFileW(m_file->path.c_str())) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_NOT_FOUND)
            problems.push_back(L"cannot remove '" + m_file->path + L"' (error " + std::to_wstring(error) + L")");
    }
    m_file.reset();
    TW_TRACE(L"< SettingsWriter::RestoreFile");
}

}  // namespace twprint
