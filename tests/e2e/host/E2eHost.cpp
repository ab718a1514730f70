// sentinex-e2e-host FOLDER: runs the main window of the installation in FOLDER with polling switched
// on, as an operator would leave it, until the process is ended. Message boxes are written to stderr
// (one line each) so nothing waits for a click.

#include "core/Clock.hpp"
#include "core/Operator.hpp"
#include "readers/AppState.hpp"
#include "session/Session.hpp"
#include "ui/common/QtEventPump.hpp"
#include "ui/main/FrmMain.hpp"

#include <QApplication>
#include <QPushButton>

#include <cstdio>
#include <cstdlib>

namespace {

class StderrOperator final : public sentinex::Operator {
public:
    void message(const std::string& title, const std::string& text, sentinex::MsgIcon) override {
        std::fprintf(stderr, "MESSAGE %s: %s\n", title.c_str(), text.c_str());
    }
    sentinex::Answer question(const std::string& title, const std::string& text, sentinex::MsgIcon,
                              bool) override {
        std::fprintf(stderr, "QUESTION %s: %s\n", title.c_str(), text.c_str());
        return sentinex::Answer::No;
    }
    std::string inputBox(const std::string& prompt, const std::string&, const std::string&) override {
        std::fprintf(stderr, "INPUT %s\n", prompt.c_str());
        return {};
    }
    void showWait() override {}
    void closeWait() override {}
    void beep() override {}
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: sentinex-e2e-host FOLDER\n");
        return 64;
    }
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    StderrOperator op;
    sentinex::SystemClock clock;
    sentinex::QtEventPump pump;
    sentinex::Session session(argv[1], op, clock, pump);
    sentinex::FrmMain window(session);
    if (const int code = window.load(); code != 0) {
        return code;
    }
    window.show();
    auto* polling = window.findChild<QPushButton*>(QStringLiteral("Command4"));
    if (!polling) {
        std::fprintf(stderr, "no Command4\n");
        return 70;
    }
    if (!session.state().pollingOn) { // a start-up that resumed polling has it on already
        polling->click();
    }
    std::fprintf(stdout, "polling\n");
    std::fflush(stdout);
    return QApplication::exec();
}
