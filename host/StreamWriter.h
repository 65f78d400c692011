#pragma once
// The driver's side of the port: frames a document into the command stream, as the printer
// driver writes it, into memory or straight into a file.
#include <windows.h>

#include <span>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"

namespace twhost {

using ByteVector = std::vector<BYTE>;

class StreamWriter {
public:
    StreamWriter() = default;  // collects the stream in memory
    StreamWriter(const StreamWriter&) = delete;
    StreamWriter& operator=(const StreamWriter&) = delete;

    // From now on writes go to a new file at `path` (replacing it) instead of memory.
    bool WriteToFile(const std::wstring& path);
    // Closes the file; false when a write to it failed on the way.
    bool CloseFile();

    // The bytes are written as given (the monitor itself refuses a DEVMODE of the wrong size).
    bool StartDoc(std::span<const BYTE> devmode);
    bool StartPage(std::span<const BYTE> devmode);
    // One page EMF; with `placeablePrefix` the 24-byte placeable prefix comes first.
    bool EndPage(std::span<const BYTE> emf, bool placeablePrefix = false);
    // One raw page: the packed DIB made from a BMP file's bytes (BmpToPackedDib).
    bool EndPageRaw(std::span<const BYTE> packedDib);
    bool WriteTextOut(LONG x, LONG y, const std::wstring& text);
    bool EndDoc();

    // Any record, valid or not: tests and captures use it to write what a driver should not.
    bool WriteCommand(DWORD type, std::span<const BYTE> data);
    bool WriteHeader(DWORD flag, DWORD cmdSize, DWORD type, DWORD dataSize);
    bool WriteBytes(std::span<const BYTE> bytes);

    // The stream so far when writing to memory.
    const ByteVector& Bytes() const { return m_bytes; }
    bool Failed() const { return m_bFailed; }

private:
    ByteVector m_bytes;
    tw::UniqueFile m_file;
    bool m_bFailed = false;
};

// The packed DIB a raw page carries, made from a BMP file: the file without its 14-byte file
// header, laid out as a driver sends it (a 40-byte BITMAPINFOHEADER, the palette, then the
// bits). An 8-bit-or-less BMP with biClrUsed 0 keeps it, followed by all 2^bits entries.
// False with a reason for what is not such a BMP.
bool BmpToPackedDib(std::span<const BYTE> bmp, ByteVector& dib, std::wstring* error = nullptr);

}  // namespace twhost
