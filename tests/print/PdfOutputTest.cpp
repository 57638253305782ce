#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>

#include "PdfOutput.h"
#include "PrintTestSupport.h"
#include "QtPrinter.h"
#include "TempDir.h"

namespace turfpad {
namespace {

using testing::Race;
using testing::TableGrid;

// Where the files go: a temporary folder, or TURFPAD_PDF_DIR to keep them for a look.
struct PdfFixture : ::testing::Test {
    testing::TempDir dir;
    QString Path(const char* name) const {
        QString keep = qEnvironmentVariable("TURFPAD_PDF_DIR");
        if (!keep.isEmpty()) return QDir(keep).filePath(name);
        return QString::fromStdString((dir.path() / name).string());
    }
    // The page objects of a PDF ("/Type /Page", not the "/Type /Pages" tree).
    static int PageCount(const QString& path) {
        std::string pdf = testing::ReadAll(path.toStdString());
        if (pdf.rfind("%PDF-", 0) != 0) return -1;
        int pages = 0;
        const std::string tag = "/Type /Page";
        for (std::size_t at = pdf.find(tag); at != std::string::npos; at = pdf.find(tag, at + 1))
            if (at + tag.size() < pdf.size() && pdf[at + tag.size()] != 's') ++pages;
        return pages;
    }
};

TEST(PdfPrinter, IsA4PortraitAt600Dpi) {
    std::unique_ptr<QtPrinter> printer = QtPrinter::PdfFile(QStringLiteral("unused.pdf"));
    EXPECT_TRUE(printer->IsPdf());
    EXPECT_TRUE(printer->Installed());
    EXPECT_EQ(printer->DpiX(), 600);
    EXPECT_EQ(printer->DpiY(), 600);
    EXPECT_EQ(printer->SheetSize(), QSize(4958, 7017));
    QRect printable(printer->PrintableOffset(), printer->PrintableSize());
    EXPECT_TRUE(QRect(QPoint(0, 0), printer->SheetSize()).contains(printable));
    EXPECT_GT(printable.height(), 6317);  // room for a race card of 18 runners below 10 mm
}

TEST_F(PdfFixture, AsksForTheFileSuggestingTheDayInTheFolderUsedLastAndTellsWhereItWent) {
    QStringList asked;
    QString answer;
    QtPrinter printer([&](const QString& suggested) {
        asked << suggested;
        return answer;
    });
    if (!printer.IsPdf()) GTEST_SKIP() << "a system printer is installed here";
    QStringList saved;
    printer.SetSavedNotice([&](const QString& path) { saved << path; });
    printer.SetSuggestedFileName(QString::fromUtf8("2026年12月12日中山"));
    testing::MapIni ini;
    printer.RememberFolderIn(ini);

    // Cancelled: no job, nothing written, nothing told.
    EXPECT_FALSE(printer.BeginJob(QStringLiteral("x")));
    EXPECT_TRUE(printer.JobDeclined());
    EXPECT_EQ(printer.Painter(), nullptr);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].endsWith(QString::fromUtf8("/2026年12月12日中山.pdf"))) << asked[0].toStdString();

    // Saved into a folder of the user's choice; the next job suggests the next day there.
    answer = Path("chosen.pdf");
    ASSERT_TRUE(printer.BeginJob(QStringLiteral("x")));
    ASSERT_TRUE(printer.EndJob());
    EXPECT_EQ(saved, QStringList{QFileInfo(answer).absoluteFilePath()});
    EXPECT_TRUE(QFileInfo::exists(answer));
    printer.SetSuggestedFileName(QString::fromUtf8("2026年12月13日中山"));
    answer.clear();
    EXPECT_FALSE(printer.BeginJob(QStringLiteral("x")));
    ASSERT_EQ(asked.size(), 3);
    EXPECT_EQ(asked[2],
              QDir(QFileInfo(Path("chosen.pdf")).absolutePath()).filePath(QString::fromUtf8("2026年12月13日中山.pdf")));
    EXPECT_EQ(saved.size(), 1);
    EXPECT_EQ(QtPrinter::SuggestedPath("/d", "a.PDF"), QStringLiteral("/d/a.PDF"));

