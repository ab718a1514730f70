// sentinex-readersim: a bus of simulated card readers behind a pseudo-terminal.
#include "SimReader.hpp"
#include "SimServer.hpp"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/prctl.h>
#include <unistd.h>
#include <vector>

namespace {

volatile int g_stop = 0;
int g_wake[2] = {-1, -1};

void onSignal(int) {
    g_stop = 1;
    (void)!::write(g_wake[1], "x", 1);
}

int usage(const char* why) {
    if (why) {
        std::fprintf(stderr, "sentinex-readersim: %s\n", why);
    }
    std::fprintf(
        stderr,
        "uso: sentinex-readersim --link PERCORSO --reader LOOP:INDIRIZZO:IMPIANTO[:TIPO] ...\n"
        "                        [--control SOCKET] [--board SOCKET] [--baud-pacing] [--exit-with-parent]\n"
        "     simula una linea di lettori dietro uno pseudo-terminale (vedere tools/readersim/README.md)\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    using sentinex::sim::SimReader;
    using sentinex::sim::SimServer;
    SimServer::Options opt;
    std::vector<SimReader> readers;
    bool exitWithParent = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "sentinex-readersim: %s vuole un valore\n", name);
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--link") {
            opt.linkPath = value("--link");
        } else if (a == "--control") {
            opt.controlPath = value("--control");
        } else if (a == "--board") {
            opt.boardPath = value("--board");
        } else if (a == "--baud-pacing") {
            opt.baudPacing = true;
        } else if (a == "--exit-with-parent") {
            exitWithParent = true;
        } else if (a == "--reader") {
            const std::string spec = value("--reader");
            int loop = 0, address = 0, site = 0, used = 0;
            if (std::sscanf(spec.c_str(), "%d:%d:%d%n", &loop, &address, &site, &used) != 3 || loop < 1 ||
                loop > 8 || address < 0 || site < 0) {
                return usage(("lettore non valido " + spec).c_str());
            }
            std::string type = "NANO NN-K";
            if (static_cast<std::size_t>(used) < spec.size()) {
                if (spec[static_cast<std::size_t>(used)] != ':') {
                    return usage(("lettore non valido " + spec).c_str());
                }
                type = spec.substr(static_cast<std::size_t>(used) + 1);
            }
            readers.emplace_back(loop, address, site, type);
        } else if (a == "--help" || a == "-h") {
            usage(nullptr);
            return 0;
        } else {
            return usage(("argomento sconosciuto " + a).c_str());
        }
    }
    if (opt.linkPath.empty()) {
        return usage("manca --link");
    }
    if (readers.size() > 64) {
        return usage("al massimo 64 lettori");
    }
    if (::pipe2(g_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("sentinex-readersim: pipe");
        return 1;
    }
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    if (exitWithParent) {
        // A parent that ended before this line has already handed us to init: end at once then.
        if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || ::getppid() == 1) {
            return 1;
        }
    }

    SimServer server(opt, std::move(readers));
    if (!server.start()) {
        return 1;
    }
    server.run(g_stop, g_wake[0]);
    return 0;
}
