// The start application's parameter list and the application starter's command line.
#include "notify/StartApplication.h"

#include "base/WideString.h"

namespace tw::startapp {
namespace {

void AddQuoted(std::wstring& list, const std::wstring& value) {
    list += L'"';
    list += value;
    list += L"\" ";
}

}  // namespace

std::wstring BuildParameterList(const std::vector<WORD>& kinds, const ParameterValues& v) {
    std::wstring list = L" ";
    for (size_t i = 0; i < kinds.size() && i < kUsedPositions; ++i) {
        switch (kinds[i]) {
        case kDocumentName: AddQuoted(list, v.documentName); break;
        case kGroupFileName: AddQuoted(list, v.groupFileName); break;
        case kPrinterName: AddQuoted(list, v.printerName); break;
        case kPageNumber: AddQuoted(list, std::to_wstring(v.pageNumber)); break;
        case kMultiPage: AddQuoted(list, v.multiPage ? L"1" : L"0"); break;
        case kPortrait: AddQuoted(list, v.portrait ? L"1" : L"0"); break;
        case kCustomParameter:
            list += v.customParameter.substr(0, kCustomParameterChars);
            list += L' ';
            break;
        case kOutputFileName: AddQuoted(list, v.outputFileName); break;
        case kUserName: AddQuoted(list, v.userName); break;
        case kComputerName: AddQuoted(list, v.computerName); break;
        case kSubmissionTime: AddQuoted(list, v.submissionTime); break;
        case kFirstBates: AddQuoted(list, v.firstBates); break;
        case kLastBates: AddQuoted(list, v.lastBates); break;
        case kCopies: AddQuoted(list, std::to_wstring(v.copies)); break;
        case kDatabaseIndex: AddQuoted(list, kDatabaseIndexPlaceholder); break;
        default: break;  // 0 and unknown kinds add nothing
        }
    }
    if (v.duplexCapability) {
        list += v.duplex == DMDUP_VERTICAL     ? kDuplexLongEdge
                : v.duplex == DMDUP_HORIZONTAL ? kDuplexShortEdge
                                               : kDuplexSingleSided;
    }
    return list;
}

std::wstring WorkingDirectory(const std::wstring& applicationPath) {
    size_t cut = applicationPath.find_last_of(L"\\:");
    return cut == std::wstring::npos ? std::wstring() : applicationPath.substr(0, cut);
}

std::wstring StarterCommandLine(const std::wstring& exeName, const std::wstring& systemDirectory, DWORD jobId,
                                DWORD postPrintId, const std::wstring& printerName) {
    std::wstring exe = exeName.empty() ? std::wstring(kDefaultStarter) : exeName;
    if (exeName.empty() || exe.find(L'\\') == std::wstring::npos) exe = systemDirectory + L"\\" + exe;
    return FormatW(kStarterArgumentsFormat, exe.c_str(), jobId, postPrintId, 0, printerName.c_str());
}

std::wstring FormatSubmissionTime(const SYSTEMTIME& localTime) {
    wchar_t date[128] = {}, time[128] = {};
    ::GetDateFormatW(LOCALE_SYSTEM_DEFAULT, DATE_SHORTDATE, &localTime, nullptr, date, 128);
    ::GetTimeFormatW(LOCALE_SYSTEM_DEFAULT, 0, &localTime, nullptr, time, 128);
    return std::wstring(date) + L" " + time;
}

}  // namespace tw::startapp
