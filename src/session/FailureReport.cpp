#include "FailureReport.hpp"

#include "core/Operator.hpp"
#include "store/Database.hpp"

#include <cstdio>
#include <string>

namespace sentinex {

void FailureReport::show(Operator& op, std::exception_ptr failure) {
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
