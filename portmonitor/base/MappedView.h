#pragma once
// Owner of a view of a file mapping, unmapped however the reader leaves.
#include <windows.h>

#include "base/UniqueHandle.h"

namespace tw {
namespace traits {
struct MappedView {  // views from MapViewOfFile
    using type = const void*;
    static type invalid() { return nullptr; }
    static void close(type p) { ::UnmapViewOfFile(p); }
};
}  // namespace traits

using UniqueMappedView = UniqueHandle<traits::MappedView>;

}  // namespace tw
