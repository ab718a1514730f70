#include "SimServer.hpp"

#include "SimText.hpp"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

namespace sentinex::sim {

namespace {

constexpr double ByteSeconds = 10.0 / 4800.0;

double monotonic() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

int listenOn(const std::string& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) {
        std::fprintf(stderr, "sentinex-readersim: socket path too long: %s\n", path.c_str());
        return -1;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    ::unlink(path.c_str());
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 8) != 0) {
        std::fprintf(stderr, "sentinex-readersim: %s: %s\n", path.c_str(), std::strerror(errno));
        if (fd >= 0) {
            ::close(fd);
        }
        return -1;
    }
    return fd;
}

char replyCheck(const std::string& bytes) {
    unsigned char acc = 0x05;
    for (char c : bytes) {
        if (c == '\x05') {
            break;
        }
        acc ^= static_cast<unsigned char>(c);
    }
    if (acc == 0x02) {
        acc = 0x03;
    } else if (acc == 0x05) {
        acc = 0x06;
    }
    return static_cast<char>(acc);
}

char requestCheck(const std::string& bytes) {
    unsigned char acc = 0x05;
    for (char c : bytes) {
        if (c == '\x05') {
            break;
        }
        acc ^= static_cast<unsigned char>(c);
    }
    if (acc == 0x01) {
        acc = 0x02;
    } else if (acc == 0x05) {
        acc = 0x06;
    }
    return static_cast<char>(acc);
}

} // namespace

SimServer::SimServer(Options options, std::vector<SimReader> readers)
    : m_opt(std::move(options)), m_readers(std::move(readers)) {}

SimServer::~SimServer() {
    cleanup();
}

