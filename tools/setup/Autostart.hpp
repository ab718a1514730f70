#pragma once

#include <string>

namespace sentinex {

/// The entries of the user who runs the tool that start an installation: a menu entry, and the start
/// with the graphical session (a systemd user unit restarted after an unexpected end, or an XDG
/// autostart entry where there is no systemd user manager).
class Autostart {
public:
    /// `dir`: the installation's program folder (made absolute). The user's folders come from
    /// XDG_DATA_HOME, XDG_CONFIG_HOME and HOME as the XDG base directories say.
    explicit Autostart(const std::string& dir);

    /// The name shared by this installation's files: "sentinex-" and the folder, e.g.
    /// "sentinex-opt-sentinex" for /opt/sentinex.
    const std::string& name() const { return m_name; }

    /// Writes applications/<name>.desktop under the user's data folder; `path` gets the file.
    bool addMenuEntry(std::string& path, std::string& error) const;
    /// With a systemd user manager (its socket under XDG_RUNTIME_DIR): writes systemd/user/<name>.service
    /// and enables it for graphical-session.target, removing an autostart entry of an earlier run.
    /// Without one: writes autostart/<name>.desktop. `path` gets the file written, `systemd` which.
    bool enable(std::string& path, bool& systemd, std::string& error) const;

    /// The unit and the desktop entry as written, for the folder given to the constructor.
    std::string unitText() const;
    std::string desktopText(bool autostart) const;

private:
    std::string m_dir;
    std::string m_name;
};

} // namespace sentinex
