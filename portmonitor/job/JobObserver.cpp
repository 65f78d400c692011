#include "job/JobObserver.h"

namespace tw {
namespace {
IJobObserver* g_observer = nullptr;
}
IJobObserver* JobObserver() { return g_observer; }
void SetJobObserver(IJobObserver* observer) { g_observer = observer; }
}  // namespace tw
