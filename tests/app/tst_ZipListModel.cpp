// The list's rows against the directory they come from, the name order (its
// fast weights held against the collator), and the order by each column.
#include <random>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QTest>
#include <QTreeView>

#include "ArchiveMaker.h"
#include "MessageBoxScript.h"
#include "app/texts/ListTexts.h"
#include "app/window/MainUnit.h"
#include "app/tools/MyTools.h"
#include "app/list/NameCollation.h"
#include "app/list/ZipListModel.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

QString Q(const fs::path& path)
{
    return QString::fromStdString(path.string());
}

CraftedEntry Named(const std::string& rawName, uint16_t flags, const std::string& content)
{
    CraftedEntry entry = StoredEntry(rawName, Bytes(content.begin(), content.end()));
    entry.Flags = flags;
    return entry;
}

// The captions of the rows, top to bottom.
QStringList Captions(const TZipListModel& model)
{
    QStringList captions;
    for (int row = 0; row < model.rowCount(); ++row)
        captions << model.CellText(row, lcName) + (model.CellText(row, lcFolder).isEmpty() ? "" : "@" + model.CellText(row, lcFolder));
    return captions;
}

std::vector<std::string> Texts(const std::vector<std::string>& texts, const std::vector<uint32_t>& order)
{
    std::vector<std::string> ordered;
    for (uint32_t i : order)
        ordered.push_back(texts[i]);
    return ordered;
}

std::vector<uint32_t> OrderOf(const TNameCollation& collation, const std::vector<std::string>& texts)
{
    return collation.Order(texts.size(), [&](uint32_t i) { return std::string_view(texts[i]); });
}

std::shared_ptr<TEntryTable> TableOf(const std::vector<TZipEntry>& entries)
{
    auto table = std::make_shared<TEntryTable>();
    for (const TZipEntry& entry : entries)
        table->Append(entry);
    return table;
}

TZipEntry Entry(const std::string& name, uint64_t uncompressed, uint64_t compressed, uint32_t dosDateTime)
{
    TZipEntry entry;
    entry.FileName = name;
    entry.UncompressedSize = uncompressed;
    entry.CompressedSize = compressed;
    entry.DosDateTime = dosDateTime;
    return entry;
}

}  // namespace

