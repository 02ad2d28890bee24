#include "ui/foundation/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QString>
#include <QTranslator>

bool InstallQtTranslation(QTranslator& translator, const std::string& lang)
{
    // A LANGUAGE-style list ("de:en") names its first choice first.
    const QString code = QString::fromStdString(lang.substr(0, lang.find(':')));
    const QLocale locale = code.isEmpty() ? QLocale::system() : QLocale(code);
    // Dates and numbers in Qt's widgets (date fields, calendars) follow the chosen language too.
    QLocale::setDefault(locale);
    if (!translator.load(locale, "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return false;
    }
    return QCoreApplication::installTranslator(&translator);
}

QString DateFieldFormat()
{
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    // A two-digit year ("yy" alone) becomes four digits.
    static const QRegularExpression shortYear("(^|[^y])yy(?!y)");
    return format.replace(shortYear, "\\1yyyy");
}
