#include "JapaneseUi.h"

#include <QCoreApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace turfpad {

void InstallFontSubstitutes() {
#ifndef _WIN32
    QFont::insertSubstitutions(QString::fromUtf8(kGothic), {"IPAGothic", "IPAゴシック"});
    QFont::insertSubstitutions("MS Gothic", {"IPAGothic"});
    QFont::insertSubstitutions(QString::fromUtf8(kPGothic), {"IPAPGothic", "IPA Pゴシック"});
    QFont::insertSubstitutions("MS PGothic", {"IPAPGothic"});
#endif
}

void InstallJapaneseTranslator(QCoreApplication* app) {
    // Every widget speaks Japanese, whatever the user's own locale: the calendar of the date
    // picker names its months and weekdays in Japanese and starts the week as Japan does.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    auto* translator = new QTranslator(app);
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), "qtbase", "_",
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app->installTranslator(translator);
    else
        delete translator;
}

QFont PixelFont(const QString& face, int pixels, bool bold) {
    QFont f(face);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

}  // namespace turfpad
