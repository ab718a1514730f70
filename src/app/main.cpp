#include "core/Clock.hpp"
#include "session/Session.hpp"
#include "ui/common/QtEventPump.hpp"
#include "ui/common/QtItalianTranslation.hpp"
#include "ui/common/QtOperator.hpp"
#include "ui/main/FrmMain.hpp"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    sentinex::QtItalianTranslation::install();
    sentinex::QtOperator op;
    sentinex::SystemClock clock;
    sentinex::QtEventPump pump;
    sentinex::Session session({}, op, clock, pump);
    sentinex::FrmMain window(session);
    if (const int code = window.load(); code != 0)
        return code;
    window.show();
    return QApplication::exec();
}
