#include "ui/foundation/QtTranslation.h"
#include "EnvGuard.h"

#include <QCoreApplication>
#include <QDate>
#include <QLocale>
#include <QTranslator>
#include <gtest/gtest.h>
#include <utility>

// Qt's standard buttons and file dialogs come from Qt's catalogue: German while it is installed,
// English again once it is gone; a language Qt has no catalogue for installs nothing.
TEST(QtTranslation, StandardButtonsFollowTheLanguage)
{
    {
        QTranslator translator;
        ASSERT_TRUE(InstallQtTranslation(translator, "de:en"));
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel").toStdString(), "Abbrechen");
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes").toStdString(), "&Ja");
        EXPECT_EQ(QLocale().toString(QDate(2026, 12, 9), QLocale::ShortFormat), "09.12.26");
    }
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel").toStdString(), "Cancel");
    QTranslator none;
    EXPECT_FALSE(InstallQtTranslation(none, "xx"));
    // The system's language, when LANGUAGE chose German: German dates whatever LC_* say.
    {
        TEnvGuard env;
        env.Set("LANGUAGE", "de").Set("LC_ALL", "C");
        QTranslator system;
        EXPECT_TRUE(InstallQtTranslation(system, ""));
        EXPECT_EQ(QDate(2026, 12, 10).toString(DateFieldFormat()).toStdString(), "10.12.2026");
    }
    QLocale::setDefault(QLocale::c());
}

// Date fields show the whole year in the program's language, whatever its short format has.
TEST(QtTranslation, DateFieldsShowTheWholeYear)
{
    const QDate day(2026, 12, 9);
    for (const auto& [language, shown] : {std::pair{QLocale::German, "09.12.2026"}, {QLocale::English, "12/9/2026"}}) {
        QLocale::setDefault(QLocale(language, QLocale::AnyTerritory));
        EXPECT_EQ(day.toString(DateFieldFormat()).toStdString(), shown) << DateFieldFormat().toStdString();
    }
    QLocale::setDefault(QLocale::c());
    EXPECT_TRUE(DateFieldFormat().contains("yyyy"));
}
