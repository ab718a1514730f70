#include "core/WaitScope.hpp"

#include "core/Operator.hpp"

namespace sentinex {

WaitScope::WaitScope(Operator& op) : m_op(op), m_owns(!op.waitShown()) {
    m_op.showWait();
}

WaitScope::~WaitScope() {
    close();
}

void WaitScope::close() {
    if (m_owns) {
        m_owns = false;
        m_op.closeWait();
    }
}

} // namespace sentinex
