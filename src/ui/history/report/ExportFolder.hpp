#pragma once

#include <QString>

namespace sentinex {

/// Where the export dialogs ("Esporta CSV", "Esporta CSV presenze", "Esporta PDF") open: one folder for
/// all of them, the folder of the last file exported, for as long as the program runs.
class ExportFolder {
public:
    /// The folder used until something is exported (the program folder); an earlier one is kept.
    static void startIn(const QString& folder);
    /// The folder the next dialog opens in (empty before startIn or remember).
    static QString current();
    /// The path a dialog proposes: `fileName` in the current folder (just `fileName` without one).
    static QString proposal(const QString& fileName);
    /// Remembers the folder of `filePath`, the file just exported.
    static void remember(const QString& filePath);

private:
    static QString& folder();
};

} // namespace sentinex