    // The folder outlives the program in the settings file: the next start offers it again.
    const QString folder = QFileInfo(Path("chosen.pdf")).absolutePath();
    EXPECT_EQ(ini.ReadString("pdf", "folder", ""), folder.toStdString());
    QtPrinter restarted([&](const QString& suggested) {
        asked << suggested;
        return QString();
    });
    restarted.RememberFolderIn(ini);
    restarted.SetSuggestedFileName(QStringLiteral("day"));
    EXPECT_FALSE(restarted.BeginJob(QStringLiteral("x")));
    EXPECT_EQ(asked.back(), QDir(folder).filePath(QStringLiteral("day.pdf")));
    // A kept folder that has gone is passed over.
    ini.WriteString("pdf", "folder", (folder + "/gone").toStdString());
    QtPrinter moved([&](const QString& suggested) {
        asked << suggested;
        return QString();
    });
    moved.RememberFolderIn(ini);
    moved.SetSuggestedFileName(QStringLiteral("day"));
    EXPECT_FALSE(moved.BeginJob(QStringLiteral("x")));
    EXPECT_FALSE(asked.back().contains(QStringLiteral("/gone/"))) << asked.back().toStdString();
}

TEST_F(PdfFixture, WritesOneRaceCardPagePerRace) {
    std::vector<PrintedRace> races;
    std::vector<int> posts{1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 7, 8, 8, 8};
    races.push_back(Race(11, posts));
    races.back().runners[2].blinker = "1";
    races.back().runners[5].apprentice = "1";
    races.push_back(Race(5, {1, 2, 3, 4, 5, 6, 7}));
    races.push_back(Race(1, {0, 0, 0}));
    QString path = Path("racecards.pdf");
    QString error;
    ASSERT_TRUE(WriteRaceCardsPdf(path, races, &error)) << error.toStdString();
    EXPECT_EQ(PageCount(path), 3);
}

TEST_F(PdfFixture, WritesAGridAsTheGridPrinterPrintsIt) {
    TableGrid grid({40, 70, 110, 64, 44, 80, 80, 80, 80, 80, 80}, std::vector<int>(13, 15));
    for (int r = 0; r < 13; ++r) grid.cells[{1, r}] = QStringLiteral("東京%1R").arg(r + 1);
    QString path = Path("schedule.pdf");
    QString error;
    ASSERT_TRUE(WriteGridPdf(path, grid, "2024052605020811", &error)) << error.toStdString();
    EXPECT_EQ(PageCount(path), 2);  // 808 grid pixels do not fit across 190 mm
}

TEST_F(PdfFixture, RefusesWhatCannotBeWritten) {
    QString error;
    EXPECT_FALSE(WriteRaceCardsPdf(Path("none.pdf"), {}, &error));
    EXPECT_FALSE(error.isEmpty());
    TableGrid grid({40}, {15});
    EXPECT_FALSE(WriteGridPdf(Path("blank.pdf"), grid, "", &error));
    EXPECT_EQ(error, QStringLiteral("分析用ﾃﾞｰﾀを選択してください。"));
    EXPECT_FALSE(WriteGridPdf(Path("bad.pdf"), grid, "2024XX26", &error));
    EXPECT_FALSE(QFileInfo::exists(Path("bad.pdf")));
    std::vector<PrintedRace> one{Race(1)};
    QString nowhere = QString::fromStdString((dir.path() / "missing" / "x.pdf").string());
    EXPECT_FALSE(WriteRaceCardsPdf(nowhere, one, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("書き込めません")));
}

// Qt's file dialog lists the files' dates as 2025/03/04 9:05, whatever the system's locale.
TEST_F(PdfFixture, TheSaveDialogDatesAreJapanese) {
    const QString file = Path("day.pdf");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.setFileTime(QDateTime(QDate(2025, 3, 4), QTime(9, 5)), QFileDevice::FileModificationTime));
    f.close();
    QFileSystemModel files;
    JapaneseFileDates dates;
    dates.setSourceModel(&files);
    const QModelIndex at = files.index(file, 3);
    EXPECT_EQ(dates.mapFromSource(at).data().toString(), QStringLiteral("2025/03/04 9:05"));
    EXPECT_EQ(dates.mapFromSource(files.index(file, 0)).data().toString(), QStringLiteral("day.pdf"));
}

}  // namespace
}  // namespace turfpad
