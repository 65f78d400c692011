#pragma once
// Puts the simulated spooler and event log behind the monitor's seams for as long as it lives.
#include "host/SimEventLog.h"
#include "host/SimSpooler.h"

namespace twhost {

class HostEnvironment {
public:
    HostEnvironment();
    // Puts back what was installed before (the production seams, unless environments nest).
    ~HostEnvironment();
    HostEnvironment(const HostEnvironment&) = delete;
    HostEnvironment& operator=(const HostEnvironment&) = delete;

    SimSpooler& Spooler() { return m_spooler; }
    SimEventLog& EventLog() { return m_eventLog; }

private:
    SimSpooler m_spooler;
    SimEventLog m_eventLog;
    tw::ISpooler* m_previousSpooler;
    tw::IEventLogSink* m_previousEventLog;
};

}  // namespace twhost
