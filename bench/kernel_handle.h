#pragma once
// An owned kernel handle (event, thread, process) for the benchmark, built
// on the program's own handle owner.
#include <windows.h>

#include "win32/handles.h"

namespace bench {

struct KernelHandleTraits {
    static HANDLE invalid() { return nullptr; }
    static void close(HANDLE h) { CloseHandle(h); }
};
using KernelHandle = zelvane::win32::UniqueHandle<HANDLE, KernelHandleTraits>;

}  // namespace bench
