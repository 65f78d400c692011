// Every module linked with the static C++ runtime gets its own emergency exception pool (73 KB),
// which the runtime never frees. A library loaded and freed once per output file would leak it
// each time, so the module hands it back when it is unloaded.
namespace __gnu_cxx {
void __freeres() noexcept;
}

namespace {
struct RuntimePoolRelease {
    ~RuntimePoolRelease() { __gnu_cxx::__freeres(); }
} g_runtimePoolRelease;
}  // namespace
