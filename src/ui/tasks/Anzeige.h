#pragma once

#include "tasks/ProgressView.h"
#include "ui/foundation/GlyphIcon.h"

#include <QDialog>
#include <atomic>
#include <memory>
#include <thread>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;
class TClkProgress;
class TOwnedWhileOpen;
class TCustomProgress;

// The one progress window of backup, restore and clean-up runs. Worker threads only
// store into atomics (action, file and total percent); the window shows them from
// its own refresh timer, so no widget is ever touched off the GUI thread.
class TZeigFortschritt : public QDialog, public IProgressView
{
    Q_OBJECT
public:
    explicit TZeigFortschritt(QWidget* parent = nullptr);
    ~TZeigFortschritt() override;

    void LoadFromIni(const std::string& iniName) override;
    void SetVersion(const std::string& text) override;
    void SetHintText(const std::string& text) override;
    void SetDestination(const std::string& text) override;
    void SetStatusText(const std::string& text) override;
    void SetItemKind(int kind) override;
    void SetAction(int action) override;
    void SetFileProgress(std::int64_t percent) override;
    void SetTotalProgress(std::int64_t percent) override;
    void ShowFile(int kind, const std::string& actionText, const std::string& fileName) override;
    void SetPauseEnabled(bool enabled) override;
    void Start(IProgressOwner* owner, const std::string& caption, const std::string& destination, int show) override;
    void Finish(int status, const std::string& actionText, const std::string& statusText, std::uint32_t color,
                int delay) override;
    void Reset() override;
    bool Cancelled() const override { return CancelledFlag; }
    bool Paused() const override { return PausedFlag; }

    // Brings the widgets up to date with what the worker stored.
    void RefreshFromWorker();

    QLabel* ZielLabel = nullptr;
    QLabel* FileLabel = nullptr;
    QLabel* ActionLabel = nullptr;
    QLabel* HinweisLabel = nullptr;
    QProgressBar* EinzelBalken = nullptr;
    QLabel* TotalLabel = nullptr;
    QLabel* StatusLabel = nullptr;
    QProgressBar* GesamtBalken = nullptr;
    QLabel* VersionLabel = nullptr;
    QToolButton* PauseBtn = nullptr;
    QToolButton* MinimizeBtn = nullptr;
    QPushButton* Button = nullptr;
    TClkProgress* ClkProgress = nullptr;
    QTimer* Timer = nullptr;        // closes the window after the delay
    QTimer* RefreshTimer = nullptr; // shows the worker's values

    void ButtonClick();
    void PauseBtnClick();
    void MinimizeBtnClick();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildLayout();
    void TimerTimer();
    void ClkProgressIncrement(TCustomProgress* sender);
    void PostToOwner(int message, int wParam);
    bool OnGuiThread() const { return std::this_thread::get_id() == GuiThread; }
    void ShowAction(int action);
    void SetButtonLook(const QString& caption, Glyph glyph, bool isDefault);

    // From its start to its result a run's window belongs to the window that started the
    // run: a modal editor or restore window would block its buttons otherwise.
    std::unique_ptr<TOwnedWhileOpen> Owned;
    std::string IniName;
    // A stored position was read, or the window was shown: only then is one written back.
    bool PositionKnown = false;
    std::string Caption;
    IProgressOwner* OwnerWnd = nullptr;
    unsigned OwnerGeneration = 0; // messages posted for an earlier owner are dropped
    int ItemKind = 0;
    int ShownAction = 0;
    bool ShowingResult = false;
    std::atomic<int> Action = 0;
    std::atomic<int> FilePercent = 0;
    std::atomic<int> TotalPercent = 0;
    std::atomic<bool> CancelledFlag = false;
    std::atomic<bool> PausedFlag = false;
    std::thread::id GuiThread;
};
