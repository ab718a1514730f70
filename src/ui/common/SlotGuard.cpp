#include "ui/common/SlotGuard.hpp"

#include "store/Database.hpp"

#include <QCloseEvent>

#include <cstdio>
#include <string>

namespace sentinex {

bool SlotGuard::refuseWhileRun(const Operator& op, QCloseEvent* event) {
    if (!op.waitShown()) {
        return false;
    }
    event->ignore();
    return true;
}

void SlotGuard::report(Operator& op, std::exception_ptr failure) {
    try {
        std::rethrow_exception(std::move(failure));
    } catch (const DatabaseError& error) {
        op.message("Errore", std::string(StoreErrorPrefix) + error.what(), MsgIcon::Critical);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "sentinex: %s\n", error.what());
        op.message("Errore", UnexpectedText, MsgIcon::Critical);
    } catch (...) {
        std::fputs("sentinex: eccezione sconosciuta\n", stderr);
        op.message("Errore", UnexpectedText, MsgIcon::Critical);
    }
}

} // namespace sentinex
