#include "formfiller/FormFillerNames.h"

#include "base/WideString.h"
#include "formfiller/FormFillerTexts.h"

namespace tw {

namespace ff = formfiller;

std::wstring FormFillerPrefix(const std::wstring& printerName) {
    return std::wstring(ff::kNameGuid) + L"_" + CleanObjectName(printerName);
}

bool MakeFormFillerNames(const std::wstring& prefix, DWORD jobId, DWORD sessionId, FormFillerNames& out) {
    const int job = static_cast<int>(jobId);
    out.createEvent = FormatW(ff::kCreateEventFormat, prefix.c_str(), job);
    out.doneEvent = FormatW(ff::kDoneEventFormat, prefix.c_str(), job);
    out.mutex = FormatW(ff::kMutexFormat, prefix.c_str(), job);
    out.sessionMap = FormatW(ff::kSessionMapFormat, static_cast<int>(sessionId), prefix.c_str(), job);
    out.localMap = FormatW(ff::kLocalMapFormat, prefix.c_str(), job);
    for (const std::wstring* name : {&out.createEvent, &out.doneEvent, &out.mutex, &out.sessionMap, &out.localMap})
        if (name->size() > ff::kMaxObjectNameChars) return false;
    return true;
}

std::wstring FormFillerCommandLine(const std::wstring& templatePath, const FormFillerNames& names,
                                   const std::wstring& printerName) {
    std::wstring line = FormatW(ff::kCommandLineFormat, templatePath.c_str(), names.mutex.c_str(),
                                names.localMap.c_str(), names.createEvent.c_str(), names.doneEvent.c_str(),
                                printerName.c_str());
    return line.size() > ff::kMaxCommandLineChars ? std::wstring() : line;
}

}  // namespace tw