class TestZipListModel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void cleanup() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    // Catches a packing fault in the rows: a cell that differs from the
    // directory's record (name split, CP437 or UTF-8 name, 64-bit sizes,
    // date, ratio), a folder entry given a row, a file entry without one,
    // and a record that the extraction would get wrong.
    void rowsMatchTheDirectoryRecords()
    {
        TempDir dir;
        CraftedEntry zip64 = StoredEntry("iso/big.iso", Bytes{'b'});
        zip64.UncompressedSize = zip64.CompressedSize = 0xFFFFFFFFu;
        zip64.Extra = Zip64Extra({0x140000000ull, 0x100000003ull});
        CraftedEntry packed = StoredEntry("packed.txt", Bytes(250, 'p'));
        packed.UncompressedSize = 1000, packed.Method = 8, packed.DosDateTime = 0x12345678;
        // AES entries: the method column names the method under the encryption and the key.
        CraftedEntry aes256 = StoredEntry("secret.txt", Bytes(40, 'e'));
        aes256.Method = 99, aes256.Flags = 1;
        aes256.Extra = Bytes{0x01, 0x99, 7, 0, 2, 0, 'A', 'E', 3, 8, 0};
        CraftedEntry aes128 = aes256;
        aes128.Name = "ppmd.txt";
        aes128.Extra = Bytes{0x01, 0x99, 7, 0, 1, 0, 'A', 'E', 1, 98, 0};
        const struct {
            const char* what;
            std::vector<CraftedEntry> entries;
        } archives[] = {
            {"flat", {Named("b.txt", 0, "b"), Named("A.txt", 0, "aa"), packed}},
            {"folders", {Named("docs/", 0, ""), Named("docs/readme.txt", 0, "r"), Named("src/deep/x.c", 0, "x"),
                         Named("x.c", 0, "top")}},
            {"CP437", {Named("\x84pfel/\x94l.txt", 0, "oil"), Named("Stra\xe1" "e.txt", 0, "street")}},
            {"UTF-8", {Named("Überblick/straße.txt", 0x800, "utf"), Named("日本/名前.txt", 0x800, "jp")}},
            {"ZIP64", {zip64, Named("small.txt", 0, "s")}},
            {"AES", {aes256, aes128}},
        };
        for (const auto& archive : archives) {
            CraftedZip zip;
            for (const CraftedEntry& entry : archive.entries)
                zip.Add(entry);
            const fs::path path = dir / (std::string(archive.what) + ".zip");
            WriteFile(path, zip.Build());
            std::vector<TZipEntry> records;
            QCOMPARE(ListZipEntries(path.string(), records), dsComplete);

            TMain w;
            QVERIFY2(w.OpenArchive(Q(path)), archive.what);
            QStringList rows, want;
            for (int row = 0; row < w.Model->rowCount(); ++row) {
                const TZipEntry& record = records.at(w.Model->EntryIndex(row));
                const TZipEntry got = w.Model->Table()->Entry(w.Model->EntryIndex(row));
                QVERIFY2(got.FileName == record.FileName && got.UncompressedSize == record.UncompressedSize &&
                             got.CompressedSize == record.CompressedSize && got.Crc32 == record.Crc32 &&
                             got.LocalHeaderOffset == record.LocalHeaderOffset && got.Method == record.Method &&
                             got.Flags == record.Flags && got.Attributes == record.Attributes &&
                             got.DosDateTime == record.DosDateTime && EntryMethod(got) == EntryMethod(record),
                         archive.what);
                QCOMPARE(w.Model->data(w.Model->index(row, lcName), Qt::ToolTipRole).toString(), RefusalText(record));
                QStringList cells;
                for (int column = 0; column < lcCount; ++column)
                    cells << w.Model->CellText(row, column);
                rows << cells.join('|');
            }
            for (const TZipEntry& record : records) {
                const QString name = QString::fromUtf8(record.FileName);
                if (FileNamePart(name).isEmpty())
                    continue;
                want << QStringList{FileNamePart(name), DateText(record.DosDateTime),
                                    MyTools().FormatSize(SizeForTotal(record.UncompressedSize)),
                                    RatioText(record.UncompressedSize, record.CompressedSize),
                                    MyTools().FormatSize(SizeForTotal(record.CompressedSize)), FolderPart(name),
                                    MethodText(record)}
                            .join('|');
            }
            rows.sort();
            want.sort();
            QCOMPARE(rows, want);
        }

        // The names as the extraction writes them from the rows' records.
        TMain w;
        QVERIFY(w.OpenArchive(Q(dir / "CP437.zip")));
        const fs::path out = dir / "out";
        fs::create_directories(out);
        TExtractList all{w.Model->Table(), {}};
        for (int row = 0; row < w.Model->rowCount(); ++row)
            all.Indices.push_back(w.Model->EntryIndex(row));
        QProgressBar bar;
        TMessageBoxScript boxes(w.Seams().Boxes);
        QCOMPARE(w.ExtractEntries(eoWithFolders, Q(out), &bar, all), 2);
        QCOMPARE(ReadFile(out / "äpfel" / "öl.txt"), Bytes({'o', 'i', 'l'}));
        QCOMPARE(ReadFile(out / "Straße.txt").size(), size_t(6));
    }

    // Catches a byte-wise or case-blind order, equal names from different
    // folders merged or reordered, and a code-point order under "C".
    void namesInTheLocalesOrder()
    {
        const std::vector<std::string> names = {"b.txt", "Zebra.txt", "B.txt", "äpfel.txt", "A.txt",
                                                "a.txt", "z.txt",     "a.txt", "_x",        "10.txt"};
        const TNameCollation german(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(german.HasAsciiWeights());
        const std::vector<uint32_t> order = OrderOf(german, names);
        QCOMPARE(Texts(names, order), (std::vector<std::string>{"_x", "10.txt", "a.txt", "a.txt", "A.txt", "äpfel.txt",
                                                               "b.txt", "B.txt", "z.txt", "Zebra.txt"}));
        QVERIFY(order[2] == 5 && order[3] == 7);  // equal names keep their order

        const std::vector<std::string> plainNames = {"Zebra", "b", "Übersicht", "a"};
        const TNameCollation plain(QLocale::c());
        QCOMPARE(Texts(plainNames, OrderOf(plain, plainNames)),
                 (std::vector<std::string>{"a", "b", "Übersicht", "Zebra"}));
    }

    // Catches weights that disagree with the collator on any name of
    // printable ASCII (punctuation against letters, digits, case, a prefix
    // against a longer name), names with umlauts merged into the weighted
    // ones at the wrong place or not ranked equal to a name they collate
    // equal to (a soft hyphen is ignored), and weights used where the
    // locale sorts a letter pair as one letter.
    void asciiWeightsGiveTheCollatorsOrder()
    {
        std::minstd_rand random(7);
        const std::vector<std::string> alphabet = {"a", "A", "b", "B", "c", "C", "d", "h", "H", "i", "I", "s", "S",
                                                   "z", "Z", "0", "1", "9", " ", "-", "_", ".", "~", "(", ")", "[",
                                                   "]", "'", "+", ",", ";", "=", "!", "#", "$", "%", "&", "@", "^",
                                                   "`", "{", "}", "ä", "Ä", "ß", "é", "\u00AD"};
        std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1), length(0, 12);
        std::vector<std::string> names;
        for (int i = 0; i < 3000; ++i) {
            std::string name;
            for (size_t n = length(random); n > 0; --n)
                name += alphabet[pick(random) % (i % 3 == 0 ? alphabet.size() : alphabet.size() - 5)];
            names.push_back(name);
        }
        names.push_back("file.txt"), names.push_back("file.txt"), names.push_back("File.txt");
        names.push_back("fi\u00ADle.txt"), names.push_back("ab"), names.push_back("a\u00ADb");
        names.push_back("zzzzzzzzzzzzzzz"), names.push_back("zzzzzzzzzzzzzzzä");  // after every weighted name
        for (const QLocale& locale : {QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::English),
                                      QLocale(QLocale::French, QLocale::France), QLocale::c()}) {
            const TNameCollation weighted(locale);
            QVERIFY2(weighted.HasAsciiWeights(), qPrintable(locale.name()));
            TNameCollation collator(locale);
            collator.SetAsciiWeightsUsed(false);
            QVERIFY(!collator.HasAsciiWeights());
            QCOMPARE(OrderOf(weighted, names), OrderOf(collator, names));
        }

        for (const QLocale& tailored : {QLocale(QLocale::Czech, QLocale::CzechRepublic),
                                        QLocale(QLocale::Danish, QLocale::Denmark)})
            QVERIFY2(!TNameCollation(tailored).HasAsciiWeights(), qPrintable(tailored.name()));
        const std::vector<std::string> czech = {"ch", "hz", "cz", "i"};
        QCOMPARE(Texts(czech, OrderOf(TNameCollation(QLocale(QLocale::Czech, QLocale::CzechRepublic)), czech)),
                 (std::vector<std::string>{"cz", "hz", "ch", "i"}));
    }

    // Catches a column ordered by its text instead of its value (sizes,
    // dates, ratio), folders not in the names' order, ties not kept in the
    // order by name, a descending order that is not the exact reverse, and
    // persistent indexes (the current row) left on the old row.
    void sortByEachColumn()
    {
        const uint32_t early = 0x3A210000, late = 0x5A8F6C21, noDate = 0x00000000;
        TZipListModel model;
        model.SetTable(TableOf({Entry("b/c.txt", 900, 100, late), Entry("a/b.txt", 20, 20, early),
                                Entry("c/a.txt", 100000, 50000, late), Entry("docs/", 0, 0, late),
                                Entry("B/d.txt", 0, 0, noDate), Entry("a/a.txt", 20, 10, early)}));
        QCOMPARE(Captions(model), (QStringList{"a.txt@c", "a.txt@a", "b.txt@a", "c.txt@b", "d.txt@B"}));
        const QPersistentModelIndex current = model.index(4, lcName);  // d.txt
        const struct {
            int column;
            QStringList ascending;
        } cases[] = {
            {lcName, {"a.txt@c", "a.txt@a", "b.txt@a", "c.txt@b", "d.txt@B"}},
            {lcDate, {"d.txt@B", "a.txt@a", "b.txt@a", "a.txt@c", "c.txt@b"}},
            {lcUncompressed, {"d.txt@B", "a.txt@a", "b.txt@a", "c.txt@b", "a.txt@c"}},
            {lcRatio, {"b.txt@a", "d.txt@B", "a.txt@c", "a.txt@a", "c.txt@b"}},
            {lcCompressed, {"d.txt@B", "a.txt@a", "b.txt@a", "c.txt@b", "a.txt@c"}},
            {lcFolder, {"a.txt@a", "b.txt@a", "c.txt@b", "d.txt@B", "a.txt@c"}},
        };
        for (const auto& c : cases) {
            model.sort(c.column, Qt::AscendingOrder);
            QCOMPARE(Captions(model), c.ascending);
            QCOMPARE(model.CellText(current.row(), lcName), QString("d.txt"));
            model.sort(c.column, Qt::DescendingOrder);
            QStringList reversed(c.ascending.rbegin(), c.ascending.rend());
            QCOMPARE(Captions(model), reversed);
            QCOMPARE(model.CellText(current.row(), lcName), QString("d.txt"));
        }
        // A new table starts in the order by name again.
        model.SetTable(TableOf({Entry("z.txt", 1, 1, late), Entry("y.txt", 2, 2, late)}));
        QCOMPARE(model.SortColumn(), int(lcName));
        QCOMPARE(model.SortOrder(), Qt::AscendingOrder);
        QCOMPARE(Captions(model), (QStringList{"y.txt", "z.txt"}));
    }

    // Catches a header click that does not sort, a second click that does
    // not reverse, marks left on row numbers instead of their entries (the
    // status panel would then count others), and a newly opened archive that
    // keeps the last column's order.
    void headerClicksSortTheWindowsList()
    {
        TempDir dir;
        TMain w;
        w.SetCommandLine({});
        w.show();
        QVERIFY(w.OpenArchive(WriteArchive(dir, "a.zip", {{"small.txt", 10, 10}, {"big.txt", 3000, 3000},
                                                           {"mid.txt", 200, 200}})));
        QCOMPARE(Captions(*w.Model), (QStringList{"big.txt", "mid.txt", "small.txt"}));
        w.LV->selectionModel()->select(w.Model->index(1, 0),
                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        const QString panel = w.StatusPanel1->text();
        QHeaderView* header = w.LV->header();
        const auto click = [&](int column) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                                     header->height() / 2));
        };
        click(lcUncompressed);
        QCOMPARE(Captions(*w.Model), (QStringList{"small.txt", "mid.txt", "big.txt"}));
        click(lcUncompressed);
        QCOMPARE(Captions(*w.Model), (QStringList{"big.txt", "mid.txt", "small.txt"}));
        click(lcName);
        QCOMPARE(Captions(*w.Model), (QStringList{"big.txt", "mid.txt", "small.txt"}));
        click(lcName);
        QCOMPARE(Captions(*w.Model), (QStringList{"small.txt", "mid.txt", "big.txt"}));
        QCOMPARE(w.SelectedCount(), 1);
        QCOMPARE(w.Model->CellText(w.LV->selectionModel()->selectedRows().first().row(), lcName), QString("mid.txt"));
        w.LVClick();
        QCOMPARE(w.StatusPanel1->text(), panel);

        QVERIFY(w.OpenArchive(WriteArchive(dir, "b.zip", {{"z.txt", 1, 1}, {"y.txt", 2, 2}})));
        QCOMPARE(Captions(*w.Model), (QStringList{"y.txt", "z.txt"}));
        QCOMPARE(header->sortIndicatorSection(), int(lcName));
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
    }

    // Catches a filter that is case-blind only for ASCII, that reads '*' and
    // '?' literally or lets '?' take one byte of a two-byte letter, that
    // cannot reach a folder named with a '/', that drops the marks of rows
    // it hides (they must come back with their rows and be counted apart in
    // the status panel), a test that takes hidden marked rows, an "Alle
    // auswählen" that marks hidden rows, and status counts that ignore the
    // filter; Escape must bring every row back.
    void filterNarrowsTheRowsByName()
    {
        TempDir dir;
        qputenv("XDG_CONFIG_HOME", (dir / "config").string().c_str());
        TMain w;
        w.SetCommandLine({});
        w.show();
        QVERIFY(w.OpenArchive(WriteArchive(dir, "f.zip", {{"Bericht.txt", 10, 10}, {"bericht_alt.TXT", 20, 20},
                                                           {"\x84pfel.txt", 30, 30}, {"\x8e" "pfel/notes.md", 40, 40},
                                                           {"\x8e" "PFEL.doc", 50, 50}, {"readme", 60, 60}})));
        const QString allFiles = w.StatusPanel0->text();
        w.FilterEdit->setText("bericht");
        QCOMPARE(w.SelectedCount(), 2);  // all were marked after opening
        QCOMPARE(w.HiddenMarkCount(), 4);
        QCOMPARE(w.StatusPanel0->text(), QString(" 2 von 6 Datei(en) angezeigt"));
        QCOMPARE(w.StatusPanel1->text(), QString(" 6 Datei(en) selektiert 210 Byte, davon 4 ausgeblendet"));
        w.Keineauswhlen1Click();  // the rows in view only
        QCOMPARE(w.StatusPanel1->text(), SelectedPanelText(4, 180, 4));
        w.Alleauswhlen1Click();
        QCOMPARE(w.SelectedCount(), 2);
        {
            TMessageBoxScript boxes(w.Seams().Boxes);
            boxes.Answer(idOK);
            w.Archivtesten1->trigger();  // what is marked and in view
            QCOMPARE(boxes.Asked[0].Text, QString("Es wurden 2 von 6 Datei(en) geprüft, alle ohne Fehler."));
        }
        QTest::keyClick(w.FilterEdit, Qt::Key_Escape);
        QCOMPARE(w.FilterEdit->text(), QString());
        QCOMPARE(w.Model->rowCount(), 6);
        QCOMPARE(w.SelectedCount(), 6);
        QCOMPARE(w.HiddenMarkCount(), 0);
        QCOMPARE(w.StatusPanel0->text(), allFiles);
        QCOMPARE(w.StatusPanel1->text(), SelectedPanelText(6, 210));

        const struct {
            const char* text;
            QStringList rows;
            const char* fault;
        } cases[] = {
            {"bericht", {"Bericht.txt", "bericht_alt.TXT"}, "plain text no longer a part of the name"},
            {".TxT", {"äpfel.txt", "Bericht.txt", "bericht_alt.TXT"}, "case counted"},
            {"äPFel", {"äpfel.txt", "ÄPFEL.doc"}, "umlauts not folded"},
            {"*.txt", {"äpfel.txt", "Bericht.txt", "bericht_alt.TXT"}, "'*' read literally"},
            {"?pfel.*", {"äpfel.txt", "ÄPFEL.doc"}, "'?' taking a byte, not a letter"},
            {"b*t", {"Bericht.txt", "bericht_alt.TXT"}, "a pattern not fitted to the whole name"},
            {"äpfel/", {"notes.md@Äpfel"}, "a folder named with '/' not matched"},
            {"ÄPFEL/*.MD", {"notes.md@Äpfel"}, "a pattern with folders not matched"},
            {"pfel/n", {"notes.md@Äpfel"}, "plain text with '/' not looked for anywhere in the path"},
            {"zzz", {}, "rows shown that match nothing"},
            {"", {"äpfel.txt", "ÄPFEL.doc", "Bericht.txt", "bericht_alt.TXT", "notes.md@Äpfel", "readme"},
             "rows left hidden"},
        };
        for (const auto& c : cases) {
            w.FilterEdit->setText(QString::fromUtf8(c.text));
            QStringList shown = Captions(*w.Model), want = c.rows;
            shown.sort(), want.sort();  // the order is the collation's, tested above
            QVERIFY2(shown == want, c.fault);
        }

        // A newly opened archive starts without the last one's filter.
        w.FilterEdit->setText("zzz");
        QVERIFY(w.OpenArchive(WriteArchive(dir, "g.zip", {{"x.txt", 1, 1}})));
        QCOMPARE(w.FilterEdit->text(), QString());
        QCOMPARE(w.Model->rowCount(), 1);
    }
};

QTEST_MAIN(TestZipListModel)
#include "tst_ZipListModel.moc"
