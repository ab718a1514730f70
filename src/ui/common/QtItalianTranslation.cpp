#include "ui/common/QtItalianTranslation.hpp"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

#include <memory>

namespace sentinex {

namespace {

/// The installed translator; the application owns it, so it goes with the application.
QPointer<QTranslator>& installed() {
    static QPointer<QTranslator> translator;
    return translator;
}

} // namespace

bool QtItalianTranslation::install(const QString& folder) {
    if (isInstalled()) {
        return true;
    }
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        return false;
    }
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_it"), folder) ||
        !QCoreApplication::installTranslator(translator.get())) {
        return false;
    }
    translator->setParent(app);
    installed() = translator.release(); // the application owns it from here
    return true;
}

bool QtItalianTranslation::isInstalled() {
    return !installed().isNull();
}

void QtItalianTranslation::remove() {
    // Taken back from the application and deleted here.
    const std::unique_ptr<QTranslator> translator(installed().data());
    if (translator) {
        QCoreApplication::removeTranslator(translator.get());
    }
}

QString QtItalianTranslation::defaultFolder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

} // namespace sentinex
