#pragma once
// A client application's pipe for the messaging tests: it accepts one connection after the
// other and keeps every message of each, in order; it can answer after a number of bytes, or
// take one connection and never read it.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace twtest {

class TestPipeServer {
public:
    enum class Mode { Read, NeverRead };
    using Message = std::vector<BYTE>;
    using Connection = std::vector<Message>;

    explicit TestPipeServer(std::wstring pipeName, Mode mode = Mode::Read);
    ~TestPipeServer();
    // After `afterBytes` bytes of a connection have been read, `answer` is written as one message.
    void AnswerAfter(size_t afterBytes, std::vector<BYTE> answer);
    // Waits until `count` connections have ended (at most `timeoutMs`).
    bool WaitForConnections(size_t count, DWORD timeoutMs = 20000);
    std::vector<Connection> Connections();
    const std::wstring& Name() const { return m_name; }

private:
    void Serve();
    void Read(HANDLE pipe);

    std::wstring m_name;
    Mode m_mode;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<Connection> m_connections;
    size_t m_answerAfter = 0;
    std::vector<BYTE> m_answer;
    HANDLE m_ready;
    std::thread m_thread;
};

}  // namespace twtest
