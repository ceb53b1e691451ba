// The window's rules that need no window: cell texts of a row, the method
// column, and putting a path that the shell split at blanks back together.
#include <ctime>

#include <QBrush>
#include <QDir>
#include <QGuiApplication>
#include <QPalette>
#include <QLocale>
#include <QTest>
#include <QTextDocument>

#include "ArchiveMaker.h"
#include "app/list/ColumnFit.h"
#include "app/texts/ListTexts.h"
#include "app/window/MainState.h"
#include "app/list/ZipListModel.h"
#include "engine/archive/ZipFormat.h"

using namespace valbrix;
using valbrix::test::Path;
using valbrix::test::TempDir;
using valbrix::test::WriteFile;

namespace {

uint32_t DosDateTime(int year, int month, int day, int hour, int minute, int second)
{
    return uint32_t((year - 1980) << 25 | month << 21 | day << 16 | hour << 11 | minute << 5 | second / 2);
}

}  // namespace

class TestListTexts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    // Catches the date and time words swapped, a missing double blank, a
    // two-digit year, a time-zone shift of the local MS-DOS time, and invalid
    // dates shown as garbage.
    void dateText()
    {
        QCOMPARE(DateText(DosDateTime(2025, 4, 15, 13, 33, 2)), QString("15.04.2025  13:33"));
        QCOMPARE(DateText(DosDateTime(1999, 12, 31, 0, 0, 0)), QString("31.12.1999  00:00"));
        QCOMPARE(DateText(0), QString());                                  // month and day 0
        QCOMPARE(DateText(DosDateTime(2023, 2, 30, 10, 0, 0)), QString()); // no such day
        QCOMPARE(DateText(DosDateTime(2023, 2, 3, 25, 0, 0)), QString());  // no such hour
        QCOMPARE(DateText(DosDateTime(2023, 13, 3, 1, 0, 0)), QString());  // no such month
    }

    // Catches an exact (UTC) time shown as UTC instead of the local time, or
    // shifted twice: 2023-11-14 22:13:20 UTC is 23:13 in Berlin.
    void exactDateText()
    {
        const QByteArray old = qgetenv("TZ");
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        ::tzset();
        QCOMPARE(ExactDateText(1700000000), QString("14.11.2023  23:13"));
        qputenv("TZ", "UTC0");
        ::tzset();
        QCOMPARE(ExactDateText(1700000000), QString("14.11.2023  22:13"));
        if (old.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", old);
        ::tzset();
    }

    // Catches a division by zero for empty entries, truncation instead of
    // rounding, and a grown entry shown as saving space.
    void ratioText()
    {
        QCOMPARE(RatioText(0, 0), QString("0%"));
        QCOMPARE(RatioText(0, 20), QString("0%"));
        QCOMPARE(RatioText(1000, 250), QString("75%"));
        QCOMPARE(RatioText(1000, 1030), QString("-3%"));
        QCOMPARE(RatioText(3, 1), QString("67%"));
        QCOMPARE(RatioText(1000, 1000), QString("0%"));
        QCOMPARE(RatioText(1000, 1001), QString("0%"));  // not "-0%"
        QCOMPARE(RatioText(4000000000u, 1), QString("100%"));  // no 32-bit overflow
    }

    // Catches the name and folder cut at the wrong delimiter or with a trailing one.
    // Catches a wrong key size in the method column, a suffix on plain
    // entries, or one on encryption that cannot be opened.
    void encryptionSuffix()
    {
        QCOMPARE(EncryptionSuffix(0, 0), QString());
        QCOMPARE(EncryptionSuffix(gpEncrypted, 0), QString(" + ZipCrypto"));
        QCOMPARE(EncryptionSuffix(gpEncrypted, 1), QString(" + AES-128"));
        QCOMPARE(EncryptionSuffix(gpEncrypted, 2), QString(" + AES-192"));
        QCOMPARE(EncryptionSuffix(gpEncrypted, 3), QString(" + AES-256"));
        QCOMPARE(EncryptionSuffix(gpEncrypted | gpStrongEncryption, 0), QString());

        // Catches the AES marker named instead of the method under it, in the
        // column and in the reason a row is greyed.
        TZipEntry aes;
        aes.Method = zmAes;
        aes.Flags = gpEncrypted;
        aes.Aes = {2, 3, zmDeflated};
        QCOMPARE(MethodText(aes), QString("Deflate + AES-256"));
        QCOMPARE(RefusalText(aes), QString());
        aes.Aes.Method = 98;
        QCOMPARE(RefusalText(aes), QString::fromUtf8("Komprimierungsverfahren PPMd wird nicht unterstützt"));
        TZipEntry strong;
        strong.Flags = gpEncrypted | gpStrongEncryption;
        QCOMPARE(RefusalText(strong), QString::fromUtf8("Verschlüsselungsverfahren wird nicht unterstützt"));
    }

    void nameAndFolderParts()
    {
        QCOMPARE(FileNamePart("a.txt"), QString("a.txt"));
        QCOMPARE(FolderPart("a.txt"), QString());
        QCOMPARE(FileNamePart("docs/sub/a.txt"), QString("a.txt"));
        QCOMPARE(FolderPart("docs/sub/a.txt"), QString("docs/sub"));
        QCOMPARE(FileNamePart("docs/"), QString());
        QCOMPARE(FileNamePart("time 10:30.txt"), QString("time 10:30.txt"));  // ':' is a name character here
    }

    // Catches a method column missing or out of place, a method named wrongly,
    // a row we cannot extract shown like the others or without its reason,
    // and a row we can extract greyed or given a tooltip.
    void methodColumnGreysWhatWeCannotExtract()
    {
        TZipListModel model;
        QCOMPARE(model.headerData(lcMethod, Qt::Horizontal).toString(), QString("Methode"));
        QCOMPARE(lcMethod, lcFolder + 1);
        const std::pair<uint16_t, const char*> methods[] = {
            {0, "Gespeichert"}, {9, "Deflate64"}, {12, "BZip2"}, {14, "LZMA"}, {93, "Zstandard"},
            {95, "XZ"}, {3, "Reduce 2"}, {98, "PPMd"}, {200, "200"},
        };
        auto table = std::make_shared<TEntryTable>();
        for (const auto& [method, name] : methods) {
            TZipEntry entry;
            entry.Method = method;
            entry.FileName = name;
            table->Append(entry);
        }
        model.SetTable(table);
        for (int row = 0; row < model.rowCount(); ++row) {
            const QModelIndex name = model.index(row, lcName), method = model.index(row, lcMethod);
            QCOMPARE(method.data().toString(), name.data().toString());
            const bool refused = name.data().toString() == "PPMd" || name.data().toString() == "200";
            QCOMPARE(name.data(Qt::ForegroundRole).isValid(), refused);
            QCOMPARE(method.data(Qt::ToolTipRole).isValid(), refused);
        }
        const auto tooltipOf = [&](const QString& caption) {
            for (int row = 0; row < model.rowCount(); ++row)
                if (model.index(row, lcName).data().toString() == caption)
                    return model.index(row, lcDate).data(Qt::ToolTipRole).toString();
            return QString();
        };
        QCOMPARE(tooltipOf("PPMd"), QString("Komprimierungsverfahren PPMd wird nicht unterstützt"));
        QCOMPARE(tooltipOf("200"), QString("Komprimierungsverfahren 200 wird nicht unterstützt"));
        for (int row = 0; row < model.rowCount(); ++row)
            if (model.index(row, lcName).data().toString() == "PPMd")
                QCOMPARE(model.index(row, lcName).data(Qt::ForegroundRole).value<QBrush>().color(),
                         QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text));
    }

    // Catches an entry comment missing from its row's tooltip or shown on
    // another row after sorting, markup in it rendered (a link, bold text),
    // control characters left raw, the refusal lost beside it, and a huge
    // comment shown whole.
    void rowTooltipsCarryTheEntryComment()
    {
        const struct {
            const char* name;
            uint16_t method;
            std::string comment;
            QString shown;  // the tooltip as rendered text; empty: no tooltip
        } rows[] = {
            {"a", 0, "", ""},
            {"b", 0, "<a href=\"file:///etc\">hier</a> <b>fett</b>\x1b", "<a href=\"file:///etc\">hier</a> <b>fett</b>\u241b"},
            {"c", 98, "Zeile 1\r\nZeile 2", "Komprimierungsverfahren PPMd wird nicht unterstützt\n\nZeile 1\nZeile 2"},
            {"d", 0, std::string(5000, 'k'), QString(1000, 'k') + " …"},
        };
        auto table = std::make_shared<TEntryTable>();
        for (const auto& row : rows) {
            TZipEntry entry;
            entry.FileName = row.name;
            entry.Method = row.method;
            entry.Comment = row.comment;
            table->Append(entry);
        }
        TZipListModel model;
        model.SetTable(table);
        model.sort(lcName, Qt::DescendingOrder);
        for (int i = 0; i < model.rowCount(); ++i) {
            const QString name = model.index(i, lcName).data().toString();
            const auto& row = rows[name.at(0).unicode() - 'a'];
            const QVariant tip = model.index(i, lcName).data(Qt::ToolTipRole);
            QCOMPARE(tip.isValid(), !row.shown.isEmpty());
            QTextDocument rendered;
            rendered.setHtml(tip.toString());
            QCOMPARE(rendered.toPlainText(), row.shown);
        }
    }

    // Catches a path not rebuilt from its pieces, relative pieces joined,
    // an earlier file winning over a later one, and a folder taken for a file.
    void commandLineReassembly()
    {
        TempDir dir;
        QDir().mkpath(Path(dir, "My Files"));
        WriteFile(dir / "My Files" / "a.zip", std::string("x"));
        WriteFile(dir / "first.zip", std::string("x"));
        WriteFile(dir / "second.zip", std::string("x"));
        const QString base = Path(dir, "");
        QCOMPARE(ReassembleArchivePath({}), QString());
        QCOMPARE(ReassembleArchivePath({base + "nothing.zip"}), QString());
        QCOMPARE(ReassembleArchivePath({base + "My", "Files/a.zip"}), base + "My Files/a.zip");
        QCOMPARE(ReassembleArchivePath({base + "first.zip", base + "second.zip"}), base + "second.zip");
        QCOMPARE(ReassembleArchivePath({base + "My Files"}), QString());
        QCOMPARE(ReassembleArchivePath({base + "first.zip", "stray"}), base + "first.zip");

        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(base));
        QCOMPARE(ReassembleArchivePath({"My", "Files/a.zip"}), QString());  // a relative piece is dropped
        QCOMPARE(ReassembleArchivePath({"first.zip"}), QString("first.zip"));
        QDir::setCurrent(previous);
    }

    // Catches a fit that lets the columns run past the list, cuts a column
    // below its caption, or takes room from the narrow columns while a wide
    // one could give it.
    void columnsFitTheirContentsWithinTheList()
    {
        const struct {
            std::vector<int> wanted, least;
            int available;
            std::vector<int> fitted;
        } cases[] = {
            {{80, 120, 60}, {50, 60, 40}, 400, {80, 120, 60}},    // room for all
            {{30, 120, 60}, {50, 60, 40}, 400, {50, 120, 60}},    // never below the caption
            {{400, 120, 300}, {50, 60, 40}, 620, {250, 120, 250}},  // the widest give way together
            {{400, 120, 60}, {50, 60, 40}, 300, {120, 120, 60}},  // down to the next widest only
            {{400, 120, 60}, {50, 60, 40}, 260, {100, 100, 60}},  // then that one joins
            {{400, 120, 60}, {50, 60, 40}, 100, {50, 60, 40}},    // no room: the captions stay
        };
        for (const auto& c : cases)
            QCOMPARE(FitColumnWidths(c.wanted, c.least, c.available), c.fitted);
    }
};

QTEST_MAIN(TestListTexts)
#include "tst_ListTexts.moc"
