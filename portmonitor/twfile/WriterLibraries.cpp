#include "twfile/WriterLibraries.h"

#include <cwchar>
#include <string>

#include "twfile/FileFormats.h"
#include "twfile/JpegLibrary.h"
#include "twfile/TiffLibrary.h"

namespace tw {
namespace {

bool Among(const wchar_t* writer, std::initializer_list<const wchar_t*> names) {
    for (const wchar_t* name : names)
        if (std::wcscmp(writer, name) == 0) return true;
    return false;
}

}  // namespace

std::vector<UniqueModule> KeepWriterLibraries(const TarnwellDEVMODE& dm, DWORD format, bool inMemory) {
    std::vector<UniqueModule> kept;
    const FileFormatInfo& info = FileFormat(format);
    const wchar_t* writer = inMemory ? info.memoryWriter : info.writer;
    if (!writer) return kept;
    std::wstring path;
    if (Among(writer, {L"CBlTIFFFile", L"CBlMemTIFFFile", L"CBlCALSFile", L"CBlRawFaxFile", L"CBlIOCAFile"}))
        path = TiffLibraryPath(dm);
    else if (Among(writer, {L"CBlJPEGFile", L"CBlJPEGLabFile", L"CBlHTMLJPEGFile"}))
        path = JpegLibraryPath(dm);
    if (path.empty()) return kept;
    UniqueModule module(::LoadLibraryW(path.c_str()));
    if (module) kept.push_back(std::move(module));
    return kept;
}

}  // namespace tw
