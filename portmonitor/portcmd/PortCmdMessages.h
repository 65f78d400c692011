#pragma once
// Status texts of the command stream reader, reported through the job when a command has to be
// refused before it can act on the job.
namespace tw::portcmd {

// %u: the data size announced by the header.
inline constexpr const wchar_t kMsgDataTooLarge[] = L"Driver command refused: data size %u exceeds the limit";
// %u: the data size that could not be allocated.
inline constexpr const wchar_t kMsgNoMemoryForData[] = L"Driver command refused: not enough memory for %u data bytes";

}  // namespace tw::portcmd
