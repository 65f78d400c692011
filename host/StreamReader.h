#pragma once
// Lists the commands of a captured port stream, for replay and diagnosis. Reads any bytes
// without trusting them and says where and why a stream stops being a command stream.
#include <windows.h>

#include <span>
#include <string>
#include <vector>

namespace twhost {

struct StreamCommand {
    DWORD type = 0;
    std::wstring name;        // "PORT_CMD_START_DOC" ...
    DWORD dataSize = 0;       // as announced by the header
    size_t offset = 0;        // of the header within the stream
    size_t dataAvailable = 0; // data bytes present; below dataSize only for a truncated last command
};

enum class StreamEnd {
    Complete,         // the stream ends right after a command's data
    TruncatedHeader,  // fewer than 16 bytes left for the next header
    TruncatedData,    // the last command's data is cut short
    InvalidHeader,    // bytes that are not a command header follow (trailing garbage)
    DataTooLarge,     // a header announces more data than the monitor accepts
};

struct StreamListing {
    std::vector<StreamCommand> commands;
    StreamEnd end = StreamEnd::Complete;
    size_t endOffset = 0;   // where reading stopped
    std::wstring problem;   // empty when complete, else what is wrong and where
};

StreamListing ReadStream(std::span<const BYTE> stream);
// False when the file cannot be read; the listing is then empty with the reason as problem.
bool ReadStreamFile(const std::wstring& path, StreamListing& listing);
// One line per command and a last line with the problem, if any.
std::wstring FormatListing(const StreamListing& listing);

}  // namespace twhost
