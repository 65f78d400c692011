#pragma once
// twprint as the job's client application: a pipe server under the job's interface name and ID,
// one for the job statistics, and a message-only window for WM_COPYDATA transfers. Every
// message received is decoded for the report; a DEVMODE offered for editing is answered as
// the options say.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Options.h"
#include "ReceivedMessage.h"
#include "base/UniqueHandle.h"

namespace twprint {

// FNV-1a (32 bits) of received data, so that a report can show which bytes arrived.
inline constexpr uint32_t kFnv1aBasis = 0x811C9DC5u;
inline uint32_t Fnv1a(uint32_t hash, const BYTE* data, size_t size) {
    for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 0x01000193u;
    return hash;
}

struct ListenNames {
    std::wstring pipe;        // "\\.\pipe\<interface name><ID>"
    std::wstring statistics;  // "\\.\pipe\<statistics pipe name>"; empty for none
    std::wstring readyEvent;  // "Global\<interface name>_<job id>", set once the pipes listen
};

class ClientListener {
public:
    ClientListener(const ListenOptions& options, ListenNames names);
    ~ClientListener();
    ClientListener(const ClientListener&) = delete;
    ClientListener& operator=(const ClientListener&) = delete;

    // Returns once the pipes listen and the window exists; false with a reason.
    bool Start(std::wstring& error);
    HWND Window() const { return m_hwnd; }
    // Reads what is still waiting in the pipes, then stops listening.
    void Stop();
    std::vector<ReceivedMessage> Messages() const;

    // The window procedure's part: one WM_COPYDATA block; the answer SendMessage returns.
    LRESULT OnCopyData(const COPYDATASTRUCT& data);

private:
    void ServePipe(bool statistics, HANDLE ready);
    void ServeWindow(HANDLE ready);
    tw::UniqueFile CreateInstance(bool statistics) const;
    void HandleMessage(HANDLE pipe);
    void HandleStatistics(HANDLE pipe);
    void AnswerDevMode(HANDLE pipe, ReceivedMessage& message);
    void ReadPayload(HANDLE pipe, ReceivedMessage& message, DWORD number);
    void Add(ReceivedMessage message);

    ListenOptions m_options;
    ListenNames m_names;
    tw::UniqueKernelObject m_stop;
    tw::UniqueKernelObject m_readyEvent;
    std::vector<std::thread> m_threads;
    DWORD m_windowThreadId = 0;
    HWND m_hwnd = nullptr;
    std::atomic<int> m_pipesListening{0};
    std::vector<tw::UniqueFile> m_heldPipes;  // connections a never-reading client keeps

    // A WM_COPYDATA transfer in progress: its record, then the size, then the pieces.
    struct CopyTransfer {
        bool active = false;
        bool sized = false;
        DWORD size = 0;
        long long received = 0;
        std::vector<long long> pieces;
        uint32_t fnv1a = kFnv1aBasis;
        ReceivedMessage message;
    } m_copy;

    mutable std::mutex m_mutex;
    std::vector<ReceivedMessage> m_messages;
};

}  // namespace twprint
