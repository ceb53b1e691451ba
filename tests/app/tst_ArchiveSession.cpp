// The archive session without a window: what an opening says when it shows
// no rows, the totals over the files, and the setup program's detection,
// over a table of files.
#include <QTest>

#include "ArchiveMaker.h"
#include "app/workflows/ArchiveSession.h"
#include "app/texts/OpenTexts.h"

using namespace valbrix;
using namespace valbrix::test;

class TestArchiveSession : public QObject {
    Q_OBJECT
private slots:
    // Catches "not an archive" told as "no files" (or the reverse), a
    // missing file told as anything but its cause, folder entries counted
    // in the totals, sizes summed in 32 bits, a setup program
    // missed in a folder or in another case, and a problem for an archive
    // that lists rows.
    void openingTellsWhatItFound()
    {
        TempDir dir;
        WriteFile(dir / "noise.zip", std::string(300, 'n'));
        WriteArchive(dir, "empty-folders.zip", {{"docs/"}});
        WriteArchive(dir, "setup.zip", {{"docs/"}, {"tools/SETUP.EXE", 7, 5}, {"a.txt", 3, 3}});
        WriteArchive(dir, "huge.zip", {{"a", 0xFFFFFFFFu, 1}, {"b", 0xFFFFFFFFu, 1}});
        struct Case {
            const char* File;
            QString ProblemText;
            TMessageKind Kind;
            int64_t FileBytes;
            int64_t CompressedBytes;
            bool Setup;
        };
        const QString missing = Path(dir, "missing.zip");
        const std::vector<Case> cases = {
            {"missing.zip", OpenFailureText(missing, ENOENT), mkError, 0, 0, false},
            {"noise.zip", NotZipText(Path(dir, "noise.zip")), mkError, 0, 0, false},
            {"empty-folders.zip", NoFilesText(Path(dir, "empty-folders.zip")), mkInformation, 0, 0, false},
            {"setup.zip", QString(), mkError, 10, 8, true},
            {"huge.zip", QString(), mkError, 2 * int64_t(0xFFFFFFFFu), 2, false},
        };
        TArchiveSession session;
        for (const Case& c : cases) {
            const QString path = Path(dir, c.File);
            const TArchiveListing listing = session.Open(path);
            int rows = 0;
            for (uint32_t i = 0; i < listing.Table->Size(); ++i)
                rows += listing.Table->IsFolder(listing.Table->Record(i)) ? 0 : 1;
            const TOpenProblem problem = session.OpenProblem(path, listing, rows);
            QCOMPARE(problem.Text, c.ProblemText);
            if (!c.ProblemText.isEmpty())
                QCOMPARE(int(problem.Kind), int(c.Kind));
            QCOMPARE(session.FileBytes(), c.FileBytes);
            QCOMPARE(session.CompressedBytes(), c.CompressedBytes);
            QCOMPARE(session.SetupFound(), c.Setup);
            // The setup flow takes every entry, folder entries included.
            QCOMPARE(session.SetupList(listing).Indices.size(), c.Setup ? size_t(listing.Table->Size()) : size_t(0));
        }
    }
};

QTEST_GUILESS_MAIN(TestArchiveSession)
#include "tst_ArchiveSession.moc"
