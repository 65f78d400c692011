#pragma once
// Resource ids of the monitor's library.
#define IDS_MONITOR_NAME 6
#define IDD_ADD_PORT 103
#define IDC_PORT_NAME 1001
