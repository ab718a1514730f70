#include "StoreFailureNotice.hpp"

#include "StatusLine.hpp"

namespace sentinex {

std::string StoreFailureNotice::text(const std::string& engineMessage) {
    return "Impossibile registrare i dati dell'On Line nel database. Il polling continua.\r\n" +
           engineMessage;
}

void StoreFailureNotice::failed(Store store, const std::string& engineMessage) {
    m_failing.insert(store);
    m_status.setStoreFailure(text(engineMessage));
}

void StoreFailureNotice::succeeded(Store store) {
    if (m_failing.erase(store) > 0 && m_failing.empty()) {
        m_status.clearStoreFailure();
    }
}

} // namespace sentinex

namespace sentinex {

void StoreFailureNotice::clear() {
    if (!m_failing.empty()) {
        m_failing.clear();
        m_status.clearStoreFailure();
    }
}

} // namespace sentinex
