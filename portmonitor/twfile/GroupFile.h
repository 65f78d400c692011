#pragma once
// The values a group file records about a document and its pages, and the files around it:
// the UTF-16 group file and the printer's status INI file.
#include <windows.h>

#include <string>

namespace tw {

class TarnwellDEVMODE;

// Size and resolution of a page as the group file reports them.
struct GroupPageGeometry {
    int width = 0;
    int height = 0;
    int xDpi = 0;
    int yDpi = 0;
    bool portrait = true;
};
// Fax output reports the fax page (1728 pixels wide, 204 dpi, 196 or 98 lines per inch); other
// output the record's pixel size and resolution, exchanged for rotated landscape pages.
GroupPageGeometry GroupFileGeometry(const TarnwellDEVMODE* dm);
// "Number of Copies": the record's copies (0 counts as 1), or the forwarding copies when
// forwarding uses its own count of 2 or more.
DWORD GroupFileCopies(const TarnwellDEVMODE* dm, DWORD jobId);

// Creates `path` holding only the UTF-16 byte-order mark, so that the INI writers write UTF-16
// into it; an existing file is left alone unless `replace`. False when it cannot be created.
bool CreateUnicodeGroupFile(const std::wstring& path, bool replace = false);

// The status INI file named by the printer INI file ("TwGroup.ini", "INI File"), default
// "tw_group.ini" (in the Windows directory, like every INI file named without a path).
std::wstring StatusIniFileName(const std::wstring& printerIniFile);

}  // namespace tw
