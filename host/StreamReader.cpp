#include "host/StreamReader.h"

#include <algorithm>
#include <cstring>

#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "portcmd/PortCmdLayout.h"

namespace twhost {

StreamListing ReadStream(std::span<const BYTE> stream) {
    StreamListing listing;
    size_t pos = 0;
    while (pos < stream.size()) {
        const size_t left = stream.size() - pos;
        if (left < tw::portcmd::kHeaderSize) {
            listing.end = StreamEnd::TruncatedHeader;
            listing.problem = tw::FormatW(L"truncated header: %llu of 16 bytes at offset %llu",
                                          static_cast<unsigned long long>(left), static_cast<unsigned long long>(pos));
            break;
        }
        tw::PortCmdHeader header;
        std::memcpy(&header, stream.data() + pos, sizeof(header));
        const wchar_t* name = tw::PortCmdName(header.dwCmdType);
        if (header.dwFlag != tw::TARNWELL_CMD_FLAG || header.dwCmdSize != tw::portcmd::kHeaderSize || !name) {
            listing.end = StreamEnd::InvalidHeader;
            listing.problem = tw::FormatW(
                L"trailing garbage: %llu bytes at offset %llu are not a command (flag %08X, size %u, type %u)",
                static_cast<unsigned long long>(left), static_cast<unsigned long long>(pos), header.dwFlag, header.dwCmdSize, header.dwCmdType);
            break;
        }
        if (header.dwDataSize > tw::portcmd::kMaxDataSize) {
            listing.end = StreamEnd::DataTooLarge;
            listing.problem = tw::FormatW(L"%s at offset %llu announces %u data bytes, more than the limit of %u", name,
                                          static_cast<unsigned long long>(pos), header.dwDataSize, tw::portcmd::kMaxDataSize);
            break;
        }
        StreamCommand cmd;
        cmd.type = header.dwCmdType;
        cmd.name = name;
        cmd.dataSize = header.dwDataSize;
        cmd.offset = pos;
        const size_t dataLeft = left - tw::portcmd::kHeaderSize;
        cmd.dataAvailable = dataLeft < header.dwDataSize ? dataLeft : header.dwDataSize;
        listing.commands.push_back(cmd);
        pos += tw::portcmd::kHeaderSize + cmd.dataAvailable;
        if (cmd.dataAvailable < cmd.dataSize) {
            listing.end = StreamEnd::TruncatedData;
            listing.problem = tw::FormatW(L"truncated data: %s at offset %llu has %llu of %u data bytes", name,
                                          static_cast<unsigned long long>(cmd.offset),
                                          static_cast<unsigned long long>(cmd.dataAvailable), cmd.dataSize);
            break;
        }
    }
    listing.endOffset = pos;
    return listing;
}

bool ReadStreamFile(const std::wstring& path, StreamListing& listing) {
    listing = StreamListing{};
    tw::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size)) {
        listing.problem = tw::FormatW(L"cannot open %s (error %u)", path.c_str(), ::GetLastError());
        return false;
    }
    std::vector<BYTE> bytes(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
        DWORD read = 0;
        if (!::ReadFile(file.get(), bytes.data() + done, chunk, &read, nullptr) || read == 0) {
            listing.problem = tw::FormatW(L"cannot read %s (error %u)", path.c_str(), ::GetLastError());
            return false;
        }
        done += read;
    }
    listing = ReadStream(bytes);
    return true;
}

std::wstring FormatListing(const StreamListing& listing) {
    std::wstring out;
    for (const StreamCommand& cmd : listing.commands)
        out += tw::FormatW(L"%10llu  %-24s type %u  data %u\n",
                          static_cast<unsigned long long>(cmd.offset), cmd.name.c_str(), cmd.type, cmd.dataSize);
    if (!listing.problem.empty()) out += listing.problem + L"\n";
    return out;
}

}  // namespace twhost
