#include "StoreFailureNotice.hpp"

#include "core/Operator.hpp"

namespace sentinex {

std::string StoreFailureNotice::text(const std::string& engineMessage) {
    return "Impossibile registrare i dati dell'On Line nel database. Il polling continua.\r\n" +
           engineMessage;
}

void StoreFailureNotice::failed(const std::string& engineMessage) {
    if (m_shown) {
        return;
    }
    // Set before the modal box: a step that runs while it is open must not show it again.
    m_shown = true;
    m_op.message(Title, text(engineMessage), MsgIcon::Critical);
}

} // namespace sentinex
