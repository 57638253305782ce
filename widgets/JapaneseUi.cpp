#include "JapaneseUi.h"

#include <QCoreApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "settings/ProgramPlaces.h"

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
    // Qt's own translations folder first; then the copy a portable or installed program
    // carries: "translations" beside the program, or share/turfpad/translations.
    const std::filesystem::path shipped = ShippedFile(ProgramFolder(), "translations");
    const QString folders[] = {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                               QString::fromStdU16String(shipped.u16string())};
    // Every widget speaks Japanese, whatever the user's own locale: the calendar of the date
    // picker names its months and weekdays in Japanese and starts the week as Japan does.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    auto* translator = new QTranslator(app);
    for (const QString& folder : folders) {
        if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), "qtbase", "_", folder)) {
            app->installTranslator(translator);
            return;
        }
    }
    delete translator;
}

QFont PixelFont(const QString& face, int pixels, bool bold) {
    QFont f(face);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

}  // namespace turfpad
