// The program body: the command line is read first (help, version and a
// wrong call are answered on the terminal, without a display); then German
// Qt texts, the application title and icon, the main window and the message
// loop; the private folders a crashed run left behind are swept first;
// closing the main window ends the program.
#include <cstdio>
#include <optional>

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/batch/BatchExtract.h"
#include "app/batch/CommandLine.h"
#include "app/texts/ListTexts.h"
#include "app/window/MainUnit.h"
#include "app/tools/MyTools.h"
#include "platform/FolderServices.h"
#include "platform/PrivateFolders.h"
#include "platform/gui/LocaleFormats.h"
#include "platform/gui/NativePath.h"
#include "platform/gui/PathFacts.h"

static void InitProgramIcon()
{
    // The icons sit in a static library; the linker keeps them only when referenced.
    Q_INIT_RESOURCE(appicon);
}

namespace {

// Qt's German texts: an installed program ships its own copy beside itself
// (VALBRIX_TRANSLATIONS_FROM_BIN), a program in the build tree uses Qt's.
bool LoadQtTexts(QTranslator& texts)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    QStringList folders;
#ifdef VALBRIX_TRANSLATIONS_FROM_BIN
    folders << valbrix::platform::ProgramFolder() + QStringLiteral("/" VALBRIX_TRANSLATIONS_FROM_BIN);
#endif
    folders << QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const QString& folder : folders)
        if (texts.load(german, QStringLiteral("qtbase"), QStringLiteral("_"), folder))
            return true;
    return false;
}

QIcon ProgramIcon()
{
    InitProgramIcon();
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/appicon/valbrix-%1.png").arg(size), QSize(size, size));
    return icon;
}

// Help, version and a wrong call end here, before QApplication would need a
// display; -1 for a command line that goes on to the window or an extraction.
int AnswerOnTerminal(const valbrix::TCommandLine& commandLine)
{
    switch (commandLine.Mode) {
    case valbrix::TCommandLine::cmHelp:
        std::fputs(valbrix::UsageText().c_str(), stdout);
        return 0;
    case valbrix::TCommandLine::cmVersion:
        std::fputs(valbrix::VersionText().c_str(), stdout);
        return 0;
    case valbrix::TCommandLine::cmError:
        std::fprintf(stderr, "valbrix: %s\n\n%s", commandLine.Error.c_str(), valbrix::UsageText().c_str());
        return valbrix::UsageExitStatus;
    default:
        return -1;
    }
}

std::optional<valbrix::TBatchTarget> ExtractionTarget(valbrix::TCommandLine::TMode mode)
{
    switch (mode) {
    case valbrix::TCommandLine::cmExtractHere: return valbrix::btHere;
    case valbrix::TCommandLine::cmExtractTo: return valbrix::btFolder;
    case valbrix::TCommandLine::cmExtractAsk: return valbrix::btAsk;
    default: return std::nullopt;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const valbrix::TCommandLine commandLine = valbrix::ParseCommandLine(argc, argv);
    if (const int status = AnswerOnTerminal(commandLine); status >= 0)
        return status;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Valbrix"));
    QApplication::setDesktopFileName(QStringLiteral("valbrix"));
    QApplication::setWindowIcon(ProgramIcon());
    QLocale::setDefault(valbrix::platform::InterfaceLocale(QLocale::system()));
    QTranslator qtTexts;
    if (LoadQtTexts(qtTexts))
        QApplication::installTranslator(&qtTexts);
    valbrix::MyTools();  // seeds the random generator once, at start
    // Files opened or dragged by a run that crashed; a running instance keeps its own.
    valbrix::platform::RemoveStalePrivateFolders(valbrix::platform::TemporaryFolder());
    if (const auto target = ExtractionTarget(commandLine.Mode)) {
        // From the file manager: no main window, no setup offer.
        valbrix::TBatchRequest request;
        request.Target = *target;
        request.Folder = valbrix::platform::DisplayPath(commandLine.Folder);
        for (const std::string& archive : commandLine.Archives)
            request.Archives << valbrix::platform::DisplayPath(archive);
        return valbrix::TBatchExtract().Run(request);
    }
    valbrix::TMain window;
    window.show();
    return app.exec();
}
