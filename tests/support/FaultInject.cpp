// Starts an access violation in another process from outside, as a fault from nowhere would:
// a thread is created in the process of the window with the given title, at an address where
// nothing is mapped.
//   faultinject.exe <window title>

#include <windows.h>
#include <cstdio>

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: faultinject <window title>\n");
        return 2;
    }
    const HWND window = FindWindowW(nullptr, argv[1]);
    DWORD pid = 0;
    if (!window || !GetWindowThreadProcessId(window, &pid)) {
        std::fprintf(stderr, "faultinject: no window of that title\n");
        return 1;
    }
    const HANDLE process = OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!process) {
        std::fprintf(stderr, "faultinject: cannot open process %lu\n", pid);
        return 1;
    }
    const auto nowhere = reinterpret_cast<LPTHREAD_START_ROUTINE>(static_cast<ULONG_PTR>(0x10));
    const HANDLE thread = CreateRemoteThread(process, nullptr, 0, nowhere, nullptr, 0, nullptr);
    if (!thread) {
        std::fprintf(stderr, "faultinject: cannot start a thread (error %lu)\n", GetLastError());
        return 1;
    }
    std::printf("%lu\n", pid);
    CloseHandle(thread);
    CloseHandle(process);
    return 0;
}
