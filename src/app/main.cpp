#include "core/Clock.hpp"
#include "session/Session.hpp"
#include "ui/common/QtEventPump.hpp"
#include "ui/common/QtItalianTranslation.hpp"
#include "ui/common/QtOperator.hpp"
#include "ui/common/SentinexApplication.hpp"
#include "ui/main/FrmMain.hpp"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <sys/stat.h>

namespace {

constexpr const char* Usage =
    "Uso: sentinex [--help] [--version]\n"
    "\n"
    "Controllo accessi Sentinex. Il programma lavora sui file della cartella che contiene l'eseguibile\n"
    "(Sentinex.ini, Sentinex.mdb, RepSentinex.mdb, Date.txt, pswsentinex.txt) e non prende altre\n"
    "impostazioni dalla riga di comando.\n"
    "\n"
    "  --help     mostra questo aiuto ed esce\n"
    "  --version  mostra la versione ed esce\n";

/// True when some windowing system can be reached: a platform chosen by hand, X11 or Wayland.
bool displayAvailable() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value) {
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Sentinex %d.%d - SX003\n", SENTINEX_VERSION_MAJOR, SENTINEX_VERSION_MINOR);
            return 0;
        }
        std::fprintf(stderr, "sentinex: opzione sconosciuta '%s'.\n\n%s", argv[i], Usage);
        return 2;
    }
    if (!displayAvailable()) {
        std::fputs("sentinex: nessuno schermo disponibile (DISPLAY non impostata). Avviare Sentinex da una "
                   "sessione grafica, oppure con xvfb-run.\n",
                   stderr);
        return 1;
    }
    // Every file the program creates (history, journals, copies, temporary rewrites) is for its own
    // user and group only, whatever umask it was started with.
    ::umask(027);

    sentinex::SentinexApplication app(argc, argv);
    sentinex::QtItalianTranslation::install();
    sentinex::QtOperator op;
    app.setOperator(&op);
    try {
        sentinex::SystemClock clock;
        sentinex::QtEventPump pump;
        // A restore is made by the start-up of a new session (the old one has closed every file it had
        // open): a program restart in order, without leaving the process.
        for (;;) {
            sentinex::Session session({}, op, clock, pump);
            sentinex::FrmMain window(session);
            if (const int code = window.load(); code != 0) {
                return code;
            }
            window.show();
            const int code = QApplication::exec();
            // Windows closed on the way out are freed while their session still exists.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            if (!session.restartRequested()) {
                app.setOperator(nullptr);
                return code;
            }
        }
    } catch (const std::exception& error) {
        // Only the start-up and the last goodbyes get here: the event loop catches what slots let through.
        std::fprintf(stderr, "sentinex: %s\n", error.what());
        op.message("Errore", std::string("Sentinex si chiude per un errore imprevisto.\n") + error.what(),
                   sentinex::MsgIcon::Critical);
        return 1;
    }
}
