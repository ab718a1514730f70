// sentinex-setup DIR: lays out a new Sentinex installation in DIR.
// sentinex-setup --demo-data DIR: adds demonstration readers and users (laying DIR out first if needed).

#include "Installer.hpp"
#include "core/ProgramFolder.hpp"

#include <CLI/CLI.hpp>

#include <iostream>
#include <sys/stat.h>

int main(int argc, char** argv) {
    CLI::App app{"Prepara una nuova installazione di Sentinex nella cartella indicata."};
    std::string dir;
    bool demo = false;
    app.add_flag("--demo-data", demo,
                 "Aggiunge due lettori e tre utenti dimostrativi e la porta COM1 simulata");
    app.add_option("DIR", dir, "Cartella del programma")->required();
    CLI11_PARSE(app, argc, argv);
    // Names, badges, history and the password are nobody else's business: folder 0750, files 0640.
    ::umask(027);

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
