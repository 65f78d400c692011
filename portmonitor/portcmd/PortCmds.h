#pragma once
// The six driver commands, one class per command type.
#include "portcmd/PortCmd.h"

namespace tw {

// PORT_CMD_START_DOC: the document's DEVMODE, then StartDoc.
class CPortCmdStartDoc final : public CPortCmd {
public:
    explicit CPortCmdStartDoc(const PortCmdHeader& header) : CPortCmd(header) {}
    BOOL UpdateJob(CTWJob& job) override;
};

// PORT_CMD_START_PAGE: the page's DEVMODE, then StartPage.
class CPortCmdStartPage final : public CPortCmd {
public:
    explicit CPortCmdStartPage(const PortCmdHeader& header) : CPortCmd(header) {}
    BOOL UpdateJob(CTWJob& job) override;
};

// PORT_CMD_END_PAGE: the page's spooled EMF.
class CPortCmdEndPage final : public CPortCmd {
public:
    explicit CPortCmdEndPage(const PortCmdHeader& header) : CPortCmd(header) {}
    BOOL UpdateJob(CTWJob& job) override;
};

// PORT_CMD_END_DOC: no data needed.
class CPortCmdEndDoc final : public CPortCmd {
public:
    explicit CPortCmdEndDoc(const PortCmdHeader& header) : CPortCmd(header) {}
    BOOL UpdateJob(CTWJob& job) override;
};

// PORT_CMD_WRITE_TEXT_OUT: one text run at (X, Y) for the job's text collector.
class CPortCmdWriteText final : public CPortCmd {
public:
    explicit CPortCmdWriteText(const PortCmdHeader& header) : CPortCmd(header) {}
    BOOL UpdateJob(CTWJob& job) override;
};

// PORT_CMD_END_PAGE_RAW: the page already rasterised, as a packed DIB.
class CPortCmdEndPageRaw final : public CPortCmd {
public:
    explicit CPortCmdEndPageRaw(const PortCmdHeader& header) : CPortCmd(header) {}
    BOOL UpdateJob(CTWJob& job) override;
};

}  // namespace tw
