#pragma once

namespace sentinex {

class Operator;

/// Shows the wait form for as long as it lives and closes it on every way out, an exception included.
/// While it is shown the wait form owns the screen: the windows under it take no clicks, keys or close.
/// A scope opened while the wait form is already up (a run inside a run) leaves it to the outer one.
class WaitScope {
public:
    explicit WaitScope(Operator& op);
    ~WaitScope();
    WaitScope(const WaitScope&) = delete;
    WaitScope& operator=(const WaitScope&) = delete;

    /// Closes the wait form now (when this scope opened it), e.g. before a closing message box.
    void close();

private:
    Operator& m_op;
    bool m_owns = false;
};

} // namespace sentinex
