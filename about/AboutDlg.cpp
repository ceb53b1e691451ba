// The About dialog; see the header.
#include "AboutDlg.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

#include "HTTPLabel.h"
#include "Version.h"
#include "VersionInfo.h"

namespace valbrix::about {

namespace {

constexpr int IconSize = 60;

// The program's icon when the application has one, else a drawn stand-in:
// a closed archive box with its zip.
QPixmap ProgramPixmap(qreal ratio)
{
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull())
        return icon.pixmap(QSize(IconSize, IconSize), ratio);
    QPixmap pixmap(QSize(IconSize, IconSize) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(150, 105, 20), 2));
    painter.setBrush(QColor(240, 200, 60));
    painter.drawRoundedRect(QRectF(6, 12, 48, 40), 4, 4);
    painter.setBrush(QColor(215, 165, 40));
    painter.drawRect(QRectF(6, 12, 48, 10));
    painter.setPen(QPen(QColor(60, 60, 60), 2));
    for (int y = 14; y < 50; y += 5)
        painter.drawLine(QLineF(27, y, 33, y));
    painter.setBrush(QColor(60, 90, 170));
    painter.drawRect(QRectF(25, 34, 10, 8));
    return pixmap;
}

QLabel* NewLabel(QWidget* parent, const QString& text = {})
{
    auto* label = new QLabel(text, parent);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

// Values the user may want to copy (names, figures) can be selected.
QLabel* NewValue(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("999.999 MByte")));
    return label;
}

// The label's own colours and styles are the ones this dialog wants.
void ConfigureLink(THTTPLabel* label)
{
    label->SetHighLightOnBlankURL(false);
    label->SetShowUrlAsHint(false);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(label->text()) * 3 / 2);
}

}  // namespace

TAboutDlg::TAboutDlg(const TCompileInfo& compileInfo, TSizeFormatter formatSize, QWidget* parent)
    : QDialog(parent)
    , MeasureCpuMHz(platform::ReadCpuMHz)
    , FCompileInfo(compileInfo)
{
    FormCreate(std::move(formatSize));
}

void TAboutDlg::FormCreate(TSizeFormatter formatSize)
{
    setWindowTitle(QStringLiteral("Über Valbrix"));
    setModal(true);
    CpuSpeedText.clear();

    auto* Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    AboutNotebook = new QStackedWidget(Panel1);
    AboutNotebook->addWidget(CreateVersionPage());
    AboutNotebook->addWidget(CreateSystemPage());
    TabSet = new QTabBar(Panel1);
    TabSet->setShape(QTabBar::RoundedSouth);
    TabSet->setDrawBase(false);
    TabSet->setExpanding(false);
    TabSet->addTab(QStringLiteral(" Version "));
    TabSet->addTab(QStringLiteral(" Systeminformation "));
    connect(TabSet, &QTabBar::currentChanged, this, &TAboutDlg::TabSetClick);
    // Room for a processor name and its speed on one line.
    AboutNotebook->setMinimumWidth(AboutNotebook->fontMetrics().averageCharWidth() * 78);
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->addWidget(AboutNotebook);
    panelLayout->addWidget(TabSet);

    CloseBtn = new QPushButton(QStringLiteral("Schließen"), this);
    CloseBtn->setDefault(true);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CloseBtn);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Panel1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    SystemInformation = new TSystemInfo(std::move(formatSize), this);
    SystemInformation->OnNewValues = [this](TSystemInfo&) { SystemInformationNewValues(); };
}

