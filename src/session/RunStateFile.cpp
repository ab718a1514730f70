#include "RunStateFile.hpp"

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sentinex {

namespace {

constexpr const char* kPollingKey = "Polling=";
constexpr const char* kOutputKey = "OutputAutomatico=";

const char* flag(bool on) {
    return on ? "Si" : "No";
}

std::optional<bool> flagOf(const std::string& line, const std::string& key) {
    if (line.rfind(key, 0) != 0) {
        return std::nullopt;
    }
    const std::string value = line.substr(key.size());
    if (value == "Si") {
        return true;
    }
    if (value == "No") {
        return false;
    }
    return std::nullopt;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

void syncFolder(const std::string& path) {
    // The rename or the removal is only durable once the folder's entry is.
    const int dfd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::string RunStateFile::text(const Switches& switches) {
    return std::string(kPollingKey) + flag(switches.polling) + "\n" + kOutputKey + flag(switches.output) +
           "\n";
}

std::optional<Switches> RunStateFile::parse(const std::string& text) {
    std::istringstream in(text);
    std::string polling;
    std::string output;
    std::string rest;
    if (!std::getline(in, polling) || !std::getline(in, output) || std::getline(in, rest)) {
        return std::nullopt;
    }
    const std::optional<bool> p = flagOf(polling, kPollingKey);
    const std::optional<bool> o = flagOf(output, kOutputKey);
    if (!p || !o || text.back() != '\n') {
        return std::nullopt;
    }
    return Switches{*p, *o};
}

std::optional<Switches> RunStateFile::unfinishedRun() const {
    std::ifstream in(m_path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    // A file this program wrote is a few dozen bytes; anything much longer is not one.
    std::string text(256, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return parse(text);
}

bool RunStateFile::recordRunning(const Switches& switches) const {
    std::string tmpl = m_path + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool ok = ::fchmod(fd, 0640) == 0; // as every file the program creates: not for other users
    ok = ok && writeAll(fd, text(switches));
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(name.data(), m_path.c_str()) == 0;
    if (!ok) {
        ::unlink(name.data());
        return false;
    }
    syncFolder(m_path);
    return true;
}

bool RunStateFile::recordCleanExit() const {
    if (::unlink(m_path.c_str()) != 0 && errno != ENOENT) {
        return false;
    }
    syncFolder(m_path);
    return true;
}

} // namespace sentinex
