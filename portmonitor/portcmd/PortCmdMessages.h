#pragma once
// Status texts of the command stream reader, reported through the job when a command has to be
// refused or dropped, or when the stream ends before its document does. Each names what was
// lost, so that the user can tell a damaged stream from a failed page.
namespace tw::portcmd {

// %u: the data size announced by the header.
inline constexpr const wchar_t kMsgDataTooLarge[] = L"Driver command refused: data size %u exceeds the limit";
// %u: the data size that could not be allocated.
inline constexpr const wchar_t kMsgNoMemoryForData[] = L"Driver command refused: not enough memory for %u data bytes";

// Bytes that are no command header: flag, header size and type read, bytes dropped with them.
inline constexpr const wchar_t kMsgInvalidHeader[] =
    L"Print data error: bytes that are not a driver command (flag %08X, size %u, type %u); %u bytes of print data "
    L"were dropped.";
// %s: command name; %u: the DEVMODE's size; %u: the size a DEVMODE has.
inline constexpr const wchar_t kMsgDevModeSize[] =
    L"Print data error: %s carries a DEVMODE of %u bytes instead of %u; the command was dropped.";
// %u: the record's size.
inline constexpr const wchar_t kMsgTextOutSize[] =
    L"Print data error: PORT_CMD_WRITE_TEXT_OUT of %u bytes is too short for its position; the command was dropped.";
// %s: command name.
inline constexpr const wchar_t kMsgBeforeStartDoc[] =
    L"Print data error: %s before PORT_CMD_START_DOC; the command was dropped.";
inline constexpr const wchar_t kMsgAfterEndDoc[] =
    L"Print data error: %s after PORT_CMD_END_DOC; the command was dropped.";
inline constexpr const wchar_t kMsgSecondStartDoc[] =
    L"Print data error: a second PORT_CMD_START_DOC in the document; the command was dropped.";
// %s: command name; %u: the page data dropped.
inline constexpr const wchar_t kMsgPageNotStarted[] =
    L"Print data error: %s without PORT_CMD_START_PAGE; %u bytes of page data were dropped.";
// %s: command name; %lu: the page's number.
inline constexpr const wchar_t kMsgPageWithoutData[] =
    L"Print data error: %s of page %lu carries no page data; the page is lost.";
// %lu: the page's number.
inline constexpr const wchar_t kMsgPageNotEnded[] =
    L"Print data error: page %lu was started but never ended (no PORT_CMD_END_PAGE); the page is lost.";

// The end of the job's data (EndDocPort) before the end of its document.
// %u: header bytes that arrived.
inline constexpr const wchar_t kMsgCutInHeader[] =
    L"Print data error: the print data ended inside a command header (%u of 16 bytes); the document is incomplete.";
// %s: command name; %u, %u: data bytes that arrived, and announced.
inline constexpr const wchar_t kMsgCutInCommand[] =
    L"Print data error: the print data ended inside %s (%u of %u data bytes); the document is incomplete.";
// %lu: the page's number.
inline constexpr const wchar_t kMsgCutInPage[] =
    L"Print data error: the print data ended inside page %lu (no PORT_CMD_END_PAGE); the page is lost and the "
    L"document is incomplete.";
inline constexpr const wchar_t kMsgNoEndDoc[] =
    L"Print data error: the print data ended without PORT_CMD_END_DOC; the document is incomplete.";

}  // namespace tw::portcmd