QWidget* TAboutDlg::CreateVersionPage()
{
    auto* page = new QWidget;

    auto* Bevel2 = new QFrame(page);
    Bevel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    ProgramIcon = NewLabel(Bevel2);
    ProgramIcon->setAlignment(Qt::AlignCenter);
    ProgramIcon->setPixmap(ProgramPixmap(devicePixelRatio()));
    auto* iconLayout = new QVBoxLayout(Bevel2);
    iconLayout->setContentsMargins(2, 2, 2, 2);
    iconLayout->addWidget(ProgramIcon);

    ProductName = NewLabel(page, QStringLiteral("Valbrix"));
    QFont bold = ProductName->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    ProductName->setFont(bold);
    ProductName->setStyleSheet(QStringLiteral("color: navy"));
    Version = NewLabel(page);
    CompileDateLabel = NewLabel(page);
    Copyright = NewLabel(page, TVersionInfo().VersionString(QStringLiteral("LegalCopyright")));
    Copyright->setWordWrap(true);

    auto* head = new QGridLayout;
    head->addWidget(Bevel2, 0, 0, 4, 1, Qt::AlignTop);
    head->addWidget(ProductName, 0, 1);
    head->addWidget(Version, 1, 1);
    head->addWidget(CompileDateLabel, 2, 1);
    head->addWidget(Copyright, 3, 1);
    head->setColumnStretch(1, 1);
    head->setHorizontalSpacing(14);

    // The notice box: a silver, framed rectangle with two lines.
    auto* Label10 = new QFrame(page);
    Label10->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Label10->setAutoFillBackground(true);
    QPalette silver = Label10->palette();
    silver.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    silver.setColor(QPalette::WindowText, Qt::black);
    Label10->setPalette(silver);
    Name1Label = NewLabel(Label10);
    Name2Label = NewLabel(Label10);
    Name1Label->setWordWrap(true);
    Name2Label->setWordWrap(true);
    auto* notice = new QVBoxLayout(Label10);
    notice->setContentsMargins(10, 14, 10, 14);
    notice->addStretch();
    notice->addWidget(Name1Label);
    notice->addSpacing(6);
    notice->addWidget(Name2Label);
    notice->addStretch();

    // The contact area in the desktop colour.
    auto* Panel2 = new QFrame(page);
    Panel2->setFrameStyle(QFrame::Box | QFrame::Plain);
    Panel2->setAutoFillBackground(true);
    QPalette desktop = Panel2->palette();
    desktop.setColor(QPalette::Window, SystemColor(clBackground));
    desktop.setColor(QPalette::WindowText, SystemColor(clCaptionText));
    Panel2->setPalette(desktop);
    RegLabel = NewLabel(Panel2, QStringLiteral("Fehler und Verbesserungsvorschläge:"));
    RegLabel->setAlignment(Qt::AlignCenter);
    MailLabel = new THTTPLabel(Panel2);
    MailLabel->setText(QStringLiteral("E-Mail an den Autor"));
    HTTPLabel = new THTTPLabel(Panel2);
    HTTPLabel->setText(QStringLiteral("Valbrix im WWW"));
    ConfigureLink(MailLabel);
    ConfigureLink(HTTPLabel);
    auto* contact = new QVBoxLayout(Panel2);
    contact->setContentsMargins(6, 4, 6, 6);
    contact->addWidget(RegLabel);
    contact->addWidget(MailLabel, 0, Qt::AlignHCenter);
    contact->addWidget(HTTPLabel, 0, Qt::AlignHCenter);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(head);
    layout->addSpacing(8);
    layout->addWidget(Label10, 1);
    layout->addSpacing(8);
    layout->addWidget(Panel2);
    return page;
}

