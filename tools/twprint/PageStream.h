#pragma once
// Builds what the printer driver would write for a set of pages: the DEVMODE from twprint's
// options and the command stream framing each page.
#include <string>
#include <vector>

#include "Options.h"
#include "host/DevModeBuilder.h"

namespace twprint {

// Applies --devmode and the DEVMODE options in the order given; false with a reason.
bool BuildDevMode(const Options& o, twhost::DevModeBuilder& builder, std::wstring& error);
// START_DOC, then START_PAGE and END_PAGE (EMF) or END_PAGE_RAW (BMP) per page, then END_DOC.
bool BuildPageStream(const Options& o, const twhost::DevModeBuilder& devmode, std::vector<BYTE>& stream,
                     std::wstring& error);
// "twprint dump": the commands of a captured stream with their DEVMODEs decoded.
std::wstring DumpStream(const std::vector<BYTE>& stream);

}  // namespace twprint
