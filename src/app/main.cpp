#include "ui/main/FrmMain.hpp"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    sentinex::FrmMain window;
    if (const int code = window.load(); code != 0)
        return code;
    window.show();
    return QApplication::exec();
}
