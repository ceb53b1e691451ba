// The small progress window; see the header.
#include "app/batch/ProgressWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace valbrix {

TProgressWindow::TProgressWindow(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Valbrix"));
    ArchiveLabel = new QLabel;
    ArchiveLabel->setTextFormat(Qt::PlainText);  // names may hold '<'
    ArchiveLabel->setMinimumWidth(360);
    Bar = new QProgressBar;
    Bar->setRange(0, 100);
    Bar->setTextVisible(false);
    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"));
    connect(CancelBtn, &QPushButton::clicked, this, &TProgressWindow::Cancel);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ArchiveLabel);
    layout->addWidget(Bar);
    layout->addLayout(buttons);
}

void TProgressWindow::SetArchive(const QString& archiveName)
{
    ArchiveLabel->setText(QStringLiteral("Entpacke %1").arg(archiveName));
}

void TProgressWindow::RunStarted(const std::function<void()>& cancel)
{
    FCancel = cancel;
    Bar->setValue(0);
    CancelBtn->setEnabled(true);
    if (!isVisible()) {
        show();
        // On screen before the run's first question, which would hide it otherwise.
        QCoreApplication::processEvents();
    }
}

void TProgressWindow::RunProgress(int percent)
{
    Bar->setValue(percent);
}

void TProgressWindow::SetCancelEnabled(bool enabled)
{
    CancelBtn->setEnabled(enabled);
}

void TProgressWindow::RunOver()
{
    FCancel = nullptr;
    hide();
}

void TProgressWindow::Cancel()
{
    if (FCancel && CancelBtn->isEnabled())
        FCancel();
}

void TProgressWindow::closeEvent(QCloseEvent* event)
{
    // The window goes with the run: closing it is a request to stop.
    Cancel();
    event->ignore();
}

void TProgressWindow::reject()
{
    Cancel();
}

}  // namespace valbrix
