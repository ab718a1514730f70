#include "Autostart.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace sentinex {

namespace {

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

/// An XDG base directory: the variable when it holds an absolute path, else HOME's default.
fs::path baseDir(const char* variable, const char* underHome) {
    const std::string value = env(variable);
    if (!value.empty() && value.front() == '/') {
        return value;
    }
    return fs::path(env("HOME")) / underHome;
}

/// One argument of a desktop entry's Exec key: quoted, with the reserved characters escaped, then the
/// backslashes doubled once more as every string value of the file needs, and % doubled.
std::string desktopArgument(const std::string& s) {
    std::string quoted = "\"";
    for (const char c : s) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    quoted += '"';
    std::string out;
    for (const char c : quoted) {
        out += c;
        if (c == '\\' || c == '%') { // a lone % would be a field code such as %f
            out += c;
        }
    }
    return out;
}

/// One word of a unit's ExecStart: quoted, with systemd's specifiers (%) and variables ($) kept literal.
std::string unitArgument(const std::string& s) {
    std::string out = "\"";
    for (const char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
        } else if (c == '%' || c == '$') {
            out += c;
        }
        out += c;
    }
    return out + '"';
}

bool writeFile(const fs::path& path, const std::string& text, std::string& error) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    const fs::path part = path.string() + ".nuovo";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            error = "Impossibile scrivere " + path.string();
            return false;
        }
    }
    fs::rename(part, path, ec);
    if (ec) {
        error = "Impossibile scrivere " + path.string() + ": " + ec.message();
        return false;
    }
    return true;
}

} // namespace

Autostart::Autostart(const std::string& dir)
    : m_dir(fs::absolute(fs::path(dir)).lexically_normal().string()), m_name("sentinex") {
    while (m_dir.size() > 1 && m_dir.back() == '/') {
        m_dir.pop_back();
    }
    // Letters and digits of the folder, the rest as single dashes: one name per installation.
    for (const char c : m_dir) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (plain) {
            m_name += c;
        } else if (m_name.back() != '-') {
            m_name += '-';
        }
    }
    while (m_name.back() == '-') {
        m_name.pop_back();
    }
}

std::string Autostart::desktopText(bool autostart) const {
    std::string text = "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=Sentinex (" +
                       m_dir +
                       ")\n"
                       "GenericName=Controllo accessi\n"
                       "Comment=Controllo accessi Sentinex dell'installazione " +
                       m_dir + "\nExec=" + desktopArgument(m_dir + "/sentinex") + "\nPath=" + m_dir +
                       "\n"
                       "Icon=sentinex\n"
                       "Terminal=false\n"
                       "Categories=System;Security;\n"
                       "StartupWMClass=sentinex\n";
    if (autostart) {
        text += "X-GNOME-Autostart-enabled=true\n";
    }
    return text;
}

std::string Autostart::unitText() const {
    return "[Unit]\n"
           "Description=Sentinex (" +
           m_dir +
           ")\n"
           "PartOf=graphical-session.target\n"
           "After=graphical-session.target\n"
           "# A program that cannot start (database refused, folder unreadable) is not retried forever.\n"
           "StartLimitIntervalSec=300\n"
           "StartLimitBurst=5\n"
           "\n"
           "[Service]\n"
           "Type=exec\n"
           "ExecStart=" +
           unitArgument(m_dir + "/sentinex") +
           "\n"
           "# A normal exit ends with 0 and is not restarted; a crash or a kill is.\n"
           "Restart=on-failure\n"
           "RestartSec=5\n"
           "# 2: another sentinex already runs on this folder.\n"
           "RestartPreventExitStatus=2\n"
           "\n"
           "[Install]\n"
           "WantedBy=graphical-session.target\n";
}

bool Autostart::addMenuEntry(std::string& path, std::string& error) const {
    const fs::path file = baseDir("XDG_DATA_HOME", ".local/share") / "applications" / (m_name + ".desktop");
    path = file.string();
    return writeFile(file, desktopText(false), error);
}

bool Autostart::enable(std::string& path, bool& systemd, std::string& error) const {
    const std::string runtime = env("XDG_RUNTIME_DIR");
    std::error_code ec;
    systemd = !runtime.empty() && fs::exists(fs::path(runtime) / "systemd" / "private", ec);
    const fs::path config = baseDir("XDG_CONFIG_HOME", ".config");
    const fs::path xdgEntry = config / "autostart" / (m_name + ".desktop");
    if (!systemd) {
        path = xdgEntry.string();
        return writeFile(xdgEntry, desktopText(true), error);
    }
    const fs::path units = config / "systemd" / "user";
    const fs::path unit = units / (m_name + ".service");
    path = unit.string();
    if (!writeFile(unit, unitText(), error)) {
        return false;
    }
    // What "systemctl --user enable" does, without needing the manager to answer.
    const fs::path wants = units / "graphical-session.target.wants";
    const fs::path link = wants / (m_name + ".service");
    fs::create_directories(wants, ec);
    fs::remove(link, ec);
    fs::create_symlink(fs::path("..") / (m_name + ".service"), link, ec);
    if (ec) {
        error = "Impossibile abilitare " + unit.string() + ": " + ec.message();
        return false;
    }
    // One start mechanism per installation: two would start two programs on one folder.
    fs::remove(xdgEntry, ec);
    return true;
}

} // namespace sentinex
