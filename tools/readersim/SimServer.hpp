#pragma once

#include "SimReader.hpp"

#include <deque>
#include <string>
#include <vector>

namespace sentinex::sim {

/// The bus behind a pseudo-terminal: frames from the PC go to the readers of the selected loop, their
/// replies go back framed, paced and faulted as asked. Also serves the control socket and the
/// simulated L-485 board socket. Single-threaded, driven by poll().
class SimServer {
public:
    struct Options {
        std::string linkPath;
        std::string controlPath;
        std::string boardPath; // empty: direct mode (every reader hears every frame)
        bool baudPacing = false;
    };

    SimServer(Options options, std::vector<SimReader> readers);
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    /// Creates the pty, the link symlink and the sockets; false with a message on stderr on failure.
    bool start();
    /// Serves until `stop` becomes true (checked after every wake-up).
    void run(volatile const int& stop, int wakeFd);

private:
    struct Out {
        double due;
        std::string bytes;
        int loop; // board mode: the reply is heard only while this loop is selected (0: always)
    };
    struct Client {
        int fd;
        std::string in;
        bool board;
    };

    void onLinkBytes(const std::string& bytes, double now);
    void onFrame(const std::string& payload, bool checkOk, double now);
    void schedule(const SimReader& r, std::string body, double now);
    void flushDue(double now);
    void serveClient(Client& c);
    std::string control(const std::string& line);
    SimReader* find(const std::string& loopText, const std::string& addressText);
    double nextDue() const;
    void cleanup();

    Options m_opt;
    std::vector<SimReader> m_readers;
    int m_master = -1;
    int m_slave = -1;
    int m_control = -1;
    int m_boardListen = -1;
    std::vector<Client> m_clients;

    std::string m_rx;
    double m_wireFree = 0; // with pacing: when the line is free again
    std::deque<Out> m_out;
    double m_endlessUntil = 0;
    double m_endlessNext = 0;

    int m_register = 0;
    bool m_armed = false;
    int m_armedLoop = 0;
    std::vector<std::string> m_frames; // every frame heard, "loop:payload" (loop 0 when nobody heard it)
};

} // namespace sentinex::sim
