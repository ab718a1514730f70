// sentinex-setup DIR: lays out a new Sentinex installation in DIR.
// sentinex-setup --demo-data DIR: adds demonstration readers and users (laying DIR out first if needed).

#include "Installer.hpp"
#include "core/ProgramFolder.hpp"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <sys/stat.h>

int main(int argc, char** argv) {
    CLI::App app{"Prepara una nuova installazione di Sentinex nella cartella indicata."};
    // The installer speaks the installer's language: CLI11's own labels and messages in Italian.
    app.option_defaults()->group("Opzioni");
    app.set_help_flag("-h,--help", "Mostra questo aiuto ed esce");
    auto formatter = app.get_formatter();
    for (const auto& [key, text] : {std::pair{"Usage", "Uso"},
                                    {"OPTIONS", "OPZIONI"},
                                    {"Positionals", "Argomenti"},
                                    {"REQUIRED", "OBBLIGATORIO"},
                                    {"TEXT", "TESTO"}}) {
        formatter->label(key, text);
    }
    std::string dir;
    bool demo = false;
    app.add_flag("--demo-data", demo,
                 "Aggiunge due lettori e tre utenti dimostrativi e la porta COM1 simulata");
    app.add_option("DIR", dir, "Cartella del programma")->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return 0;
    } catch (const CLI::RequiredError&) {
        std::cerr << "sentinex-setup: manca la cartella del programma (DIR).\nUsare --help per l'aiuto.\n";
        return 2;
    } catch (const CLI::ExtrasError&) {
        std::cerr
            << "sentinex-setup: troppi argomenti: si indica una sola cartella.\nUsare --help per l'aiuto.\n";
        return 2;
    } catch (const CLI::ParseError& e) {
        std::cerr << "sentinex-setup: argomenti non validi (" << e.what()
                  << ").\nUsare --help per l'aiuto.\n";
        return 2;
    }
    // Names, badges, history and the password are nobody else's business: folder 0750, files 0640.
    ::umask(027);
    // An existing folder (a reinstall, or one made by hand) gets the same mode as a new one.
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & 07777) != 0750) {
        char before[8];
        std::snprintf(before, sizeof before, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        if (::chmod(dir.c_str(), 0750) == 0) {
            std::cout << "Permessi della cartella " << dir << " portati a 0750 (erano " << before << ")\n";
        } else {
            std::cerr << "sentinex-setup: impossibile portare a 0750 i permessi della cartella " << dir
                      << " (sono " << before << ")\n";
        }
    }

    const sentinex::Installer installer(dir, sentinex::ProgramFolder::ofExecutable().dir());
    std::string error;
    const bool ok = demo ? installer.addDemoData(error) : installer.install(error);
    if (!ok) {
        std::cerr << "sentinex-setup: " << error << "\n";
        return 1;
    }
    std::cout << (demo ? "Dati dimostrativi aggiunti in " : "Installazione creata in ") << dir << "\n";
    return 0;
}
