// TAboutDlg, the modal "Über Valbrix" dialog: a version page (icon, name,
// version line, compile date, copyright, notice box, mail and web links) and
// a system page filled from TSystemInfo, switched by a tab strip below them.
// Made per use and freed after it closes, so every opening starts fresh:
// the system page shows empty values until the component's first refresh,
// about a second after opening, and the processor speed is read at most
// once per dialog. Nothing here blocks: the speed comes from the system.
#pragma once

#include <functional>

#include <QDialog>

#include "MyCompInfo.h"
#include "SystemInfo.h"
#include "platform/gui/Launcher.h"

class QLabel;
class QPushButton;
class QStackedWidget;
class QTabBar;

namespace valbrix::about {

class THTTPLabel;

class TAboutDlg : public QDialog {
public:
    TAboutDlg(const TCompileInfo& compileInfo, TSizeFormatter formatSize, QWidget* parent = nullptr);

    // The processor speed in MHz, 0 when unknown (test seam).
    std::function<double()> MeasureCpuMHz;
    // The launcher both links hand their addresses to (the desktop's by default).
    void UseLauncher(platform::TLauncher& launcher);

    // Components, named as the form names them.
    QStackedWidget* AboutNotebook = nullptr;
    QTabBar* TabSet = nullptr;
    QPushButton* CloseBtn = nullptr;
    TSystemInfo* SystemInformation = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* CompileDateLabel = nullptr;
    QLabel* Copyright = nullptr;
    QLabel* Name1Label = nullptr;
    QLabel* Name2Label = nullptr;
    QLabel* RegLabel = nullptr;
    THTTPLabel* MailLabel = nullptr;
    THTTPLabel* HTTPLabel = nullptr;
    QLabel* Windowsversion = nullptr;
    QLabel* Computername = nullptr;
    QLabel* UserName = nullptr;
    QLabel* ScreenResolution = nullptr;
    QLabel* CPU = nullptr;
    QLabel* NumOfProc = nullptr;
    QLabel* PhysMemTotal = nullptr;
    QLabel* PhysMemFree = nullptr;
    QLabel* MemoryPercInUse = nullptr;
    QLabel* VirtualMemUsed = nullptr;
    QLabel* VirtualMemFree = nullptr;
    QLabel* PageFileUsed = nullptr;
    QLabel* PageFileAvail = nullptr;

    void TabSetClick();
    void SystemInformationNewValues();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate(TSizeFormatter formatSize);
    void FormShow();
    QWidget* CreateVersionPage();
    QWidget* CreateSystemPage();

    const TCompileInfo& FCompileInfo;
    QString CpuSpeedText;  // " 2400 MHz" once read; empty until then
    bool FSpeedRead = false;
};

}  // namespace valbrix::about
