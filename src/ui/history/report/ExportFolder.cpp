#include "ExportFolder.hpp"

#include <QFileInfo>

namespace sentinex {

QString& ExportFolder::folder() {
    static QString last;
    return last;
}

void ExportFolder::startIn(const QString& start) {
    if (folder().isEmpty()) {
        folder() = start;
    }
}

QString ExportFolder::current() {
    return folder();
}

QString ExportFolder::proposal(const QString& fileName) {
    return folder().isEmpty() ? fileName : folder() + QStringLiteral("/") + fileName;
}

void ExportFolder::remember(const QString& filePath) {
    folder() = QFileInfo(filePath).absolutePath();
}

} // namespace sentinex
