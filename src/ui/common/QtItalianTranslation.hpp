#pragma once

#include <QString>

namespace sentinex {

/// Qt's own Italian texts ("qtbase_it.qm" of the Qt translations): the standard buttons of question and
/// input boxes ("Sì", "No", "Annulla", "OK"), the edit menus of text boxes, the print and file dialogs.
/// Installed once into the running application, before the first window.
class QtItalianTranslation {
public:
    /// Loads the file from `folder` (Qt's translations folder by default) and installs it. True when the
    /// texts are in place, also when they already were; false when the file is missing or unreadable,
    /// in which case the operator's boxes set their button texts themselves.
    static bool install(const QString& folder = defaultFolder());
    /// Whether the texts are installed.
    static bool isInstalled();
    /// Takes the texts out again (Qt's English ones come back).
    static void remove();
    /// The folder where Qt keeps its translations on this machine.
    static QString defaultFolder();
};

} // namespace sentinex
