#pragma once
// Fonts a page names by file: a font-creation record whose face name ends in ".TMP" refers to a
// font file of that name in the printing user's temporary folder, installed for the job when the
// record is met. Only a plain file name is taken: a face name with a path in it is refused.
#include <windows.h>

#include <string>
#include <vector>

namespace tw {

class CFontResource;
class TarnwellDEVMODE;

// The path of the temporary font `face` in `folder`; false when the face is no temporary font
// file or would name a file outside the folder.
bool TemporaryFontPath(const std::wstring& folder, const std::wstring& face, std::wstring& path);

// The folder the temporary fonts of a job live in: the "TEMP" value of the printer's "EnvVars".
std::wstring TemporaryFontFolder(const TarnwellDEVMODE* dm);

class TemporaryFontLoader {
public:
    // `logTag` tells playback ("szFontName(2)") from text extraction ("szFontName(3)").
    TemporaryFontLoader(CFontResource& fonts, std::wstring folder, const wchar_t* logTag)
        : m_fonts(fonts), m_folder(std::move(folder)), m_logTag(logTag) {}
    // `record` is a private copy of an EMR_EXTCREATEFONTINDIRECTW: its face name is turned to
    // upper case, and a temporary font file it names is installed.
    void OnFontRecord(std::vector<BYTE>& record);

private:
    CFontResource& m_fonts;
    std::wstring m_folder;
    const wchar_t* m_logTag;
};

// The browser's cached fonts ("Z@*.TMP" below "Low\" of the user's temporary folder) into `fonts`.
void AddBrowserFonts(CFontResource& fonts);

}  // namespace tw
