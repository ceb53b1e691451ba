// The program body: German Qt texts, the application title and icon, the
// main window and the message loop; the private folders a crashed run left
// behind are swept first; closing the main window ends the program.
#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/texts/ListTexts.h"
#include "app/window/MainUnit.h"
#include "app/workflows/MyTools.h"
#include "platform/FolderServices.h"
#include "platform/PrivateFolders.h"
#include "platform/gui/LocaleFormats.h"

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
    folders << QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(VALBRIX_TRANSLATIONS_FROM_BIN));
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

}  // namespace

int main(int argc, char** argv)
{
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
    valbrix::TMain window;
    window.show();
    return app.exec();
}