QWidget* TAboutDlg::CreateSystemPage()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->setVerticalSpacing(10);
    grid->setHorizontalSpacing(12);
    int row = 0;
    // One caption and its value; a second pair on the same row when given.
    auto add = [&](const char* caption, QLabel*& value, const char* caption2 = nullptr, QLabel** value2 = nullptr) {
        grid->addWidget(NewLabel(page, QString::fromUtf8(caption)), row, 0, Qt::AlignTop);
        value = NewValue(page);
        grid->addWidget(value, row, 1, Qt::AlignTop);
        if (caption2) {
            grid->addWidget(NewLabel(page, QString::fromUtf8(caption2)), row, 2, Qt::AlignTop);
            *value2 = NewValue(page);
            grid->addWidget(*value2, row, 3, Qt::AlignTop);
        }
        ++row;
    };
    auto wide = [&](const char* caption, QLabel*& value) {
        add(caption, value);
        grid->removeWidget(value);
        grid->addWidget(value, row - 1, 1, 1, 3, Qt::AlignTop);
        value->setWordWrap(true);
    };
    // The system line names the distribution and kernel here, not a Windows version.
    wide("Betriebssystem:", Windowsversion);
    wide("Computername:", Computername);
    wide("Angemeldet als:", UserName);
    wide("Bildschirm:", ScreenResolution);
    add("Prozessor:", CPU, "Anzahl:", &NumOfProc);
    CPU->setWordWrap(true);
    grid->addItem(new QSpacerItem(0, 6), row++, 0);
    add("Phys. Speicher total:", PhysMemTotal, "verfügbar:", &PhysMemFree);
    add("Ausnutzung:", MemoryPercInUse);
    grid->addItem(new QSpacerItem(0, 6), row++, 0);
    add("Virt. Speicher total:", VirtualMemUsed, "verfügbar:", &VirtualMemFree);
    add("für Auslag.datei total:", PageFileUsed, "verfügbar:", &PageFileAvail);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    return page;
}

void TAboutDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TAboutDlg::FormShow()
{
    CompileDateLabel->setText(QStringLiteral("vom ") + FCompileInfo.CompileDate());
    Version->setText(VersionLine(TVersionInfo().FileVersionText()));
    Name1Label->setText(QStringLiteral("Valbrix zeigt ZIP-Archive an und entpackt sie."));
    Name2Label->setText(QStringLiteral("Es wird ohne jede Gewähr bereitgestellt."));
    MailLabel->SetUrl(QStringLiteral("mailto:") + QStringLiteral(VALBRIX_MAIL));
    MailLabel->setToolTip(MailLabel->Url());
    HTTPLabel->SetUrl(QStringLiteral(VALBRIX_WEBSITE));
    HTTPLabel->setToolTip(HTTPLabel->Url());
    TabSet->setCurrentIndex(0);
    AboutNotebook->setCurrentIndex(0);
    SystemInformationNewValues();
}

void TAboutDlg::TabSetClick()
{
    AboutNotebook->setCurrentIndex(TabSet->currentIndex());
}

void TAboutDlg::SystemInformationNewValues()
{
    const TSystemTexts& info = SystemInformation->Texts();
    // Kernel releases are full of hyphens: the line may break at blanks
    // only, and never between "Kernel" and its release.
    Windowsversion->setText(QString(info.FullWinVersion)
                                .replace(QLatin1Char('-'), QChar(0x2011))
                                .replace(QStringLiteral("Kernel "), QStringLiteral("Kernel") + QChar(0x00A0)));
    Computername->setText(info.ComputerName.isEmpty() ? QStringLiteral("n/a") : info.ComputerName);
    UserName->setText(info.UserName);
    ScreenResolution->setText(info.ScreenWidth.isEmpty() ? QString()
                                                         : info.ScreenWidth + QLatin1Char('x') + info.ScreenHeight);
    // The speed is read once, on the first refresh that names a processor.
    // It comes from the system for every processor; the time-stamp counter
    // that once limited it to some processor names is not measured here.
    if (!FSpeedRead && !info.CPU.isEmpty()) {
        FSpeedRead = true;
        if (MeasureCpuMHz)
            CpuSpeedText = about::CpuSpeedText(MeasureCpuMHz());
    }
    CPU->setText(info.CPU + CpuSpeedText);
    NumOfProc->setText(info.NumCPUs);
    PhysMemTotal->setText(info.TotalPhys);
    PhysMemFree->setText(info.AvailPhys);
    MemoryPercInUse->setText(info.MemLoadPercent);
    VirtualMemUsed->setText(info.TotalVirtual);
    VirtualMemFree->setText(info.AvailVirtual);
    PageFileUsed->setText(info.TotalPageFile);
    PageFileAvail->setText(info.AvailPageFile);
}

void TAboutDlg::UseLauncher(platform::TLauncher& launcher)
{
    MailLabel->Launcher = &launcher;
    HTTPLabel->Launcher = &launcher;
}

}  // namespace valbrix::about
