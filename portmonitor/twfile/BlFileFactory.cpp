// The writer factory: the format table names the writer class, this table makes it.
#include <cwchar>
#include <memory>

#include "twfile/BlBMPFile.h"
#include "twfile/BlFaxFiles.h"
#include "twfile/BlEMFFile.h"
#include "twfile/BlFile.h"
#include "twfile/BlHTMLFile.h"
#include "twfile/BlPcxFiles.h"
#include "twfile/BlPictureFiles.h"
#include "twfile/BlTIFFFile.h"
#include "twfile/FileFormats.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

template <typename Writer>
std::unique_ptr<CBlFile> Make(const TarnwellDEVMODE& dm) {
    return std::make_unique<Writer>(dm);
}

struct WriterMaker {
    const wchar_t* name;
    std::unique_ptr<CBlFile> (*make)(const TarnwellDEVMODE&);
};

constexpr WriterMaker kMakers[] = {
    {L"CBlBMPFile", &Make<CBlBMPFile>},
    {L"CBlMemBMPFile", &Make<CBlMemBMPFile>},
    {L"CBlTIFFFile", &Make<CBlTIFFFile>},
    {L"CBlMemTIFFFile", &Make<CBlMemTIFFFile>},
    {L"CBlCALSFile", &Make<CBlCALSFile>},
    {L"CBlRawFaxFile", &Make<CBlRawFaxFile>},
    {L"CBlIOCAFile", &Make<CBlIOCAFile>},
    {L"CBlPNGFile", &Make<CBlPNGFile>},
    {L"CBlGIFFile", &Make<CBlGIFFile>},
    {L"CBlJPEGFile", &Make<CBlJPEGFile>},
    {L"CBlJPEGLabFile", &Make<CBlJPEGLabFile>},
    {L"CBlPCXFile", &Make<CBlPCXFile>},
    {L"CBlDCXFile", &Make<CBlDCXFile>},
    {L"CBlEMFFile", &Make<CBlEMFFile>},
    {L"CBlMemEMFFile", &Make<CBlMemEMFFile>},
    {L"CBlHTMLGIFFile", &Make<CBlHTMLGIFFile>},
    {L"CBlHTMLPNGFile", &Make<CBlHTMLPNGFile>},
    {L"CBlHTMLJPEGFile", &Make<CBlHTMLJPEGFile>},
    {L"CBlHTMLBMPFile", &Make<CBlHTMLBMPFile>},
};

}  // namespace

std::unique_ptr<CBlFile> CreateBlFileObject(const TarnwellDEVMODE& dm, CTWJob* job, DWORD format, bool memoryMode) {
    TW_TRACE(L"CBlFile::CreateBlFileObject: %d", static_cast<int>(format));
    std::unique_ptr<CBlFile> writer;
    if (const wchar_t* name = FormatWriterName(format, memoryMode)) {
        for (const WriterMaker& maker : kMakers)
            if (std::wcscmp(maker.name, name) == 0) writer = maker.make(dm);
    }
    if (writer) {
        writer->SetJob(job);
        writer->SetFormat(format);
    }
    TW_TRACE(L"Allocated memory(1): %X", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(writer.get())));
    return writer;
}

}  // namespace tw
