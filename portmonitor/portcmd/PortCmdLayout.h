#pragma once
// The record format of the driver's command stream: a 16-byte little-endian header followed at
// once by dwDataSize data bytes; the next header follows the data, with no padding or trailer.
#include <windows.h>

#include <cstddef>

namespace tw {

inline constexpr DWORD TARNWELL_CMD_FLAG = 0x8000F22F;

// Command types (header field at offset 8).
inline constexpr DWORD PORT_CMD_START_DOC = 1;       // data: the document's DEVMODE
inline constexpr DWORD PORT_CMD_START_PAGE = 2;      // data: the page's DEVMODE
inline constexpr DWORD PORT_CMD_END_PAGE = 3;        // data: the page's spooled EMF
inline constexpr DWORD PORT_CMD_END_DOC = 4;         // data: none (ignored when present)
inline constexpr DWORD PORT_CMD_WRITE_TEXT_OUT = 5;  // data: X, Y, UTF-16 text
inline constexpr DWORD PORT_CMD_END_PAGE_RAW = 6;    // data: a packed DIB
inline constexpr DWORD PORT_CMD_FIRST = PORT_CMD_START_DOC;
inline constexpr DWORD PORT_CMD_LAST = PORT_CMD_END_PAGE_RAW;

// The command type's name for listings and traces; null for a type that is not a command.
constexpr const wchar_t* PortCmdName(DWORD type) {
    switch (type) {
        case PORT_CMD_START_DOC: return L"PORT_CMD_START_DOC";
        case PORT_CMD_START_PAGE: return L"PORT_CMD_START_PAGE";
        case PORT_CMD_END_PAGE: return L"PORT_CMD_END_PAGE";
        case PORT_CMD_END_DOC: return L"PORT_CMD_END_DOC";
        case PORT_CMD_WRITE_TEXT_OUT: return L"PORT_CMD_WRITE_TEXT_OUT";
        case PORT_CMD_END_PAGE_RAW: return L"PORT_CMD_END_PAGE_RAW";
        default: return nullptr;
    }
}

#pragma pack(push, 1)
struct PortCmdHeader {
    DWORD dwFlag;      // TARNWELL_CMD_FLAG
    DWORD dwCmdSize;   // the header's own size, 16
    DWORD dwCmdType;   // PORT_CMD_*
    DWORD dwDataSize;  // data bytes that follow the header
};
#pragma pack(pop)

namespace portcmd {

inline constexpr DWORD kHeaderSize = 16;
inline constexpr size_t kFlagOffset = 0;
inline constexpr size_t kCmdSizeOffset = 4;
inline constexpr size_t kCmdTypeOffset = 8;
inline constexpr size_t kDataSizeOffset = 12;

// The largest data block a command may announce. A page is an EMF or a DIB of a few tens of
// megabytes at most; a header asking for more is corrupt, and honouring it would let one bad
// record exhaust the spooler's address space.
inline constexpr DWORD kMaxDataSize = 512u * 1024u * 1024u;

// WRITE_TEXT_OUT data: signed X and Y, then UTF-16 text without terminator.
inline constexpr size_t kTextXOffset = 0;
inline constexpr size_t kTextYOffset = 4;
inline constexpr DWORD kTextOffset = 8;

// END_PAGE data may open with a 24-byte placeable-metafile prefix, recognised by its first
// 32-bit word alone; the reader skips all 24 bytes and the EMF header follows.
inline constexpr DWORD kPlaceableKey = 0x9AC6CDD7;
inline constexpr DWORD kPlaceablePrefixSize = 24;

}  // namespace portcmd

static_assert(sizeof(PortCmdHeader) == portcmd::kHeaderSize);
static_assert(offsetof(PortCmdHeader, dwFlag) == portcmd::kFlagOffset);
static_assert(offsetof(PortCmdHeader, dwCmdSize) == portcmd::kCmdSizeOffset);
static_assert(offsetof(PortCmdHeader, dwCmdType) == portcmd::kCmdTypeOffset);
static_assert(offsetof(PortCmdHeader, dwDataSize) == portcmd::kDataSizeOffset);

}  // namespace tw
