#include "host/HostEnvironment.h"

#include "monitor/Trace.h"

namespace twhost {

HostEnvironment::HostEnvironment() : m_previousSpooler(&tw::Spooler()), m_previousEventLog(&tw::EventLogSink()) {
    TW_TRACE(L"> HostEnvironment::HostEnvironment");
    tw::SetSpooler(&m_spooler);
    tw::SetEventLogSink(&m_eventLog);
}

HostEnvironment::~HostEnvironment() {
    TW_TRACE(L"> HostEnvironment::~HostEnvironment");
    tw::SetSpooler(m_previousSpooler);
    tw::SetEventLogSink(m_previousEventLog);
}

}  // namespace twhost