void SimServer::cleanup() {
    if (!m_opt.linkPath.empty()) {
        ::unlink(m_opt.linkPath.c_str());
    }
    if (m_control >= 0) {
        ::close(m_control);
        ::unlink(m_opt.controlPath.c_str());
        m_control = -1;
    }
    if (m_boardListen >= 0) {
        ::close(m_boardListen);
        ::unlink(m_opt.boardPath.c_str());
        m_boardListen = -1;
    }
    for (auto& c : m_clients) {
        ::close(c.fd);
    }
    m_clients.clear();
    if (m_slave >= 0) {
        ::close(m_slave);
        m_slave = -1;
    }
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

bool SimServer::start() {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        std::perror("sentinex-readersim: posix_openpt");
        return false;
    }
    const char* slaveName = ptsname(m_master);
    if (!slaveName) {
        std::perror("sentinex-readersim: ptsname");
        return false;
    }
    // Our own open slave keeps the master from seeing a hangup while the PC side is closed.
    m_slave = ::open(slaveName, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (m_slave < 0 || tcgetattr(m_slave, &tio) != 0) {
        std::perror("sentinex-readersim: slave");
        return false;
    }
    cfmakeraw(&tio);
    tcsetattr(m_slave, TCSANOW, &tio);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    if (!m_opt.controlPath.empty() && (m_control = listenOn(m_opt.controlPath)) < 0) {
        return false;
    }
    if (!m_opt.boardPath.empty() && (m_boardListen = listenOn(m_opt.boardPath)) < 0) {
        return false;
    }
    // The link appears last: once it exists, everything is ready.
    ::unlink(m_opt.linkPath.c_str());
    if (::symlink(slaveName, m_opt.linkPath.c_str()) != 0) {
        std::fprintf(stderr, "sentinex-readersim: %s: %s\n", m_opt.linkPath.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

double SimServer::nextDue() const {
    double due = m_out.empty() ? 1e300 : m_out.front().due;
    if (m_endlessUntil > 0) {
        due = std::min(due, m_endlessNext);
    }
    return due;
}

void SimServer::run(volatile const int& stop, int wakeFd) {
    while (!stop) {
        std::vector<pollfd> fds;
        fds.push_back({m_master, POLLIN, 0});
        fds.push_back({wakeFd, POLLIN, 0});
        fds.push_back({m_control, POLLIN, 0});
        fds.push_back({m_boardListen, POLLIN, 0});
        for (auto& c : m_clients) {
            fds.push_back({c.fd, POLLIN, 0});
        }
        const double now = monotonic();
        const double due = nextDue();
        int timeout = 1000;
        if (due < 1e299) {
            timeout = due <= now ? 0 : static_cast<int>((due - now) * 1000.0);
        }
        ::poll(fds.data(), fds.size(), timeout);
        if (stop) {
            break;
        }
        if (fds[0].revents & POLLIN) {
            char buf[512];
            ssize_t n;
            while ((n = ::read(m_master, buf, sizeof buf)) > 0) {
                onLinkBytes(std::string(buf, static_cast<std::size_t>(n)), monotonic());
            }
        }
        if (m_control >= 0 && (fds[2].revents & POLLIN)) {
            int fd = ::accept4(m_control, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                m_clients.push_back({fd, {}, false});
            }
        }
        if (m_boardListen >= 0 && (fds[3].revents & POLLIN)) {
            int fd = ::accept4(m_boardListen, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                m_clients.push_back({fd, {}, true});
            }
        }
        for (std::size_t i = 0; i + 4 < fds.size(); ++i) {
            if (fds[i + 4].revents & (POLLIN | POLLHUP | POLLERR)) {
                serveClient(m_clients[i]);
            }
        }
        std::erase_if(m_clients, [](const Client& c) { return c.fd < 0; });
        flushDue(monotonic());
    }
}

void SimServer::serveClient(Client& c) {
    char buf[4096];
    ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
    if (n <= 0) {
        ::close(c.fd);
        c.fd = -1;
        return;
    }
    c.in.append(buf, static_cast<std::size_t>(n));
    std::size_t nl;
    while ((nl = c.in.find('\n')) != std::string::npos) {
        std::string line = c.in.substr(0, nl);
        c.in.erase(0, nl + 1);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::string answer;
        if (c.board) {
            // "W XX": a write to the board control register.
            const auto w = words(line);
            if (w.size() == 2 && w[0] == "W") {
                // Bytes already on their way belong to the old selection.
                char rb[512];
                ssize_t r;
                while ((r = ::read(m_master, rb, sizeof rb)) > 0) {
                    onLinkBytes(std::string(rb, static_cast<std::size_t>(r)), monotonic());
                }
                m_register = static_cast<int>(std::strtol(w[1].c_str(), nullptr, 16)) & 0xFF;
                if (m_register & 0x10) {
                    m_armed = true;
                    m_armedLoop = (m_register & 0x07) + 1;
                }
                answer = "OK";
            } else {
                answer = "ERR board: expected W XX";
            }
        } else {
            answer = control(line);
        }
        answer += '\n';
        ::send(c.fd, answer.data(), answer.size(), MSG_NOSIGNAL);
    }
}

void SimServer::onLinkBytes(const std::string& bytes, double now) {
    if (m_opt.baudPacing) {
        m_wireFree = std::max(m_wireFree, now) + static_cast<double>(bytes.size()) * ByteSeconds;
    }
    const bool board = !m_opt.boardPath.empty();
    if (board && !m_armed) {
        m_frames.push_back("0:" + escape(bytes)); // the line driver is off: no loop hears this
        return;
    }
    m_rx += bytes;
    for (;;) {
        const std::size_t start = m_rx.find('\x01');
        if (start == std::string::npos) {
            m_rx.clear();
            return;
        }
        m_rx.erase(0, start);
        const std::size_t end = m_rx.find('\x05');
        if (end == std::string::npos || end + 1 >= m_rx.size()) {
            return; // frame not complete yet
        }
        const std::string frame = m_rx.substr(0, end + 2);
        m_rx.erase(0, end + 2);
        const std::string payload = frame.substr(1, end - 1);
        const bool checkOk = frame.back() == requestCheck(frame);
        onFrame(payload, checkOk, now);
        if (board) {
            m_armed = false;
        }
    }
}

void SimServer::onFrame(const std::string& payload, bool checkOk, double now) {
    const bool board = !m_opt.boardPath.empty();
    const int loop = board ? m_armedLoop : 1;
    m_frames.push_back(std::to_string(loop) + ":" + escape(payload));
    const std::string addr =
        payload.size() >= 3 && payload[0] == 'W' ? payload.substr(1, 2) : payload.substr(0, 2);
    for (auto& r : m_readers) {
        if ((board && r.loop() != loop) || r.addressText() != addr) {
            continue;
        }
        // Direct mode: every reader is on the one line; the first with the address answers.
        if (auto body = r.handle(payload, checkOk, now)) {
            schedule(r, *body, now);
        }
        return;
    }
}

void SimServer::schedule(const SimReader& reader, std::string body, double now) {
    auto& r = const_cast<SimReader&>(reader);
    const SimFault f = r.fault();
    const bool board = !m_opt.boardPath.empty();
    const int loop = board ? r.loop() : 0;
    const std::string kind = f.kind;
    if (kind != "none" && kind != "reboot" && f.count > 0 && --r.fault().count == 0) {
        r.fault() = SimFault{};
    }
    if (kind == "silent") {
        return;
    }
    if (kind == "code" && body.size() >= 3 && !f.bytes.empty()) {
        body[2] = f.bytes[0];
    }
    std::string bytes = std::string(1, '\x02') + body + '\x05';
    bytes += replyCheck(bytes);
    if (kind == "badcheck") {
        bytes.back() = static_cast<char>(bytes.back() ^ 0x40);
    } else if (kind == "cut") {
        bytes.resize(bytes.size() - 2);
    } else if (kind == "stray") {
        bytes = f.bytes + bytes;
    }
    double t = m_opt.baudPacing ? std::max(now, m_wireFree) : now;
    if (kind == "late") {
        t += f.arg / 1000.0;
    }
    if (kind == "endless") {
        m_endlessUntil = now + 8.0;
        m_endlessNext = now;
        return;
    }
    const std::size_t piece = kind == "pieces" ? static_cast<std::size_t>(std::max(1, f.size)) : bytes.size();
    const double gap = kind == "pieces" ? f.arg / 1000.0 : 0.0;
    for (std::size_t i = 0; i < bytes.size(); i += piece) {
        std::string chunk = bytes.substr(i, piece);
        if (m_opt.baudPacing) {
            // A UART hands a byte over after its stop bit, a whole byte time after it started.
            for (char c : chunk) {
                t += ByteSeconds;
                m_out.push_back({t, std::string(1, c), loop});
            }
        } else {
            m_out.push_back({t, chunk, loop});
        }
        t += gap;
    }
    if (m_opt.baudPacing) {
        m_wireFree = t;
    }
}

void SimServer::flushDue(double now) {
    while (!m_out.empty() && m_out.front().due <= now) {
        const Out o = m_out.front();
        m_out.pop_front();
        // Through the board a reader is heard only while its loop is selected.
        if (o.loop != 0 && (m_register & 0x07) + 1 != o.loop) {
            continue;
        }
        (void)!::write(m_master, o.bytes.data(), o.bytes.size());
    }
    if (m_endlessUntil > 0) {
        if (now > m_endlessUntil) {
            m_endlessUntil = 0;
        }
        while (m_endlessUntil > 0 && m_endlessNext <= now) {
            (void)!::write(m_master, "x", 1);
            m_endlessNext += 0.001;
        }
    }
}

SimReader* SimServer::find(const std::string& loopText, const std::string& addressText) {
    const int loop = std::atoi(loopText.c_str());
    const int address = std::atoi(addressText.c_str());
    for (auto& r : m_readers) {
        if (r.loop() == loop && r.address() == address) {
            return &r;
        }
    }
    return nullptr;
}

std::string SimServer::control(const std::string& line) {
    const auto w = words(line);
    if (w.empty()) {
        return "ERR empty command";
    }
    const std::string& cmd = w[0];
    if (cmd == "ping") {
        return "OK";
    }
    if (cmd == "board") {
        char buf[80];
        std::snprintf(buf, sizeof buf, "OK reg=%02X loop=%d driver=%d armed=%d", m_register,
                      (m_register & 7) + 1, (m_register & 0x10) ? 1 : 0, m_armed ? 1 : 0);
        return buf;
    }
    if (cmd == "frames") {
        std::string out = "OK " + std::to_string(m_frames.size());
        for (const auto& f : m_frames) {
            out += " " + f;
        }
        return out;
    }
    if (w.size() < 3) {
        return "ERR usage: " + cmd + " LOOP ADDRESS ...";
    }
    SimReader* r = find(w[1], w[2]);
    if (!r) {
        return "ERR no reader " + w[1] + ":" + w[2];
    }
    if (cmd == "card" && (w.size() == 4 || w.size() == 6)) {
        const char in1 = w.size() == 6 ? w[4][0] : '0';
        const char in2 = w.size() == 6 ? w[5][0] : '0';
        r->presentCard(unescape(w[3]), in1, in2);
        return "OK";
    }
    if (cmd == "transit" && w.size() == 4) {
        r->queueTransit(unescape(w[3]));
        return "OK";
    }
    if (cmd == "inputs" && w.size() == 5) {
        r->setInputs(w[3][0], w[4][0]);
        return "OK";
    }
    if (cmd == "site" && w.size() == 4) {
        r->setSite(w[3]);
        return "OK";
    }
    if (cmd == "dump") {
        return "OK " + r->dump();
    }
    if (cmd == "requests") {
        std::string out = "OK " + std::to_string(r->requests().size());
        for (const auto& p : r->requests()) {
            out += " " + escape(p);
        }
        return out;
    }
    if (cmd == "clear") {
        r->requests().clear();
        return "OK";
    }
    if (cmd == "fault" && w.size() >= 4) {
        SimFault f;
        f.kind = w[3];
        std::vector<std::string> args;
        for (std::size_t i = 4; i < w.size(); ++i) {
            if (w[i].rfind("count=", 0) == 0) {
                f.count = std::atoi(w[i].c_str() + 6);
            } else {
                args.push_back(w[i]);
            }
        }
        const std::string& k = f.kind;
        if (k == "pieces" || k == "late" || k == "reboot") {
            if (args.empty()) {
                return "ERR " + k + " needs milliseconds";
            }
            f.arg = std::atoi(args[0].c_str());
            if (k == "pieces" && args.size() > 1) {
                f.size = std::atoi(args[1].c_str());
            }
        } else if (k == "stray" || k == "code") {
            if (args.empty()) {
                return "ERR " + k + " needs bytes";
            }
            f.bytes = unescape(args[0]);
        } else if (k != "none" && k != "silent" && k != "badcheck" && k != "cut" && k != "endless") {
            return "ERR unknown fault " + k;
        }
        if (k == "none") {
            m_endlessUntil = 0;
        }
        r->fault() = f;
        return "OK";
    }
    return "ERR unknown command: " + line;
}

} // namespace sentinex::sim
