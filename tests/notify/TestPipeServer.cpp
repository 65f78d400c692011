#include "notify/TestPipeServer.h"

namespace twtest {

TestPipeServer::TestPipeServer(std::wstring pipeName, Mode mode)
    : m_name(std::move(pipeName)), m_mode(mode), m_ready(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    m_thread = std::thread([this] { Serve(); });
    ::WaitForSingleObject(m_ready, 10000);
}

TestPipeServer::~TestPipeServer() {
    m_stop = true;
    // Releases a ConnectNamedPipe that still waits.
    HANDLE h = ::CreateFileW(m_name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    m_thread.join();
    ::CloseHandle(m_ready);
}

void TestPipeServer::AnswerAfter(size_t afterBytes, std::vector<BYTE> answer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answerAfter = afterBytes;
    m_answer = std::move(answer);
}

bool TestPipeServer::WaitForConnections(size_t count, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_connections.size() >= count) return true;
        }
        if (::GetTickCount() - start > timeoutMs) return false;
        ::Sleep(10);
    }
}

std::vector<TestPipeServer::Connection> TestPipeServer::Connections() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_connections;
}

void TestPipeServer::Serve() {
    const DWORD instances = m_mode == Mode::NeverRead ? 1 : PIPE_UNLIMITED_INSTANCES;
    auto create = [&] {
        return ::CreateNamedPipeW(m_name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                  instances, 65536, m_mode == Mode::NeverRead ? 0 : 65536, 0, nullptr);
    };
    HANDLE next = create();
    ::SetEvent(m_ready);
    std::vector<HANDLE> held;
    while (next != INVALID_HANDLE_VALUE) {
        BOOL ok = ::ConnectNamedPipe(next, nullptr) || ::GetLastError() == ERROR_PIPE_CONNECTED ||
                  ::GetLastError() == ERROR_NO_DATA;
        HANDLE current = next;
        if (m_stop || !ok) {
            ::CloseHandle(current);
            break;
        }
        if (m_mode == Mode::NeverRead) {
            held.push_back(current);
            while (!m_stop) ::Sleep(10);
            break;
        }
        next = create();
        Read(current);
        ::DisconnectNamedPipe(current);
        ::CloseHandle(current);
    }
    for (HANDLE h : held) ::CloseHandle(h);
}

void TestPipeServer::Read(HANDLE pipe) {
    Connection connection;
    size_t total = 0;
    bool answered = false;
    std::vector<BYTE> chunk(0x110000);
    Message message;
    for (;;) {
        DWORD got = 0;
        BOOL ok = ::ReadFile(pipe, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr);
        const DWORD error = ok ? 0 : ::GetLastError();
        message.insert(message.end(), chunk.begin(), chunk.begin() + got);
        if (!ok && error == ERROR_MORE_DATA) continue;
        if (!message.empty()) {
            total += message.size();
            connection.push_back(std::move(message));
            message.clear();
        }
        if (!ok) break;
        std::vector<BYTE> answer;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!answered && m_answerAfter && total >= m_answerAfter) answer = m_answer;
        }
        if (!answer.empty()) {
            answered = true;
            DWORD written = 0;
            ::WriteFile(pipe, answer.data(), static_cast<DWORD>(answer.size()), &written, nullptr);
        }
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_connections.push_back(std::move(connection));
}

}  // namespace twtest
