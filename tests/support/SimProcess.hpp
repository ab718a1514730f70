#pragma once

#include "TempDir.hpp"

#include <map>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace sentinex::testing {

/// A running sentinex-readersim, for tests. Starts it in a temporary folder with the readers given,
/// waits for its link, talks to its control socket and stops it (SIGTERM) on destruction.
/// Every call fails the current test (GoogleTest ADD_FAILURE) when the simulator refuses it.
class SimProcess {
public:
    struct Reader {
        int loop = 1;
        int address = 1;
        int site = 0;
        std::string type = "NANO NN-K";
    };
    struct Options {
        std::vector<Reader> readers;
        bool board = false;      // serve a simulated L-485 board (board mode) instead of a single line
        bool baudPacing = false; // send at 4800 baud pace
    };

    explicit SimProcess(Options options);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    /// Started and link present.
    bool running() const { return m_pid > 0 && m_ready; }
    /// The pty symlink (a serial device for the link), the board socket ("" without board).
    const std::string& linkPath() const { return m_link; }
    const std::string& boardPath() const { return m_board; }
    const std::string& dir() const { return m_dir.path(); }

    /// Writes a settings file "Sentinex.ini" into `folder` (the simulator's folder when empty) for
    /// serial port 1 on this simulator: [Impostazioni] Seriale=1, SchedaL-485, Indirizzo485 and the
    /// extra lines given; [Porte] COM1 = the link and, with a board, Scheda=sim:<board socket>.
    /// Returns its path.
    std::string writeSettings(const std::string& folder = {}, bool boardFlag = false,
                              const std::string& boardAddress = "300H",
                              const std::string& extraLines = {}) const;

    /// One control line; returns the answer line (without "OK ").
    std::string command(const std::string& line);

    void presentCard(int loop, int address, const std::string& data, char in1 = '0', char in2 = '0');
    /// Queues a stored transit; `record` is what follows the "Z" of the reply.
    void queueTransit(int loop, int address, const std::string& record);
    /// `fault` as the control protocol has it: "silent", "badcheck", "cut", "pieces 30 3", "late 300",
    /// "stray \x41\x42", "endless", "code X", "reboot 500", with an optional " count=N"; "none" clears.
    void setFault(int loop, int address, const std::string& fault);
    void setInputs(int loop, int address, char in1, char in2);
    /// Payloads the reader received, oldest first, bytes exactly as sent.
    std::vector<std::string> requests(int loop, int address);
    void clearRequests(int loop, int address);
    /// Every frame heard on the line as "loop:payload" (loop 0: the board's driver was off).
    std::vector<std::string> frames();
    /// The reader's state: keys loop address type site in1 in2 out1 out2 lastk output resets config
    /// fourdigit opening options clock positions (hex) bands cards cardfile transits pending requests.
    /// List values (bands, cards as "card:options", cardfile, transits) stay comma-separated.
    std::map<std::string, std::string> dump(int loop, int address);
    /// Items of a list value of `dump`.
    static std::vector<std::string> list(const std::string& value);

    /// SIGKILL: the pty disappears under the link.
    void kill();

private:
    TempDir m_dir;
    std::string m_link;
    std::string m_control;
    std::string m_board;
    pid_t m_pid = -1;
    bool m_ready = false;
    int m_fd = -1;
    std::string m_pending;
};

} // namespace sentinex::testing
