// The dialog that asks for a port name when "TwMonitor.ini" names none.
#include <windows.h>

#include "monitor/MonitorModule.h"
#include "monitor/PortList.h"
#include "monitor/ThreadBlock.h"
#include "monitor/Trace.h"
#include "resources/resource.h"

namespace tw {
namespace {

INT_PTR CALLBACK AddPortDialogProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        if (ThreadBlock* block = threadblock::Current()) block->pAddPortOutput = reinterpret_cast<wchar_t*>(lParam);
        ::SetFocus(::GetDlgItem(hDlg, IDC_PORT_NAME));
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            ThreadBlock* block = threadblock::Current();
            if (block && block->pAddPortOutput)
                ::GetDlgItemTextW(hDlg, IDC_PORT_NAME, block->pAddPortOutput, CPortList::kPortNameChars);
            ::EndDialog(hDlg, 1);
            return TRUE;
        }
        case IDCANCEL:
            ::EndDialog(hDlg, 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

std::wstring CPortList::AskPortName() {
    TW_TRACE(L"> CPortList::AskPortName");
    wchar_t name[kPortNameChars] = {};
    INT_PTR rc = ::DialogBoxParamW(module::Instance(), MAKEINTRESOURCEW(IDD_ADD_PORT), nullptr, AddPortDialogProc,
                                   reinterpret_cast<LPARAM>(name));
    if (ThreadBlock* block = threadblock::Current()) block->pAddPortOutput = nullptr;
    if (rc != 1) return {};
    name[kPortNameChars - 1] = L'\0';
    return name;
}

}  // namespace tw
