#include "SettingsValidation.hpp"

#include "core/Operator.hpp"
#include "core/SettingsDialogFields.hpp"
#include "masterdata/TimeChecks.hpp"
#include "readers/cardfile/CardFileName.hpp"
#include "store/Database.hpp"

namespace sentinex {

namespace {

// More digits than the file's read keeps would come back as another number.
constexpr std::size_t MaxDigits = 9;
constexpr std::int64_t IntegerMax = 32767;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

/// The value of a text of 1 to 9 digits, nothing for any other text (blanks, signs, fractions).
std::optional<std::int64_t> unsignedWhole(const std::string& text) {
    if (text.empty() || text.size() > MaxDigits) {
        return std::nullopt;
    }
    std::int64_t v = 0;
    for (char c : text) {
        if (!isDigit(c)) {
            return std::nullopt;
        }
        v = v * 10 + (c - '0');
    }
    return v;
}

/// As unsignedWhole, also taking a leading minus, so a negative number can be told from garbage.
std::optional<std::int64_t> signedWhole(const std::string& text) {
    if (!text.empty() && text[0] == '-') {
        if (text.size() > MaxDigits) {
            return std::nullopt;
        }
        const auto v = unsignedWhole(text.substr(1));
        return v ? std::optional<std::int64_t>(-*v) : std::nullopt;
    }
    return unsignedWhole(text);
}

using Failure = SettingsValidation::Failure;

Failure fail(int rule, std::string control, std::vector<std::string> messages) {
    return Failure{rule, std::move(control), std::move(messages)};
}

std::string bandBox(const char* array, std::size_t index) {
    return std::string(array) + "_" + std::to_string(index);
}

} // namespace

std::string SettingsValidation::bandText(int band) {
    return "Errore nella fascia " + std::to_string(band) + ".";
}

std::optional<Failure> SettingsValidation::firstFailure(const SettingsDialogFields& f,
                                                        const PopulationSource& population) {
    // 1. Polling: at least 1.
    const auto polling = unsignedWhole(f.Polling);
    if (!polling || *polling < 1) {
        return fail(1, "Text2", {PollingText});
    }

    // 2. Address: three decimal digits and "H"; it is read back in hexadecimal.
    const std::string& address = f.Indirizzo485;
    if (address.size() != 4) {
        return fail(2, "Text1", {AddressText});
    }
    if (address[3] != 'H') {
        return fail(2, "Text1", {AddressHexText});
    }
    if (!unsignedWhole(address.substr(0, 3))) {
        return fail(2, "Text1", {AddressText});
    }

    // 3. Maximum number of entries.
    if (!unsignedWhole(f.MassimoNumeroIngressi)) {
        return fail(3, "Text3", {EntriesText});
    }

    // 4. Reply delay, 1 to 99.
    const auto delay = signedWhole(f.Ritardo);
    if (!delay || *delay > MaxDelay) {
        return fail(4, "Text4", {DelayText});
    }
    if (*delay < 1) {
        return fail(4, "Text4", {DelayZeroText});
    }

    // 5. Persons drawn per shift, within a 16-bit field.
    const auto drawCount = signedWhole(f.NumeroImparziale);
    if (!drawCount || *drawCount > IntegerMax) {
        return fail(5, "Text7", {DrawCountText});
    }
    if (*drawCount < 0) {
        return fail(5, "Text7", {DrawCountNegativeText});
    }

    // 6. With the inspection on, every shift must be able to draw its persons among the users.
    if (f.Imparziale && *drawCount > 0) {
        const Population p = population ? population() : Population{};
        // drawCount x shifts <= users, without the product overflowing.
        if (p.shifts > p.users / *drawCount) {
            return fail(6, "Text7", {DrawTooLargeText});
        }
    }

    // 7. Output for the inspection.
    const auto output = unsignedWhole(f.AttivaOutput);
    if (!output || *output > 2) {
        return fail(7, "Text10", {OutputText});
    }

    // 8. Each band time: starts first, then ends.
    for (int end = 0; end < 2; ++end) {
        for (std::size_t i = 0; i < 3; ++i) {
            const std::string& time = end ? f.OrarioFinale[i] : f.OrarioIniziale[i];
            if (const char* problem = TimeChecks::timeProblem(time)) {
                return fail(8, bandBox(end ? "Text6" : "Text5", i),
                            {problem, bandText(static_cast<int>(i) + 1)});
            }
        }
    }

    // 9. Each band's start before its end, within the day.
    for (std::size_t i = 0; i < 3; ++i) {
        if (const char* problem = TimeChecks::intervalProblem(f.OrarioIniziale[i], f.OrarioFinale[i])) {
            return fail(9, bandBox("Text5", i), {problem, bandText(static_cast<int>(i) + 1)});
        }
    }

    // 10. and 11. The time of the scheduled draw, required when the schedule is on.
    if (const char* problem = TimeChecks::timeProblem(f.OraImparziale)) {
        return fail(10, "Text9", {problem, DrawTimeText});
    }
    if (f.ScattareAdOrario && f.OraImparziale == TimeChecks::UnsetTime) {
        return fail(11, "Text9", {DrawTimeUnsetText});
    }

    // 12. The card-file name, as the card-file utility checks it.
    if (const auto problem = CardFileName::failure(f.FileVireo)) {
        return fail(12, "Text8", {*problem});
    }

    // 13. and 14. The daily backup: no time (or "##:##") means none; the copies kept, empty for the
    // usual number.
    if (!f.OraBackup.empty()) {
        if (const char* problem = TimeChecks::timeProblem(f.OraBackup)) {
            return fail(13, "Text12", {problem, BackupTimeText});
        }
    }
    if (!f.CopieBackup.empty()) {
        const auto copies = unsignedWhole(f.CopieBackup);
        if (!copies || *copies < 1) {
            return fail(14, "Text13", {BackupCopiesText});
        }
    }
    return std::nullopt;
}

bool SettingsValidation::check(const SettingsDialogFields& fields, const PopulationSource& population,
                               Operator& op, std::string* failedControl) {
    const auto failure = firstFailure(fields, population);
    if (!failure) {
        return true;
    }
    for (const std::string& text : failure->messages) {
        op.message("Attenzione", text, MsgIcon::Exclamation);
    }
    if (failedControl) {
        *failedControl = failure->control;
    }
    return false;
}

SettingsValidation::Population SettingsValidation::countPopulation(Database& db) {
    Population p;
    p.users = db.query("SELECT COUNT(*) FROM Carte").at(0).at(0).toInt();
    p.shifts = db.query("SELECT COUNT(*) FROM Fasce").at(0).at(0).toInt();
    return p;
}

} // namespace sentinex
