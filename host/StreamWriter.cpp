#include "host/StreamWriter.h"

#include <algorithm>
#include <cstring>

#include "base/WideString.h"
#include "portcmd/PortCmdLayout.h"

namespace twhost {
namespace {

constexpr DWORD kBmpFileHeaderSize = 14;
constexpr DWORD kBmpInfoHeaderSize = 40;
constexpr WORD kBmpSignature = 0x4D42;  // "BM"

DWORD ReadU32(const BYTE* p) { DWORD v; std::memcpy(&v, p, 4); return v; }

void Fail(std::wstring* error, const wchar_t* text) {
    if (error) *error = text;
}

}  // namespace

bool StreamWriter::WriteToFile(const std::wstring& path) {
    m_file.reset(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return m_file.valid();
}

bool StreamWriter::CloseFile() {
    m_file.reset();
    return !m_bFailed;
}

bool StreamWriter::WriteBytes(std::span<const BYTE> bytes) {
    if (!m_file) {
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
        return true;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
        DWORD written = 0;
        if (!::WriteFile(m_file.get(), bytes.data() + done, chunk, &written, nullptr) || written != chunk) {
            m_bFailed = true;
            return false;
        }
        done += chunk;
    }
    return true;
}

bool StreamWriter::WriteHeader(DWORD flag, DWORD cmdSize, DWORD type, DWORD dataSize) {
    const tw::PortCmdHeader header{flag, cmdSize, type, dataSize};
    return WriteBytes({reinterpret_cast<const BYTE*>(&header), sizeof(header)});
}

bool StreamWriter::WriteCommand(DWORD type, std::span<const BYTE> data) {
    if (data.size() > MAXDWORD) return false;
    return WriteHeader(tw::TARNWELL_CMD_FLAG, tw::portcmd::kHeaderSize, type, static_cast<DWORD>(data.size())) &&
           WriteBytes(data);
}

bool StreamWriter::StartDoc(std::span<const BYTE> devmode) { return WriteCommand(tw::PORT_CMD_START_DOC, devmode); }
bool StreamWriter::StartPage(std::span<const BYTE> devmode) { return WriteCommand(tw::PORT_CMD_START_PAGE, devmode); }
bool StreamWriter::EndPageRaw(std::span<const BYTE> packedDib) { return WriteCommand(tw::PORT_CMD_END_PAGE_RAW, packedDib); }
bool StreamWriter::EndDoc() { return WriteCommand(tw::PORT_CMD_END_DOC, {}); }

// The monitor recognises the prefix by its key alone and skips all of it, so the rest stays zero.
bool StreamWriter::EndPage(std::span<const BYTE> emf, bool placeablePrefix) {
    if (!placeablePrefix) return WriteCommand(tw::PORT_CMD_END_PAGE, emf);
    if (emf.size() > MAXDWORD - tw::portcmd::kPlaceablePrefixSize) return false;
    BYTE prefix[tw::portcmd::kPlaceablePrefixSize] = {};
    std::memcpy(prefix, &tw::portcmd::kPlaceableKey, sizeof(tw::portcmd::kPlaceableKey));
    return WriteHeader(tw::TARNWELL_CMD_FLAG, tw::portcmd::kHeaderSize, tw::PORT_CMD_END_PAGE,
                       static_cast<DWORD>(sizeof(prefix) + emf.size())) &&
           WriteBytes(prefix) && WriteBytes(emf);
}

bool StreamWriter::WriteTextOut(LONG x, LONG y, const std::wstring& text) {
    ByteVector data(tw::portcmd::kTextOffset + text.size() * sizeof(wchar_t));
    std::memcpy(data.data() + tw::portcmd::kTextXOffset, &x, sizeof(x));
    std::memcpy(data.data() + tw::portcmd::kTextYOffset, &y, sizeof(y));
    if (!text.empty()) std::memcpy(data.data() + tw::portcmd::kTextOffset, text.data(), text.size() * sizeof(wchar_t));
    return WriteCommand(tw::PORT_CMD_WRITE_TEXT_OUT, data);
}

bool BmpToPackedDib(std::span<const BYTE> bmp, ByteVector& dib, std::wstring* error) {
    if (bmp.size() < kBmpFileHeaderSize + kBmpInfoHeaderSize) return Fail(error, L"too short for a BMP file"), false;
    WORD signature;
    std::memcpy(&signature, bmp.data(), sizeof(signature));
    if (signature != kBmpSignature) return Fail(error, L"no \"BM\" signature"), false;
    const DWORD offBits = ReadU32(bmp.data() + 10);
    BITMAPINFOHEADER info;
    std::memcpy(&info, bmp.data() + kBmpFileHeaderSize, sizeof(info));
    if (info.biSize < kBmpInfoHeaderSize) return Fail(error, L"bitmap header shorter than 40 bytes"), false;
    if (info.biCompression != BI_RGB) return Fail(error, L"only uncompressed BMP files are supported"), false;
    if (info.biWidth <= 0 || info.biHeight == 0 || info.biPlanes != 1) return Fail(error, L"bad bitmap dimensions"), false;
    const WORD bpp = info.biBitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return Fail(error, L"unsupported bit count"), false;
    // A palette of up to 8 bits with biClrUsed 0 has all its entries; the header stays as the
    // file has it, as a driver would send it.
    const DWORD entries = info.biClrUsed == 0 && bpp <= 8 ? 1u << bpp : info.biClrUsed;
    if (entries > 256) return Fail(error, L"palette larger than 256 entries"), false;

    const unsigned long long paletteOffset = kBmpFileHeaderSize + static_cast<unsigned long long>(info.biSize);
    const unsigned long long paletteBytes = 4ull * entries;
    const unsigned long long stride = ((static_cast<unsigned long long>(info.biWidth) * bpp + 31) / 32) * 4;
    const unsigned long long height = info.biHeight < 0 ? -static_cast<long long>(info.biHeight) : info.biHeight;
    const unsigned long long bitsBytes = stride * height;
    if (paletteOffset + paletteBytes > offBits) return Fail(error, L"palette overlaps the bits"), false;
    if (offBits > bmp.size() || bmp.size() - offBits < bitsBytes) return Fail(error, L"bits truncated"), false;

    info.biSize = kBmpInfoHeaderSize;
    info.biSizeImage = static_cast<DWORD>(bitsBytes);
    dib.resize(kBmpInfoHeaderSize + paletteBytes + bitsBytes);
    std::memcpy(dib.data(), &info, kBmpInfoHeaderSize);
    std::memcpy(dib.data() + kBmpInfoHeaderSize, bmp.data() + paletteOffset, paletteBytes);
    std::memcpy(dib.data() + kBmpInfoHeaderSize + paletteBytes, bmp.data() + offBits, bitsBytes);
    return true;
}

}  // namespace twhost
