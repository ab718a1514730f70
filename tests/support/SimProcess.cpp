#include "SimProcess.hpp"
#include "SpawnProcess.hpp"

#include "link/EscapedText.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace sentinex::testing {

namespace {

std::string simBinary() {
    if (const char* env = std::getenv("SENTINEX_BIN_DIR")) {
        return std::string(env) + "/sentinex-readersim";
    }
    return std::string(SENTINEX_BIN_DIR) + "/sentinex-readersim";
}

std::string unescapeWord(const std::string& text) {
    return unescapeBytes(text).value_or(text);
}

std::string escapeWord(const std::string& bytes) {
    return escapeBytes(bytes);
}

std::vector<std::string> splitBlanks(const std::string& s) {
    std::vector<std::string> out;
    std::istringstream in(s);
    std::string w;
    while (in >> w) {
        out.push_back(w);
    }
    return out;
}

std::string at(int loop, int address) {
    return std::to_string(loop) + " " + std::to_string(address);
}

} // namespace

SimProcess::SimProcess(Options options) : m_dir("sentinex-sim") {
    m_link = m_dir.file("link");
    m_control = m_dir.file("control.sock");
    if (options.board) {
        m_board = m_dir.file("board.sock");
    }
    std::vector<std::string> args{simBinary(), "--link", m_link, "--control", m_control};
    if (options.board) {
        args.insert(args.end(), {"--board", m_board});
    }
    if (options.baudPacing) {
        args.push_back("--baud-pacing");
    }
    args.push_back("--exit-with-parent");
    for (const Reader& r : options.readers) {
        args.push_back("--reader");
        args.push_back(std::to_string(r.loop) + ":" + std::to_string(r.address) + ":" +
                       std::to_string(r.site) + ":" + r.type);
    }
    // Its output goes to a file of its own: were it to outlive a crashed test, the test's output pipe
    // would stay open and the runner would wait for it until its time-out.
    m_pid = spawnProcess(args, m_dir.file("sim.log"));
    if (m_pid < 0) {
        ADD_FAILURE() << "cannot start " << args[0];
        return;
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    struct stat st {};
    while (std::chrono::steady_clock::now() < until) {
        if (::lstat(m_link.c_str(), &st) == 0) {
            break;
        }
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            ADD_FAILURE() << "sentinex-readersim ended at start";
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (::lstat(m_link.c_str(), &st) != 0) {
        ADD_FAILURE() << "sentinex-readersim made no link";
        return;
    }
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, m_control.c_str(), sizeof addr.sun_path - 1);
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0 || ::connect(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ADD_FAILURE() << "cannot reach the simulator's control socket: " << std::strerror(errno);
        return;
    }
    m_ready = true;
}

SimProcess::~SimProcess() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }
}

void SimProcess::kill() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        ::unlink(m_link.c_str());
    }
    m_ready = false;
}

std::string SimProcess::writeSettings(const std::string& folder, bool boardFlag,
                                      const std::string& boardAddress, const std::string& extraLines) const {
    const std::string path = (folder.empty() ? m_dir.path() : folder) + "/Sentinex.ini";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "[Impostazioni]\r\nSeriale=1\r\nSchedaL-485=" << (boardFlag ? "Si" : "No")
        << "\r\nIndirizzo485=" << boardAddress << "\r\n"
        << extraLines << "[Porte]\r\nCOM1=" << m_link << "\r\n";
    if (!m_board.empty()) {
        out << "Scheda=sim:" << m_board << "\r\n";
    }
    return path;
}

std::string SimProcess::command(const std::string& line) {
    if (!m_ready) {
        ADD_FAILURE() << "simulator not running for: " << line;
        return {};
    }
    const std::string out = line + "\n";
    if (::send(m_fd, out.data(), out.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(out.size())) {
        ADD_FAILURE() << "control socket write failed";
        return {};
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::size_t nl;
    while ((nl = m_pending.find('\n')) == std::string::npos && std::chrono::steady_clock::now() < until) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) {
            continue;
        }
        char buf[8192];
        ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
        if (n <= 0) {
            break;
        }
        m_pending.append(buf, static_cast<std::size_t>(n));
    }
    if (nl == std::string::npos) {
        ADD_FAILURE() << "no answer from the simulator to: " << line;
        return {};
    }
    std::string answer = m_pending.substr(0, nl);
    m_pending.erase(0, nl + 1);
    if (answer.rfind("OK", 0) != 0) {
        ADD_FAILURE() << "simulator refused \"" << line << "\": " << answer;
        return {};
    }
    return answer.size() > 3 ? answer.substr(3) : std::string();
}

void SimProcess::presentCard(int loop, int address, const std::string& data, char in1, char in2) {
    command("card " + at(loop, address) + " " + escapeWord(data) + " " + in1 + " " + in2);
}

void SimProcess::queueTransit(int loop, int address, const std::string& record) {
    command("transit " + at(loop, address) + " " + escapeWord(record));
}

void SimProcess::setFault(int loop, int address, const std::string& fault) {
    command("fault " + at(loop, address) + " " + fault);
}

void SimProcess::setInputs(int loop, int address, char in1, char in2) {
    command("inputs " + at(loop, address) + " " + in1 + " " + in2);
}

std::vector<std::string> SimProcess::requests(int loop, int address) {
    auto w = splitBlanks(command("requests " + at(loop, address)));
    std::vector<std::string> out;
    for (std::size_t i = 1; i < w.size(); ++i) {
        out.push_back(unescapeWord(w[i]));
    }
    return out;
}

void SimProcess::clearRequests(int loop, int address) {
    command("clear " + at(loop, address));
}

std::vector<std::string> SimProcess::frames() {
    auto w = splitBlanks(command("frames"));
    std::vector<std::string> out;
    for (std::size_t i = 1; i < w.size(); ++i) {
        out.push_back(unescapeWord(w[i]));
    }
    return out;
}

std::map<std::string, std::string> SimProcess::dump(int loop, int address) {
    std::map<std::string, std::string> out;
    for (const auto& w : splitBlanks(command("dump " + at(loop, address)))) {
        const auto eq = w.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        const std::string key = w.substr(0, eq);
        const std::string value = w.substr(eq + 1);
        // Lists keep their separators (escaped commas inside items stay escaped until `list`).
        const bool isList = key == "bands" || key == "cards" || key == "cardfile" || key == "transits";
        out[key] = isList ? value : unescapeWord(value);
    }
    return out;
}

std::vector<std::string> SimProcess::list(const std::string& value) {
    std::vector<std::string> out;
    if (value.empty()) {
        return out;
    }
    std::size_t start = 0;
    for (;;) {
        const auto comma = value.find(',', start);
        out.push_back(unescapeWord(value.substr(start, comma - start)));
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    return out;
}

} // namespace sentinex::testing
