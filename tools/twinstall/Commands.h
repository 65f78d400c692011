#pragma once
// twinstall's three commands. Each prints what it did to stdout, errors to stderr, and returns
// the process exit code.
#include <string>
#include <vector>

namespace twinstall {

inline constexpr wchar_t kDefaultMonitorName[] = L"Tarnwell Monitor M";

struct Options {
    std::wstring monitor = kDefaultMonitorName;
    std::wstring directory;  // empty: the system directory
    std::wstring source;     // empty: twinstall's own directory
    std::vector<std::wstring> ports;
};

int Install(const Options& options);
int Uninstall(const Options& options);
int Status(const Options& options);

}  // namespace twinstall
