#pragma once
// Small stand-ins for the main window tests: an operator that records and answers from a queue, a
// settable clock, and an installation folder with the tables the main window binds.

#include "core/Clock.hpp"
#include "core/Database.hpp"
#include "core/EventPump.hpp"
#include "core/Operator.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace sentinex::uitest {

struct Shown {
    std::string title;
    std::string text;
    MsgIcon icon;
};

class RecordingOperator final : public Operator {
public:
    void message(const std::string& title, const std::string& text, MsgIcon icon) override {
        messages.push_back({title, text, icon});
    }
    Answer question(const std::string& title, const std::string& text, MsgIcon icon, bool) override {
        messages.push_back({title, text, icon});
        return Answer::No;
    }
    std::string inputBox(const std::string& prompt, const std::string&, const std::string&) override {
        prompts.push_back(prompt);
        if (answers.empty())
            return {};
        std::string a = answers.front();
        answers.pop_front();
        return a;
    }
    void showWait() override { ++waits; }
    void closeWait() override {}
    void beep() override {}

    std::vector<Shown> messages;
    std::vector<std::string> prompts;
    std::deque<std::string> answers;
    int waits = 0;
};

class SetClock final : public Clock {
public:
    DateTime now() const override { return m_now; }
    double monotonicSeconds() const override { return m_mono; }
    void pause(int ms, EventPump& pump) override {
        m_mono += ms / 1000.0;
        pump.processEvents();
    }
    void set(DateTime t) { m_now = t; }

private:
    DateTime m_now{2026, 3, 2, 10, 0, 0};
    double m_mono = 1000.0;
};

/// A program folder in a fresh temporary directory, with "Sentinex.mdb" holding the tables and the
/// given number of readers, and a settings file.
class Install {
public:
    Install() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "sentinex-ui-XXXXXX").string();
        if (!mkdtemp(tmpl.data()))
            throw std::runtime_error("mkdtemp");
        m_dir = tmpl;
    }
    ~Install() {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    Install(const Install&) = delete;
    Install& operator=(const Install&) = delete;

    const std::string& dir() const { return m_dir; }
    std::string file(const std::string& name) const { return m_dir + "/" + name; }

    /// Creates the database with `readers` readers (address k, loop 1, site code 123) and the settings.
    Install& create(int readers, const std::string& ini = "[Impostazioni]\nPolling=100\nUtenti=7\n") {
        auto db = Database::create(file("Sentinex.mdb"), schemaSql());
        for (int k = 1; k <= readers; ++k) {
            db->execute("INSERT INTO Lettori (TipoLettore, NumeroIndirizzo, NumeroLoop, CodiceImpianto, "
                        "Ritardo, SituatoPresso, Stato) VALUES ('TERA TR-Y1', ?, 1, 123, 0, ?, 'In')",
                        {k, "Porta " + std::to_string(k)});
        }
        writeFile("Sentinex.ini", ini);
        return *this;
    }
    void writeFile(const std::string& name, const std::string& content) const {
        std::ofstream(file(name), std::ios::binary) << content;
    }
    std::string readFile(const std::string& name) const {
        std::ifstream in(file(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::shared_ptr<Database> open() const { return Database::open(file("Sentinex.mdb")); }

    static std::string schemaSql() {
        std::string bands;
        for (const char* day : {"Lun", "Mar", "Mer", "Gio", "Ven", "Sab", "Dom"})
            for (const char* n : {"1", "2"})
                bands += std::string(", ") + day + "_" + n + "_da TEXT, " + day + "_" + n + "_a TEXT";
        return "CREATE TABLE Carte (NumeroCarta TEXT, Cognome TEXT, Nome TEXT, Lettore TEXT, Stringa TEXT, "
               "AbilitaCarta INTEGER, Flag_online INTEGER, Imparziale INTEGER, ControllaInput INTEGER, "
               "MetodoInput INTEGER, Input1 INTEGER, Input2 INTEGER, Flag_fasce INTEGER, Output1 INTEGER, "
               "Output2 INTEGER" +
               bands +
               ");\n"
               "CREATE TABLE Lettori (TipoLettore TEXT, NumeroIndirizzo INTEGER, NumeroLoop INTEGER, "
               "CodiceImpianto INTEGER, Ritardo INTEGER, SituatoPresso TEXT, PosCarta1 INTEGER, "
               "PosCarta2 INTEGER, PosCarta3 INTEGER, PosCarta4 INTEGER, PosCodice1 INTEGER, "
               "PosCodice2 INTEGER, PosCodice3 INTEGER, PosCodice4 TEXT, PosCodice5 TEXT, PosCodice6 TEXT, "
               "Stato TEXT);\n"
               "CREATE TABLE Fasce (Nome TEXT" +
               bands +
               ");\n"
               "CREATE TABLE transiti (NumeroBadge TEXT, Cognome TEXT, Nome TEXT, PosizioneLettore TEXT, "
               "Data TEXT, Ora TEXT, Passaggio INTEGER, verso TEXT, nota TEXT);\n"
               "CREATE TABLE presenti (NumeroBadge TEXT, Cognome TEXT, Nome TEXT);\n"
               "CREATE VIEW Storico AS SELECT * FROM transiti;\n";
    }

private:
    std::string m_dir;
};

} // namespace sentinex::uitest
