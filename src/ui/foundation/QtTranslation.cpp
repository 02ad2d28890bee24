#include "ui/foundation/QtTranslation.h"

#include "foundation/Translate.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QString>
#include <QTranslator>

namespace {

// The locale of a language of the program; for the system's, the session's formats unless
// the program speaks another language than they do (LANGUAGE=de in a session of the C
// locale): its texts and its dates agree, as the program's own dates do. A session in the
// C locale writes English.
QLocale ProgramLocale(const QString& code)
{
    if (!code.isEmpty()) {
        return QLocale(code);
    }
    const QLocale session = QLocale::system();
    const QLocale spoken(QString::fromStdString(TranslationLanguage()));
    if (spoken.language() == QLocale::English || spoken.language() == session.language()) {
        return session;
    }
    return spoken;
}

} // namespace

bool InstallQtTranslation(QTranslator& translator, const std::string& lang)
{
    // A LANGUAGE-style list ("de:en") names its first choice first.
    const QLocale locale = ProgramLocale(QString::fromStdString(lang.substr(0, lang.find(':'))));
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
