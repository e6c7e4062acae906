// Qt's own boxes and dialogs speak German like the rest of the program, also where the
// user's locale is another (the tests run under C.UTF-8).
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "shell/qt_translations.h"

TEST(QtTranslations, QtsOwnTextsAreGermanWhateverTheLocale) {
  int argc = 1;
  char name[] = "qt_translations_test";
  char* argv[] = {name, nullptr};
  QCoreApplication application(argc, argv);
  ASSERT_TRUE(orv::installGermanQtTranslations(application));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
  EXPECT_EQ(QCoreApplication::translate("QPrintDialog", "Print"), QStringLiteral("Drucken"));
}
