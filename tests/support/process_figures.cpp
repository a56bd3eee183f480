#include "process_figures.h"

#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <vector>

#include "handles.h"

namespace vorms::test {
namespace {

// One entry of the system's handle list (SystemHandleInformation, class 16).
struct SystemHandleEntry {
  ULONG owner_pid;
  BYTE object_type;
  BYTE flags;
  USHORT handle;
  PVOID object;
  ACCESS_MASK access;
};
struct SystemHandleList {
  ULONG count;
  SystemHandleEntry entries[1];
};

// Wine answers GetProcessHandleCount with 0; the system's handle list is right on both.
DWORD HandlesInSystemList() {
  using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return 0;
  std::vector<char> buffer(1 << 20);
  for (int attempt = 0; attempt < 6; ++attempt, buffer.resize(buffer.size() * 4)) {
    ULONG needed = 0;
    if (query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &needed) != 0) continue;
    const auto* list = reinterpret_cast<const SystemHandleList*>(buffer.data());
    DWORD mine = 0;
    for (ULONG i = 0; i < list->count; ++i) mine += list->entries[i].owner_pid == ::GetCurrentProcessId();
    return mine;
  }
  return 0;
}

DWORD HandleCount() {
  DWORD handles = 0;
  ::GetProcessHandleCount(::GetCurrentProcess(), &handles);
  return handles ? handles : HandlesInSystemList();
}

// PagefileUsage is the private commit charge on Windows (the same as PrivateUsage),
// and the one of the two that Wine fills in.
double PrivateMegabytes() {
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof memory);
  return static_cast<double>(memory.PagefileUsage) / (1 << 20);
}

DWORD ThreadCount() {
  FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot) return 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  DWORD threads = 0;
  for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry)) {
    threads += entry.th32OwnerProcessID == ::GetCurrentProcessId();
  }
  return threads;
}

}  // namespace

ProcessFigures MeasureThisProcess() { return {HandleCount(), PrivateMegabytes(), ThreadCount()}; }

std::size_t HeapBlocksInUse() {
  std::vector<HANDLE> heaps(16);
  for (;;) {
    const DWORD count = ::GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
    const bool complete = count <= heaps.size();
    heaps.resize(count);
    if (complete) break;
  }
  std::size_t blocks = 0;
  for (HANDLE heap : heaps) {
    if (!::HeapLock(heap)) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (::HeapWalk(heap, &entry)) blocks += (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0;
    ::HeapUnlock(heap);
  }
  return blocks;
}

}  // namespace vorms::test
