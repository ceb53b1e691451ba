// The small window of an extraction started from the file manager: the
// archive's name, a bar and "Abbrechen". Closing it stops the run as
// "Abbrechen" does; it goes once the run has ended.
#pragma once

#include <functional>

#include <QDialog>

#include "app/workflows/RunView.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace valbrix {

class TProgressWindow : public QDialog, public TRunView {
    Q_OBJECT
public:
    explicit TProgressWindow(QWidget* parent = nullptr);

    // Names the archive being extracted ("Entpacke name.zip").
    void SetArchive(const QString& archiveName);

    void RunStarted(const std::function<void()>& cancel) override;
    void RunProgress(int percent) override;
    void SetCancelEnabled(bool enabled) override;
    void RunOver() override;
    bool CloseRequested() const override { return false; }

    QLabel* ArchiveLabel;
    QProgressBar* Bar;
    QPushButton* CancelBtn;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // Escape

private:
    void Cancel();
    std::function<void()> FCancel;
};

}  // namespace valbrix
