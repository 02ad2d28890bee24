#pragma once

#include "foundation/StatusView.h"

#include <QDialog>
#include <atomic>
#include <memory>

class QLabel;
class QPushButton;
class TBarProgress;
class TOwnedWhileOpen;

// Small modeless window that tells what a long scan or connection is doing; the working
// code polls the cancel flag between its steps.
class TStatusWindow : public QDialog, public IStatusView
{
    Q_OBJECT
public:
    explicit TStatusWindow(QWidget* parent = nullptr);
    ~TStatusWindow() override;

    void Open(int x, int y, const std::string& caption, int step, bool showCancel,
              const std::string& statusText) override;
    void ShowStatus(const std::string& text) override;
    void ShowProgress(const std::string& text) override;
    bool Cancelled() const override { return CancelFlag; }
    bool IsVisible() const override { return isVisible(); }
    void Close() override;

    QLabel* StatusLabel = nullptr;
    QLabel* ProgLabel = nullptr;
    TBarProgress* BarProgress = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void btnCancelClick();
    void FitClientSize(bool firstOpening);
    void Place(int x, int y);

    std::atomic<bool> CancelFlag = false;
    // While open it belongs to the window whose work it shows: a modal one would block Cancel.
    std::unique_ptr<TOwnedWhileOpen> Owned;
};
