// Builds the user's guide Turfpad.pdf from its Markdown text, at build time.
// Usage: makemanual INPUT.md OUTPUT.pdf
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <cstdio>

#include "JapaneseUi.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: makemanual INPUT.md OUTPUT.pdf\n");
        return 2;
    }
    turfpad::InstallFontSubstitutes();
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "makemanual: cannot read %s\n", argv[1]);
        return 1;
    }
    QTextDocument doc;
    QFont font(QString::fromUtf8(turfpad::kPGothic));
    font.setPointSize(10);
    doc.setDefaultFont(font);
    doc.setDefaultStyleSheet("table { border-collapse: collapse; } td, th { padding: 3px; }");
    doc.setMarkdown(QString::fromUtf8(in.readAll()));

    QPdfWriter pdf(QString::fromLocal8Bit(argv[2]));
    pdf.setTitle(QString::fromUtf8("ターフパッド 使用説明書"));
    pdf.setCreator("Turfpad");
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
    pdf.setResolution(300);
    doc.setPageSize(QSizeF(pdf.width(), pdf.height()));
    doc.print(&pdf);
    return 0;
}
