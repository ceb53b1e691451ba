// TRePosApp; see ReposApp.h. Top-level bounds are the frame's position and
// the window's own size, the pair move() and resize() take back, so a
// save and a load give the same window.
#include "ReposApp.h"

#include <QGuiApplication>
#include <QIODevice>
#include <QRegularExpression>
#include <QScreen>
#include <QWidget>

#include "IniFile.h"
#include "Placement.h"

namespace valbrix {

namespace {

const char* const MonitorName = "Monitor";  // fixed, not configurable

int ReadInt(const TIniDocument& document, const QString& section, const QString& key, int defaultValue)
{
    const auto text = document.GetValue(section.toStdString(), key.toStdString());
    if (!text)
        return defaultValue;
    bool ok = false;
    const int value = QString::fromStdString(*text).trimmed().toInt(&ok);
    return ok ? value : defaultValue;
}

}  // namespace

QString RegistryIniFilePath(const QString& keyPath)
{
    QStringList parts = keyPath.split(QRegularExpression(QStringLiteral("[\\\\/]")), Qt::SkipEmptyParts);
    parts.removeAll(QStringLiteral("."));
    parts.removeAll(QStringLiteral(".."));
    if (parts.isEmpty())
        parts = QString::fromLatin1(DefaultRegistryKey).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    return SettingsFolder() + parts.join(QLatin1Char('_')) + QStringLiteral(".ini");
}

std::vector<QRect> PrimaryFirstScreens()
{
    std::vector<QRect> screens;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary)
        screens.push_back(primary->availableGeometry());
    for (QScreen* screen : QGuiApplication::screens())
        if (screen != primary)
            screens.push_back(screen->availableGeometry());
    return screens;
}

QString TRePosApp::StorePath(bool useIniFile)
{
    if (useIniFile) {
        if (InifileName.isEmpty())
            InifileName = DefaultIniFilePath();
        return InifileName;
    }
    if (InifileName.isEmpty())
        InifileName = QString::fromLatin1(DefaultRegistryKey);
    return RegistryIniFilePath(InifileName);
}

void TRePosApp::LoadPlacement(bool useIniFile, bool useStream, QIODevice* stream)
{
    TStoredPlacement stored;
    if (useIniFile || !useStream) {
        const TIniLoad load = LoadIniFile(StorePath(useIniFile));
        const TIniDocument& ini = load.Document;
        stored.Top = ReadInt(ini, SectionName, TopName, -1);
        stored.Left = ReadInt(ini, SectionName, LeftName, -1);
        stored.Height = ReadInt(ini, SectionName, HeightName, -1);
        stored.Width = ReadInt(ini, SectionName, WidthName, -1);
        stored.State = ReadInt(ini, SectionName, WindowStateName, 0);
        stored.Monitor = ReadInt(ini, SectionName, QString::fromLatin1(MonitorName), 0);
    } else if (stream && (stream->isOpen() || stream->open(QIODevice::ReadOnly)) && stream->seek(0)) {
        stored = ReadPlacementRecord(stream->readAll());
    }

    const bool resizable = FOwner->minimumSize() != FOwner->maximumSize();
    const TPlacementResult place =
        PlaceWindow(stored, Screens(), QRect(FOwner->pos(), FOwner->size()), resizable, AllowMaximized);
    // Under Wayland a program cannot place its window; the move is ignored
    // there, while size and maximized state still apply.
    FOwner->move(place.Bounds.topLeft());
    FOwner->resize(place.Bounds.size());
    Monitor = place.Monitor == 1 ? rposSecondary : rposPrimary;
    if (place.KeepState)
        return;
    Qt::WindowStates state = FOwner->windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized);
    if (place.Maximized)
        state |= Qt::WindowMaximized;
    FOwner->setWindowState(state);
}

void TRePosApp::SavePlacement(bool useIniFile)
{
    const std::vector<QRect> screens = Screens();
    const QRect bounds(FOwner->pos(), FOwner->size());
    int screenIndex = -1;
    const QPoint centre = FOwner->frameGeometry().center();
    for (size_t i = 0; i < screens.size(); ++i)
        if (screens[i].contains(centre)) {
            screenIndex = int(i);
            break;
        }
    const auto save = PlacementToSave(FOwner->isMinimized(), FOwner->isMaximized(), bounds, screenIndex, AllowMaximized);
    if (!save)
        return;
    const QString path = StorePath(useIniFile);
    TIniLoad load = LoadIniFile(path);
    // A store we cannot read whole is never replaced by the few lines we know.
    if (load.ErrorCode != 0)
        return;
    const std::string section = SectionName.toStdString();
    const auto write = [&](const QString& key, int value) {
        load.Document.SetValue(section, key.toStdString(), std::to_string(value));
    };
    write(WindowStateName, save->Values.State);
    if (save->Bounds) {
        write(TopName, save->Values.Top);
        write(LeftName, save->Values.Left);
        write(WidthName, save->Values.Width);
        write(HeightName, save->Values.Height);
        write(QString::fromLatin1(MonitorName), save->Values.Monitor);
    }
    SaveIniFile(path, load.Document);  // saving never reports an error
}

}  // namespace valbrix
