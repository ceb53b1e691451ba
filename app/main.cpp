// The program body: German Qt texts, the application title, the main window
// and the message loop; closing the main window ends the program.
#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "MainUnit.h"
#include "MyTools.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Valbrix"));
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    valbrix::MyTools();  // seeds the random generator once, at start
    valbrix::TMain window;
    window.show();
    return app.exec();
}
