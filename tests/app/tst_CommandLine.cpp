// The window program's command line: the parser's table, and the program
// itself answering --help, --version and a wrong call without a display.
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include "Version.h"
#include "app/batch/CommandLine.h"

using valbrix::ParseCommandLine;
using valbrix::TCommandLine;

using Strings = std::vector<std::string>;
Q_DECLARE_METATYPE(Strings)
Q_DECLARE_METATYPE(TCommandLine::TMode)

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void parse_data()
    {
        QTest::addColumn<Strings>("parameters");
        QTest::addColumn<TCommandLine::TMode>("mode");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<Strings>("archives");
        const auto row = [](const char* fault, Strings parameters, TCommandLine::TMode mode, const char* folder,
                            Strings archives) {
            QTest::newRow(fault) << parameters << mode << QString::fromUtf8(folder) << archives;
        };
        row("no parameters open an archive", {}, TCommandLine::cmWindow, "", {});
        row("a path split at blanks loses a piece", {"/tmp/My", "Files.zip"}, TCommandLine::cmWindow, "",
            {"/tmp/My", "Files.zip"});
        row("--help opens the window", {"--help"}, TCommandLine::cmHelp, "", {});
        row("-h opens the window", {"-h", "a.zip"}, TCommandLine::cmHelp, "", {});
        row("--version opens the window", {"--version"}, TCommandLine::cmVersion, "", {});
        row("an option behind an archive is taken as a mode", {"a.zip", "--help"}, TCommandLine::cmWindow, "",
            {"a.zip", "--help"});
        row("a toolkit option is refused", {"-style", "fusion", "a.zip"}, TCommandLine::cmWindow, "",
            {"-style", "fusion", "a.zip"});
        row("-- reaches the window", {"--", "--help"}, TCommandLine::cmWindow, "", {"--help"});
        row("extract-here keeps one archive only", {"--extract-here", "/a.zip", "/b c.zip"},
            TCommandLine::cmExtractHere, "", {"/a.zip", "/b c.zip"});
        row("extract-here without an archive runs", {"--extract-here"}, TCommandLine::cmError, "", {});
        row("extract-ask is taken for extract-here", {"--extract-ask", "/a.zip"}, TCommandLine::cmExtractAsk, "",
            {"/a.zip"});
        row("extract-to takes the folder for an archive", {"--extract-to", "/out", "/a.zip", "/b.zip"},
            TCommandLine::cmExtractTo, "/out", {"/a.zip", "/b.zip"});
        row("extract-to=FOLDER is not read", {"--extract-to=/out dir", "/a.zip"}, TCommandLine::cmExtractTo,
            "/out dir", {"/a.zip"});
        row("extract-to without a folder runs", {"--extract-to"}, TCommandLine::cmError, "", {});
        row("extract-to with an empty folder runs", {"--extract-to=", "/a.zip"}, TCommandLine::cmError, "", {});
        row("extract-to without an archive runs", {"--extract-to", "/out"}, TCommandLine::cmError, "", {});
        row("a dashed archive after -- is refused", {"--extract-here", "--", "-x.zip"}, TCommandLine::cmExtractHere,
            "", {"-x.zip"});
        row("a second -- is swallowed", {"--extract-here", "--", "--", "a.zip"}, TCommandLine::cmExtractHere, "",
            {"--", "a.zip"});
        row("an unknown option becomes an archive", {"--extract-here", "--overwrite", "/a.zip"},
            TCommandLine::cmError, "", {});
        row("- as standard input is refused", {"--extract-here", "-"}, TCommandLine::cmExtractHere, "", {"-"});
        row("help after a mode is an archive", {"--extract-here", "--help"}, TCommandLine::cmHelp, "", {});
        row("a misspelt mode opens the window", {"--extract-hier", "/a.zip"}, TCommandLine::cmError, "", {});
    }

    void parse()
    {
        QFETCH(Strings, parameters);
        QFETCH(TCommandLine::TMode, mode);
        QFETCH(QString, folder);
        QFETCH(Strings, archives);
        const TCommandLine line = ParseCommandLine(parameters);
        QCOMPARE(line.Mode, mode);
        QCOMPARE(QString::fromStdString(line.Folder), folder);
        QVERIFY(line.Archives == archives);
        // Every refusal says why, and only a refusal does.
        QCOMPARE(line.Error.empty(), mode != TCommandLine::cmError);
    }

    // Runs the program with no display at all: help and version must not
    // need one (they used to open the window), a wrong call must not start it.
    void answersWithoutDisplay_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("stdoutStart");
        QTest::addColumn<QString>("stderrStart");
        QTest::newRow("help needs a display") << QStringList{"--help"} << 0 << "Aufruf: valbrix" << "";
        QTest::newRow("version needs a display")
            << QStringList{"--version"} << 0 << "valbrix " VALBRIX_FILE_VERSION "\n" << "";
        QTest::newRow("a wrong call opens the window")
            << QStringList{"--extract-to"} << 2 << "" << "valbrix: Bei --extract-to fehlt der Zielordner.\n\nAufruf:";
    }

    void answersWithoutDisplay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, stdoutStart);
        QFETCH(QString, stderrStart);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(VALBRIX_PROGRAM), arguments);
        QVERIFY(program.waitForFinished(20000));
        const QString out = QString::fromUtf8(program.readAllStandardOutput());
        const QString err = QString::fromUtf8(program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), status);
        // An empty start means nothing at all on that stream.
        const auto starts = [](const QString& text, const QString& start) {
            return start.isEmpty() ? text.isEmpty() : text.startsWith(start);
        };
        QVERIFY2(starts(out, stdoutStart), qPrintable(out));
        QVERIFY2(starts(err, stderrStart), qPrintable(err));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_CommandLine.moc"
