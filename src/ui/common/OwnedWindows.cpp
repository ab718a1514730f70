#include "OwnedWindows.hpp"

namespace sentinex {

OwnedWindows::~OwnedWindows() {
    for (const QPointer<QWidget>& window : m_windows) {
        if (window) {
            // Its destruction must not reach the owner, which is itself going.
            QObject::disconnect(window.data(), nullptr, m_owner, nullptr);
            delete window.data();
        }
    }
}

void OwnedWindows::showInPlace(QWidget* window) {
    std::erase_if(m_windows, [](const QPointer<QWidget>& w) { return w.isNull(); });
    m_windows.emplace_back(window);
    m_owner->hide();
    window->show();
}

} // namespace sentinex
