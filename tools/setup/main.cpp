// sentinex-setup DIR: lays out a new Sentinex installation in DIR.
// sentinex-setup --demo-data DIR: adds demonstration readers and users (laying DIR out first if needed).
// sentinex-setup --aggiorna | --menu | --avvio-automatico DIR: see Upgrade and Autostart.

#include "Autostart.hpp"
#include "Installer.hpp"
#include "Upgrade.hpp"
#include "core/ProgramFolder.hpp"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <sys/stat.h>
#include <vector>

namespace {

int runOnInstallation(const std::string& dir, bool upgrade, bool menu) {
    std::string error;
    if (upgrade) {
        std::vector<std::string> replaced;
        if (!sentinex::Upgrade(dir, sentinex::ProgramFolder::ofExecutable().dir()).run(replaced, error)) {
            std::cerr << "sentinex-setup: " << error << "\n";
            return 1;
        }
        std::cout << "Installazione " << dir << " aggiornata (";
        for (std::size_t i = 0; i < replaced.size(); ++i) {
            std::cout << (i ? ", " : "") << replaced[i];
        }
        std::cout << "); il database viene aggiornato al prossimo avvio.\n";
        return 0;
    }
    if (!std::filesystem::exists(sentinex::ProgramFolder(dir).file("sentinex"))) {
        std::cerr << "sentinex-setup: nessun programma sentinex in " << dir << ".\n";
        return 1;
    }
    const sentinex::Autostart entries(dir);
    std::string path;
    bool systemd = false;
    if (menu ? !entries.addMenuEntry(path, error) : !entries.enable(path, systemd, error)) {
        std::cerr << "sentinex-setup: " << error << "\n";
        return 1;
    }
    if (menu) {
        std::cout << "Voce di menu creata: " << path << "\n";
    } else if (systemd) {
        std::cout << "Avvio automatico con la sessione grafica (servizio utente systemd, riavviato dopo un "
                     "arresto imprevisto): "
                  << path << "\nVale dal prossimo accesso; subito: systemctl --user daemon-reload && "
                  << "systemctl --user start " << entries.name() << ".service\n";
    } else {
        std::cout << "Avvio automatico con la sessione grafica (XDG autostart; senza systemd non viene "
                     "riavviato dopo un arresto imprevisto): "
                  << path << "\n";
    }
    return 0;
}

} // namespace

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
    bool upgrade = false;
    bool menu = false;
    bool autostart = false;
    auto* upgradeFlag = app.add_flag("--aggiorna", upgrade,
                                     "Porta gli eseguibili di un'installazione esistente a questa versione; "
                                     "i dati restano come sono");
    auto* menuFlag = app.add_flag("--menu", menu, "Aggiunge l'installazione al menu dell'utente");
    auto* autostartFlag =
        app.add_flag("--avvio-automatico", autostart,
                     "Avvia l'installazione con la sessione grafica dell'utente e di nuovo dopo un arresto "
                     "imprevisto");
    upgradeFlag->excludes(menuFlag)->excludes(autostartFlag);
    menuFlag->excludes(autostartFlag);
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
    // The user's menu and autostart files follow the user's own umask.
    if (upgrade || menu || autostart) {
        return runOnInstallation(dir, upgrade, menu);
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
