// What every window of the program needs from the platform: the fonts it names, mapped to
// installed Japanese fonts where the Windows ones are missing, and Japanese texts on Qt's
// standard buttons.
#pragma once

class QCoreApplication;
class QFont;
class QString;

namespace turfpad {

inline constexpr const char* kGothic = "ＭＳ ゴシック";
inline constexpr const char* kPGothic = "ＭＳ Ｐゴシック";

// Maps ＭＳ ゴシック / MS Gothic to IPAGothic and ＭＳ Ｐゴシック / MS PGothic to IPAPGothic.
void InstallFontSubstitutes();
// Loads Qt's Japanese translation of its standard buttons (はい/いいえ/キャンセル) from Qt's
// translations folder, or from the program's own "translations" folder.
void InstallJapaneseTranslator(QCoreApplication* app);
// A font of the face at a pixel size, bold or not.
QFont PixelFont(const QString& face, int pixels, bool bold = false);

}  // namespace turfpad
