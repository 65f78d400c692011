#include "ClientListener.h"

#include <algorithm>
#include <cstring>

#include "base/WideString.h"
#include "notify/MessagingRecords.h"
#include "notify/PrnMessage.h"
#include "notify/StatisticsRecord.h"
#include "portcmd/DevModeFields.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace twprint {
namespace {

// A monitor that stops in the middle of a message is given up after this long.
constexpr DWORD kIoTimeoutMs = 60000;
constexpr DWORD kPipeBufferSize = 65536;
constexpr DWORD kStartTimeoutMs = 10000;
// What a client that answers short, or hangs up early, gets through.
constexpr DWORD kShortBytes = 100;
constexpr wchar_t kWindowClass[] = L"TwPrintClientWindow";

// One overlapped read or write, cancelled after `timeoutMs`. A read that got part of a longer
// message succeeds with ERROR_MORE_DATA in `error`.
bool Io(HANDLE h, bool write, void* buffer, DWORD size, DWORD timeoutMs, DWORD& done, DWORD& error) {
    done = 0;
    error = 0;
    tw::UniqueKernelObject event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED ov{};
    ov.hEvent = event.get();
    BOOL ok = write ? ::WriteFile(h, buffer, size, nullptr, &ov) : ::ReadFile(h, buffer, size, nullptr, &ov);
    if (!ok) {
        const DWORD started = ::GetLastError();
        if (started != ERROR_IO_PENDING && started != ERROR_MORE_DATA) {
            error = started;
            return false;
        }
        if (started == ERROR_IO_PENDING && ::WaitForSingleObject(ov.hEvent, timeoutMs) != WAIT_OBJECT_0)
            ::CancelIoEx(h, &ov);
    }
    if (!::GetOverlappedResult(h, &ov, &done, TRUE)) {
        error = ::GetLastError();
        return error == ERROR_MORE_DATA;
    }
    return true;
}

// One whole message, whatever its length.
bool ReadWholeMessage(HANDLE h, std::vector<BYTE>& out, DWORD& error) {
    out.clear();
    std::vector<BYTE> chunk(kPipeBufferSize);
    for (;;) {
        DWORD got = 0;
        const bool ok = Io(h, false, chunk.data(), static_cast<DWORD>(chunk.size()), kIoTimeoutMs, got, error);
        out.insert(out.end(), chunk.begin(), chunk.begin() + got);
        if (!ok) return false;
        if (error != ERROR_MORE_DATA) return true;
    }
}

// At least `size` bytes, in as many messages as the monitor wrote them; each message's size
// goes to `pieces`.
bool ReadBytes(HANDLE h, size_t size, std::vector<BYTE>& out, std::vector<long long>* pieces, DWORD& error) {
    out.clear();
    std::vector<BYTE> message;
    while (out.size() < size) {
        const bool ok = ReadWholeMessage(h, message, error);
        if (!message.empty()) {
            out.insert(out.end(), message.begin(), message.end());
            if (pieces) pieces->push_back(static_cast<long long>(message.size()));
        }
        if (!ok) return false;
    }
    return true;
}

// Waits until the monitor has closed its end, so that nothing it still writes is cut off.
void WaitForClose(HANDLE h) {
    std::vector<BYTE> rest;
    DWORD error = 0;
    while (ReadWholeMessage(h, rest, error)) {
    }
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COPYDATA) {
        auto* listener = reinterpret_cast<ClientListener*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        return listener && data ? listener->OnCopyData(*data) : 0;
    }
    if (msg == WM_CLOSE) {
        ::DestroyWindow(hwnd);
        return 0;
    }
    if (msg == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

ClientListener::ClientListener(const ListenOptions& options, ListenNames names)
    : m_options(options), m_names(std::move(names)), m_stop(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

ClientListener::~ClientListener() { Stop(); }

tw::UniqueFile ClientListener::CreateInstance(bool statistics) const {
    const bool neverRead = !statistics && m_options.behaviour == ListenBehaviour::NeverRead;
    const bool stall = !statistics && m_options.behaviour == ListenBehaviour::Stall;
    // A client that never reads has one instance and a small buffer: the monitor finds it busy.
    // A stalling one has an instance for every connection, none of which takes a message.
    return tw::UniqueFile(::CreateNamedPipeW(
        statistics ? m_names.statistics.c_str() : m_names.pipe.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
        PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, neverRead ? 1 : PIPE_UNLIMITED_INSTANCES,
        kPipeBufferSize, neverRead || stall ? 0 : kPipeBufferSize, 0, nullptr));
}

bool ClientListener::Start(std::wstring& error) {
    if (!m_stop) {
        error = L"cannot create the listener's stop event";
        return false;
    }
    std::vector<tw::UniqueKernelObject> ready;
    ready.emplace_back(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    HANDLE windowReady = ready.back().get();
    m_threads.emplace_back([this, windowReady] { ServeWindow(windowReady); });
    ready.emplace_back(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    HANDLE pipeReady = ready.back().get();
    m_threads.emplace_back([this, pipeReady] { ServePipe(false, pipeReady); });
    if (!m_names.statistics.empty()) {
        ready.emplace_back(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        HANDLE statsReady = ready.back().get();
        m_threads.emplace_back([this, statsReady] { ServePipe(true, statsReady); });
    }
    std::vector<HANDLE> waits;
    for (auto& e : ready) waits.push_back(e.get());
    if (::WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), TRUE, kStartTimeoutMs) ==
        WAIT_TIMEOUT) {
        error = L"the listener could not create its pipes or window";
        return false;
    }
    if (!m_hwnd) {
        error = L"the listener could not create its window";
        return false;
    }
    if (m_pipesListening != (m_names.statistics.empty() ? 1 : 2)) {
        error = L"the listener could not create pipe '" + m_names.pipe + L"' or '" + m_names.statistics + L"'";
        return false;
    }
    // A client started for messaging tells the job that it listens.
    if (!m_names.readyEvent.empty()) {
        m_readyEvent.reset(::CreateEventW(nullptr, TRUE, FALSE, m_names.readyEvent.c_str()));
        if (m_readyEvent) ::SetEvent(m_readyEvent.get());
    }
    return true;
}

void ClientListener::Stop() {
    if (m_threads.empty()) return;
    ::SetEvent(m_stop.get());
    if (m_hwnd) ::PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
    for (std::thread& t : m_threads)
        if (t.joinable()) t.join();
    m_threads.clear();
    m_heldPipes.clear();
    m_hwnd = nullptr;
}

std::vector<ReceivedMessage> ClientListener::Messages() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages;
}

void ClientListener::Add(ReceivedMessage message) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.push_back(std::move(message));
}

void ClientListener::ServePipe(bool statistics, HANDLE ready) {
    tw::UniqueFile next = CreateInstance(statistics);
    if (next) ++m_pipesListening;
    ::SetEvent(ready);
    if (!next) return;
    tw::UniqueKernelObject connected(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    while (next) {
        OVERLAPPED ov{};
        ov.hEvent = connected.get();
        ::ResetEvent(ov.hEvent);
        BOOL ok = ::ConnectNamedPipe(next.get(), &ov);
        DWORD error = ok ? 0 : ::GetLastError();
        if (!ok && error == ERROR_IO_PENDING) {
            // A waiting connection is taken before the stop: the index of the first signalled wins.
            HANDLE waits[] = {connected.get(), m_stop.get()};
            DWORD dummy = 0;
            if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
                ::CancelIoEx(next.get(), &ov);
                ::GetOverlappedResult(next.get(), &ov, &dummy, TRUE);
                return;
            }
            ok = ::GetOverlappedResult(next.get(), &ov, &dummy, FALSE);
            error = ok ? 0 : ::GetLastError();
        }
        if (!ok && error != ERROR_PIPE_CONNECTED && error != ERROR_NO_DATA) {
            // Not connected: make a fresh instance and listen again.
            next = CreateInstance(statistics);
            continue;
        }
        tw::UniqueFile current = std::move(next);
        if (!statistics && m_options.behaviour == ListenBehaviour::NeverRead) {
            m_heldPipes.push_back(std::move(current));
            ::WaitForSingleObject(m_stop.get(), INFINITE);
            return;
        }
        if (!statistics && m_options.behaviour == ListenBehaviour::Stall) {
            ReceivedMessage m;
            m.Text("channel", L"pipe").Bool("stalled", true).Number("bytes_read", 0);
            Add(std::move(m));
            m_heldPipes.push_back(std::move(current));
            next = CreateInstance(statistics);
            continue;
        }
        // The next message must find a listening instance while this one is read.
        next = CreateInstance(statistics);
        if (statistics)
            HandleStatistics(current.get());
        else
            HandleMessage(current.get());
        ::DisconnectNamedPipe(current.get());
    }
}

void ClientListener::HandleMessage(HANDLE pipe) {
    DWORD error = 0;
    if (m_options.behaviour == ListenBehaviour::Disconnect) {
        // Reads the start of the record and hangs up.
        BYTE head[kShortBytes] = {};
        DWORD got = 0;
        Io(pipe, false, head, sizeof(head), kIoTimeoutMs, got, error);
        ReceivedMessage m;
        m.Text("channel", L"pipe").Number("number", got >= 4 ? head[0] | head[1] << 8 | head[2] << 16 | head[3] << 24 : 0);
        m.Bool("disconnected", true).Number("bytes_read", got);
        Add(std::move(m));
        return;
    }
    std::vector<BYTE> record;
    if (!ReadBytes(pipe, tw::prnmsg::kSize, record, nullptr, error) && record.size() < tw::prnmsg::kSize) {
        ReceivedMessage m;
        m.Text("channel", L"pipe").Number("bytes_read", static_cast<long long>(record.size())).Number("error", error);
        Add(std::move(m));
        return;
    }
    const tw::PrnMessageFields fields = tw::ParsePrnMessage(record.data(), record.size());
    ReceivedMessage m = DecodePrnMessage(fields);
    if (fields.number == static_cast<DWORD>(tw::PrnMessageKind::DevMode))
        AnswerDevMode(pipe, m);
    else if (fields.number >= static_cast<DWORD>(tw::PrnMessageKind::MemoryImage))
        ReadPayload(pipe, m, fields.number);
    Add(std::move(m));
    WaitForClose(pipe);
}

void ClientListener::AnswerDevMode(HANDLE pipe, ReceivedMessage& message) {
    std::vector<BYTE> bytes;
    DWORD error = 0;
    ReadBytes(pipe, tw::kDevModeSize, bytes, nullptr, error);
    message.Number("devmode_size", static_cast<long long>(bytes.size()));
    if (bytes.size() < tw::kDevModeSize) return;
    tw::TarnwellDEVMODE dm;
    dm.CopyFrom(bytes.data());
    AddDevModeValues(message, dm, ReportedDevModeFields(m_options.devmodeEdits));
    for (const auto& [name, value] : m_options.devmodeEdits) tw::SetDevModeField(dm, name, value);
    DWORD answer = 0;
    switch (m_options.behaviour) {
    case ListenBehaviour::Answer: answer = static_cast<DWORD>(tw::kDevModeSize); break;
    case ListenBehaviour::ShortAnswer: answer = kShortBytes; break;
    default: break;
    }
    message.Number("answered_bytes", answer);
    if (answer) {
        DWORD done = 0;
        Io(pipe, true, dm.Bytes(), answer, kIoTimeoutMs, done, error);
    }
}

void ClientListener::ReadPayload(HANDLE pipe, ReceivedMessage& message, DWORD number) {
    std::vector<BYTE> sizeBytes;
    DWORD error = 0;
    if (!ReadBytes(pipe, sizeof(DWORD), sizeBytes, nullptr, error) || sizeBytes.size() != sizeof(DWORD)) return;
    DWORD size = 0;
    std::memcpy(&size, sizeBytes.data(), sizeof(size));
    std::vector<BYTE> data;
    std::vector<long long> pieces;
    ReadBytes(pipe, size, data, &pieces, error);
    message.Number("data_size", size).Number("data_received", static_cast<long long>(data.size()));
    message.Numbers("pieces", std::move(pieces));
    message.Number("data_fnv1a", Fnv1a(kFnv1aBasis, data.data(), data.size()));
    // OCR and page texts are UTF-16 with their terminator.
    if (number != static_cast<DWORD>(tw::PrnMessageKind::MemoryImage) && size >= sizeof(wchar_t) && data.size() == size)
        message.Text("data_text", std::wstring(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t) - 1));
}

void ClientListener::HandleStatistics(HANDLE pipe) {
    std::vector<BYTE> bytes;
    DWORD error = 0;
    ReadBytes(pipe, tw::stats::kHeaderSize + tw::stats::kBodySize, bytes, nullptr, error);
    const size_t headerSize = std::min(bytes.size(), tw::stats::kHeaderSize);
    const BYTE* body = bytes.size() > tw::stats::kHeaderSize ? bytes.data() + tw::stats::kHeaderSize : nullptr;
    const size_t bodySize = body ? bytes.size() - tw::stats::kHeaderSize : 0;
    tw::TarnwellDEVMODE dm;
    if (bodySize >= tw::stats::kBodySize) dm.CopyFrom(body + tw::stats::DevMode);
    ReceivedMessage m =
        DecodeStatistics(tw::ParseStatistics(bytes.data(), headerSize, body, bodySize), dm,
                         ReportedDevModeFields(m_options.devmodeEdits));
    m.Number("bytes_read", static_cast<long long>(bytes.size()));
    Add(std::move(m));
    WaitForClose(pipe);
}

void ClientListener::ServeWindow(HANDLE ready) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kWindowClass;
    ::RegisterClassW(&wc);
    HWND hwnd = ::CreateWindowExW(0, kWindowClass, L"twprint client", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  wc.hInstance, nullptr);
    if (hwnd) ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_hwnd = hwnd;
    ::SetEvent(ready);
    if (!hwnd) return;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
}

