#pragma once
// Owner of a view of a file mapping (MapViewOfFile), unmapped when it goes.
#include <windows.h>

#include "base/UniqueHandle.h"

namespace tw {

namespace traits {
struct MappedView {
    using type = void*;
    static type invalid() { return nullptr; }
    static void close(type p) { ::UnmapViewOfFile(p); }
};
}  // namespace traits

using UniqueMappedView = UniqueHandle<traits::MappedView>;

}  // namespace tw
