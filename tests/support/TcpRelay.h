#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace testsupport {

// A TCP relay on 127.0.0.1 between a client and a server, run on its own thread, that a test
// can cut to play a lost network link: cutConnections() drops every open link (the relay keeps
// listening, so reconnecting works); stopListening() also refuses new links.
// Point the client at "localhost/<port()>:<path>".
class TcpRelay {
public:
    explicit TcpRelay(int targetPort = 3050);
    ~TcpRelay();
    TcpRelay(const TcpRelay&) = delete;
    TcpRelay& operator=(const TcpRelay&) = delete;

    int port() const { return m_port; }
    // Both return once the relay has done it.
    void cutConnections();
    void stopListening();
    int linksOpened() const;

private:
    enum class Command { None, Cut, Stop, Quit };
    void loop();
    void send(Command c);

    int m_targetPort;
    int m_port = 0;
    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    mutable std::mutex m_mutex;
    std::condition_variable m_done;
    Command m_command = Command::None;
    int m_linksOpened = 0;
    std::thread m_thread;
};

} // namespace testsupport
