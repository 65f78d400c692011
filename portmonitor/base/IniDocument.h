#pragma once
// An INI file read, changed and written back whole. The system's profile functions reopen and
// rewrite the file for every value they write (under Wine a millisecond or more each, growing
// with the file), and a job writes a dozen values a page into its group file. The encoding is
// kept as those functions keep it: UTF-16 or UTF-8 when the file starts with its byte-order
// mark, else the ANSI code page; lines end in CR LF.
#include <windows.h>

#include <string>
#include <vector>

#include "base/UniqueHandle.h"

namespace tw {

class IniDocument {
public:
    // A file without a directory lives in the Windows directory, as for the profile functions.
    static std::wstring ResolvePath(const std::wstring& path);

    // A missing file reads as an empty document; false when the file exists but cannot be read.
    bool Load(const std::wstring& path);
    // The first section and key of that name (letter case aside, the file's spelling kept) gets
    // the value; a new key goes after the section's last line, a new section at the end. Line
    // breaks in the texts become spaces: a value must not add lines of its own to the file.
    void Set(const std::wstring& section, const std::wstring& key, const std::wstring& value);
    // The first value of `key` in `section`, if any (as written, untrimmed).
    bool Get(const std::wstring& section, const std::wstring& key, std::wstring& value) const;
    bool Save(const std::wstring& path) const;

    // Load, change and save under one lock of the process: jobs on other threads may write the
    // same file (the status file is shared by every printer).
    // The file is opened once for both (under Wine each open, read handle and close is a server
    // round trip); where it cannot be opened for both, it is read and written apart as before.
    template <typename Change>
    static bool Update(const std::wstring& path, Change change) {
        const std::wstring full = ResolvePath(path);
        UpdateLock lock;
        IniDocument doc;
        UniqueFile file = OpenForUpdate(full);
        if (!file) {
            if (!doc.Load(full)) return false;
            change(doc);
            return doc.Save(full);
        }
        if (!doc.Read(file.get())) return false;
        change(doc);
        return doc.Write(file.get(), true);
    }

private:
    class UpdateLock {
    public:
        UpdateLock();
        ~UpdateLock();
        UpdateLock(const UpdateLock&) = delete;
        UpdateLock& operator=(const UpdateLock&) = delete;
    };
    enum class Encoding { Ansi, Utf8, Utf16Le, Utf16Be };
    static UniqueFile OpenForUpdate(const std::wstring& path);
    bool Read(HANDLE file);
    // Writes the document over the file's bytes from the start (`rewind`: from wherever a read
    // left it) and ends the file there.
    bool Write(HANDLE file, bool rewind) const;
    // The line range [begin, end) of the section's entries, after its header; false if absent.
    bool FindSection(const std::wstring& section, size_t& begin, size_t& end) const;
    static bool KeyOf(const std::wstring& line, std::wstring& key, std::wstring& value);

    Encoding m_encoding = Encoding::Ansi;
    std::vector<std::wstring> m_lines;
};

}  // namespace tw
