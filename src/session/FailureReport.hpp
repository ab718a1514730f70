#pragma once

#include "store/Database.hpp"

#include <exception>

namespace sentinex {

class Operator;

/// What the operator is told about a failure nobody closer could say anything about: a store error as
/// "Errore" with the engine's text, anything else as "Errore" with an Italian text (the technical text
/// goes to the log).
class FailureReport {
public:
    static void show(Operator& op, std::exception_ptr failure);

    static constexpr const char* StoreErrorPrefix = DatabaseError::ShownPrefix;
    static constexpr const char* UnexpectedText = "Operazione non eseguita: errore imprevisto.";
};

} // namespace sentinex
