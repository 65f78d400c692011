#pragma once
// Every named field and flag bit of the private DEVMODE, addressable by name: the host's record
// builder, twprint's "--dm NAME=VALUE" and "dump", and the diagnostic dumps go through it.
#include <windows.h>

#include <span>
#include <string>
#include <string_view>

namespace tw {

class TarnwellDEVMODE;

enum class DmFieldKind { U8, U16, I16, U32, I32, Text, Flag };

struct DmField {
    const wchar_t* name;   // canonical identifier, e.g. FileFormat, dmPaperSize, IsFaxOutputEnabled
    const wchar_t* alias;  // a second name for the same bits, or null
    DmFieldKind kind;
    size_t offset;         // of the field, or of the word that holds the flag bit
    size_t size;           // Text: capacity in wide characters; Flag: width of its word in bytes;
                           // numbers: width in bytes
    DWORD mask;            // Flag: the bit; otherwise 0
};

// All fields, public part first, then the private fields by offset, then the flag bits.
std::span<const DmField> DevModeFieldTable();

// Looks a field up by its name or alias, ignoring case and blanks ("File format" finds FileFormat).
const DmField* FindDevModeField(std::wstring_view name);

// Stores a text value: numbers in decimal or 0x hex (negative only for signed kinds; hex gives the
// bit pattern), strings cut to their capacity and terminated, flag bits 0 or 1. On failure the
// record is unchanged and `error` says why.
bool SetDevModeField(TarnwellDEVMODE& dm, const DmField& field, std::wstring_view value,
                     std::wstring* error = nullptr);
bool SetDevModeField(TarnwellDEVMODE& dm, std::wstring_view name, std::wstring_view value,
                     std::wstring* error = nullptr);

// The field's value as text: decimal numbers, the string, or 0/1 for a flag bit.
std::wstring GetDevModeField(const TarnwellDEVMODE& dm, const DmField& field);

}  // namespace tw
