// sentinex-bus: sends one request on an installation's reader bus and shows the reply.
#include "ConsoleOperator.hpp"
#include "core/Clock.hpp"
#include "core/EventPump.hpp"
#include "core/ProgramFolder.hpp"
#include "core/Settings.hpp"
#include "core/SettingsFile.hpp"
#include "link/EscapedText.hpp"
#include "link/Link.hpp"
#include "link/ReaderReply.hpp"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

using namespace sentinex;

namespace {

int usage(const std::string& why) {
    if (!why.empty()) {
        std::fprintf(stderr, "sentinex-bus: %s\n", why.c_str());
    }
    std::fprintf(stderr,
                 "uso: sentinex-bus [--folder CARTELLA] [--loop N] [--timing comando|breve|medio] RICHIESTA\n"
                 "     invia RICHIESTA sulla linea dei lettori dell'installazione e mostra la risposta;\n"
                 "     RICHIESTA ammette \\xHH per un byte qualsiasi e \\\\ per una barra rovesciata\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string folder;
    int loop = 1;
    Timing timing = Timing::Command;
    std::optional<std::string> payload;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= argc) {
                return std::nullopt;
            }
            return std::string(argv[++i]);
        };
        if (a == "--folder") {
            auto v = value();
            if (!v) {
                return usage("--folder vuole una cartella");
            }
            folder = *v;
        } else if (a == "--loop") {
            auto v = value();
            char* end = nullptr;
            const long n = v ? std::strtol(v->c_str(), &end, 10) : 0;
            if (!v || *end != '\0' || n < 1 || n > 8) {
                return usage("--loop vuole un numero di loop da 1 a 8");
            }
            loop = static_cast<int>(n);
        } else if (a == "--timing") {
            auto v = value();
            if (v == "comando") {
                timing = Timing::Command;
            } else if (v == "breve") {
                timing = Timing::Short;
            } else if (v == "medio") {
                timing = Timing::Medium;
            } else {
                return usage("--timing vale comando, breve o medio");
            }
        } else if (a == "--help" || a == "-h") {
            usage("");
            return 0;
        } else if (!payload && (a.empty() || a[0] != '-')) {
            payload = unescapeBytes(a);
            if (!payload) {
                return usage("sequenza non valida nella richiesta " + a);
            }
        } else {
            return usage("argomento inatteso " + a);
        }
    }
    if (!payload) {
        return usage("manca la richiesta da inviare");
    }
    if (payload->find('\x05') != std::string::npos) {
        return usage("la richiesta non può contenere il byte di fine 05");
    }
    const ProgramFolder dir = folder.empty() ? ProgramFolder::ofExecutable() : ProgramFolder(folder);
    Settings settings = SettingsFile(dir.settings()).loadAll();
    SystemClock clock;
    NullEventPump pump;
    ConsoleOperator op;
    Link link(settings, dir.settings(), clock, pump, op);
    if (!link.openPort()) {
        std::fprintf(stderr, "sentinex-bus: %s\n", link.lastError().c_str());
        return 2;
    }
    // The payload carries its own address; the link needs the loop only.
    const std::string reply = link.exchange(ReaderAddress{loop, 0, 0}, *payload, timing);
    std::string hex;
    for (char c : reply) {
        char buf[4];
        std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned char>(c));
        if (!hex.empty()) {
            hex += ' ';
        }
        hex += buf;
    }
    std::printf("%s\n%s\n", hex.c_str(), ReaderReply::describe(reply).c_str());
    return reply.empty() ? 1 : 0;
}
