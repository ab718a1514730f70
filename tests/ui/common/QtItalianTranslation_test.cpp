#include "ui/common/QtItalianTranslation.hpp"

#include "ui/support/WithoutQtTranslation.hpp"

#include <QDialogButtonBox>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace sentinex {
namespace {

using testing::WithoutQtTranslation;

/// What Qt itself puts on its standard buttons right now, with no help from our code.
struct QtButtonTexts {
    std::string yes, no, cancel, ok;
};
QtButtonTexts qtButtonTexts() {
    QDialogButtonBox box(QDialogButtonBox::Yes | QDialogButtonBox::No | QDialogButtonBox::Cancel |
                         QDialogButtonBox::Ok);
    return {box.button(QDialogButtonBox::Yes)->text().toStdString(),
            box.button(QDialogButtonBox::No)->text().toStdString(),
            box.button(QDialogButtonBox::Cancel)->text().toStdString(),
            box.button(QDialogButtonBox::Ok)->text().toStdString()};
}

TEST(QtItalianTranslationTest, InstallsQtsItalianTextsOnceAndTakesThemOut) {
    WithoutQtTranslation english;
    ASSERT_EQ(qtButtonTexts().yes, "&Yes") << "Qt's English texts to start from";

    ASSERT_TRUE(QtItalianTranslation::install())
        << "qtbase_it.qm not found in " << QtItalianTranslation::defaultFolder().toStdString()
        << " (package qt6-translations-l10n)";
    EXPECT_TRUE(QtItalianTranslation::isInstalled());
    EXPECT_TRUE(QtItalianTranslation::install()) << "a second call keeps the texts in place";
    const QtButtonTexts italian = qtButtonTexts();
    EXPECT_EQ(italian.yes, "&Sì");
    EXPECT_EQ(italian.no, "&No");
    EXPECT_EQ(italian.cancel, "Annulla");
    EXPECT_EQ(italian.ok, "OK");

    // One removal brings the English texts back: the second install did not stack another copy.
    QtItalianTranslation::remove();
    EXPECT_FALSE(QtItalianTranslation::isInstalled());
    EXPECT_EQ(qtButtonTexts().yes, "&Yes");
    EXPECT_EQ(qtButtonTexts().cancel, "Cancel");
    QtItalianTranslation::remove(); // removing twice is harmless
}

TEST(QtItalianTranslationTest, AMissingOrUnreadableFileLeavesQtsOwnTexts) {
    WithoutQtTranslation english;
    const struct {
        const char* what;
        const char* content; // of qtbase_it.qm in the folder; null: no such file
    } cases[] = {
        {"no file", nullptr}, {"not a translation file", "this is not a .qm file"}, {"empty file", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir folder;
        ASSERT_TRUE(folder.isValid());
        if (c.content) {
            QFile file(folder.filePath(QStringLiteral("qtbase_it.qm")));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.content);
        }
        EXPECT_FALSE(QtItalianTranslation::install(folder.path()));
        EXPECT_FALSE(QtItalianTranslation::isInstalled());
        EXPECT_EQ(qtButtonTexts().yes, "&Yes");
    }
}

} // namespace
} // namespace sentinex