LRESULT ClientListener::OnCopyData(const COPYDATASTRUCT& data) {
    if (data.dwData != tw::copydata::kMarker) return 0;
    const BYTE* bytes = static_cast<const BYTE*>(data.lpData);
    CopyTransfer& t = m_copy;
    if (!t.active || (t.sized && t.received >= t.size)) {
        if (data.cbData != tw::copydata::kSize || !bytes) return 0;
        t = CopyTransfer{};
        t.active = true;
        t.message = DecodeCopyData(tw::ParseCopyDataRecord(bytes, data.cbData));
        return 1;
    }
    if (!t.sized) {
        if (data.cbData != sizeof(DWORD) || !bytes) return 0;
        std::memcpy(&t.size, bytes, sizeof(DWORD));
        t.sized = true;
    } else {
        t.received += data.cbData;
        t.pieces.push_back(data.cbData);
        if (bytes) t.fnv1a = Fnv1a(t.fnv1a, bytes, data.cbData);
    }
    if (t.sized && t.received >= t.size) {
        ReceivedMessage m = t.message;
        m.Number("data_size", t.size).Number("data_received", t.received).Numbers("pieces", t.pieces);
        m.Number("data_fnv1a", t.fnv1a);
        Add(std::move(m));
        t.active = false;
    }
    return 1;
}

}  // namespace twprint
