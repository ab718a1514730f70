#pragma once

#include <QPointer>
#include <QWidget>

#include <vector>

namespace sentinex {

/// The windows a form opens in its own place. They are top-level windows of their own, freed by Qt once
/// they have returned; one still open when its opener goes is freed with it, so no window outlives the
/// form (and the session) it works for.
class OwnedWindows {
public:
    /// `owner` is the form that opens the windows; their connections to it are cut before they go.
    explicit OwnedWindows(QWidget* owner) : m_owner(owner) {}
    /// Frees every window still there, without calling back into the owner.
    ~OwnedWindows();
    OwnedWindows(const OwnedWindows&) = delete;
    OwnedWindows& operator=(const OwnedWindows&) = delete;

    /// Hides the owner and shows `window` in its place, keeping it until it is freed (windows already
    /// freed by Qt are simply forgotten).
    void showInPlace(QWidget* window);

private:
    QWidget* m_owner;
    std::vector<QPointer<QWidget>> m_windows;
};

} // namespace sentinex
