// TRePosApp: saves the position, size, maximized state and screen of the
// window that owns it, and restores them when the window is made again. The
// values live in a section of an INI file (normally the program's
// valbrix.ini), in the "registry" (here: a second INI file in the settings
// folder named after the key path), or come from a stream. Screens are Qt's,
// the primary one first; the rules themselves are in Placement.h. Nothing
// here reports an error: a store that cannot be read counts as empty, one
// that cannot be written is left as it was.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include <QRect>
#include <QString>

class QIODevice;
class QWidget;

namespace valbrix {

enum TReposMonitor : uint8_t { rposPrimary = 0, rposSecondary = 1 };

// Key path used by the registry variant when InifileName is empty.
inline constexpr const char* DefaultRegistryKey = "\\Software\\My Application";

// The file that stands in for a registry key path: the key's parts joined by
// '_' (no folder can be reached through it) + ".ini", in the settings folder.
QString RegistryIniFilePath(const QString& keyPath);

// Qt's screens as available rectangles, the primary one first.
std::vector<QRect> PrimaryFirstScreens();

class TRePosApp {
public:
    explicit TRePosApp(QWidget* owner) : FOwner(owner) {}

    int Top = -1, Left = -1, Height = -1, Width = -1;  // stored as set; loading and saving ignore them
    QString LeftName = QStringLiteral("Left");
    QString TopName = QStringLiteral("Top");
    QString HeightName = QStringLiteral("Height");
    QString WidthName = QStringLiteral("Width");
    QString InifileName;  // INI file path or registry key path; the default is filled in on first use
    QString SectionName = QStringLiteral("WindowPosition");
    QString WindowStateName = QStringLiteral("ShowCmd");
    bool AllowMaximized = false;
    TReposMonitor Monitor = rposPrimary;  // the screen of the last load

    // The INI file when useIniFile, else the stream when useStream, else the registry.
    void LoadPlacement(bool useIniFile, bool useStream, QIODevice* stream);
    // The INI file when useIniFile, else the registry.
    void SavePlacement(bool useIniFile);

    // The screens to place on, primary first; tests install made-up sets.
    std::function<std::vector<QRect>()> Screens = PrimaryFirstScreens;

private:
    QString StorePath(bool useIniFile);

    QWidget* FOwner;
};

}  // namespace valbrix
