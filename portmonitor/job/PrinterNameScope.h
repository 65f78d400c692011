#pragma once
// One call of the spooler into the monitor reads many settings, and each names the printer by
// the registry entry of its ID: while a PrinterNameScope lives on the thread, PrinterRegistryName
// looks each printer ID (and device name) up once. Scopes nest; the last one to end forgets.
namespace tw::settings {

class PrinterNameScope {
public:
    PrinterNameScope();
    ~PrinterNameScope();
    PrinterNameScope(const PrinterNameScope&) = delete;
    PrinterNameScope& operator=(const PrinterNameScope&) = delete;
};

}  // namespace tw::settings
