#include "ui/tasks/Anzeige.h"

#include "foundation/IniFile.h"
#include "foundation/ShownPaths.h"
#include "foundation/Translate.h"
#include "ui/foundation/GlyphIcon.h"
#include "ui/foundation/ProgressControls.h"
#include "ui/foundation/QtText.h"
#include "ui/foundation/ShortenPathText.h"
#include "ui/foundation/WindowPlacement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int RefreshIntervalMs = 50;
constexpr const char* PositionSection = "StatusWindow";

QString Tr(const char* msgid)
{
    return QStr(TrDefault(msgid));
}

// A button message on its way to the owner; posted so the owner gets it from its own loop.
class OwnerMessageEvent : public QEvent
{
public:
    static QEvent::Type EventType()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    OwnerMessageEvent(int message, int wParam, unsigned generation)
        : QEvent(EventType()), Message(message), WParam(wParam), Generation(generation)
    {}
    int Message;
    int WParam;
    unsigned Generation;
};

QProgressBar* NewBar(QWidget* parent)
{
    auto* bar = new QProgressBar(parent);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    bar->setFixedHeight(16);
    return bar;
}

} // namespace

TZeigFortschritt::TZeigFortschritt(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowStaysOnTopHint),
      GuiThread(std::this_thread::get_id())
{
    setObjectName("ZeigFortschritt");
    BuildLayout();
    Timer = new QTimer(this);
    Timer->setSingleShot(false);
    connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });
    RefreshTimer = new QTimer(this);
    RefreshTimer->setInterval(RefreshIntervalMs);
    connect(RefreshTimer, &QTimer::timeout, this, [this] { RefreshFromWorker(); });
    connect(ClkProgress, &TCustomProgress::OnIncrement, this,
            [this](TCustomProgress* sender) { ClkProgressIncrement(sender); });
    connect(PauseBtn, &QToolButton::clicked, this, [this] { PauseBtnClick(); });
    connect(MinimizeBtn, &QToolButton::clicked, this, [this] { MinimizeBtnClick(); });
    connect(Button, &QPushButton::clicked, this, [this] { ButtonClick(); });
    Reset();
}

TZeigFortschritt::~TZeigFortschritt()
{
    if (!IniName.empty() && PositionKnown) {
        TIniFile ini(IniName);
        ini.WriteInteger(PositionSection, "Top", y());
        ini.WriteInteger(PositionSection, "Left", x());
        ini.UpdateFile();
    }
}

void TZeigFortschritt::BuildLayout()
{
    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto* panelLayout = new QVBoxLayout(panel);

    auto* destRow = new QHBoxLayout;
    auto* destCaption = new QLabel(Tr("Dest.:"), panel);
    ZielLabel = new QLabel(panel);
    ZielLabel->setTextFormat(Qt::PlainText);
    destRow->addWidget(destCaption);
    destRow->addWidget(ZielLabel, 1);
    panelLayout->addLayout(destRow);

    // The action reads right after the item kind; a hidden kind label takes no room.
    auto* itemRow = new QHBoxLayout;
    itemRow->setSpacing(0);
    FileLabel = new QLabel(panel);
    ActionLabel = new QLabel(panel);
    itemRow->addWidget(FileLabel);
    itemRow->addWidget(ActionLabel);
    itemRow->addStretch(1);
    panelLayout->addLayout(itemRow);

    HinweisLabel = new QLabel(panel);
    HinweisLabel->setTextFormat(Qt::PlainText);
    HinweisLabel->setMinimumWidth(1);
    panelLayout->addWidget(HinweisLabel);
    EinzelBalken = NewBar(panel);
    panelLayout->addWidget(EinzelBalken);

    auto* totalRow = new QHBoxLayout;
    TotalLabel = new QLabel(panel);
    StatusLabel = new QLabel(panel);
    StatusLabel->setTextFormat(Qt::PlainText);
    totalRow->addWidget(TotalLabel);
    totalRow->addWidget(StatusLabel, 1);
    panelLayout->addLayout(totalRow);
    GesamtBalken = NewBar(panel);
    panelLayout->addWidget(GesamtBalken);

    auto* buttonRow = new QHBoxLayout;
    VersionLabel = new QLabel(this);
    ClkProgress = new TClkProgress(this);
    ClkProgress->setFixedSize(26, 26);
    PauseBtn = new QToolButton(this);
    PauseBtn->setAutoRaise(true);
    MinimizeBtn = new QToolButton(this);
    MinimizeBtn->setAutoRaise(true);
    MinimizeBtn->setIcon(style()->standardIcon(QStyle::SP_TitleBarMinButton));
    MinimizeBtn->setToolTip(Tr("Minimize"));
    Button = new QPushButton(this);
    Button->setAutoDefault(false);
    buttonRow->addWidget(VersionLabel);
    buttonRow->addStretch(1);
    buttonRow->addWidget(ClkProgress);
    buttonRow->addWidget(PauseBtn);
    buttonRow->addWidget(MinimizeBtn);
    buttonRow->addWidget(Button);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addLayout(buttonRow);
    setFixedWidth(440);
}

void TZeigFortschritt::LoadFromIni(const std::string& iniName)
{
    IniName = iniName;
    if (!IniName.empty()) {
        const TIniFile ini(IniName);
        if (ini.ValueExists(PositionSection, "Left") && ini.ValueExists(PositionSection, "Top")) {
            move(ini.ReadInteger(PositionSection, "Left", x()), ini.ReadInteger(PositionSection, "Top", y()));
            PositionKnown = true;
        }
    }
}

void TZeigFortschritt::SetVersion(const std::string& text)
{
    VersionLabel->setText(QStr(text));
}

void TZeigFortschritt::SetHintText(const std::string& text)
{
    HinweisLabel->setText(QStr(HostPathsInText(text)));
}

void TZeigFortschritt::SetDestination(const std::string& text)
{
    ZielLabel->setText(QStr(HostPathsInText(text)));
}

void TZeigFortschritt::SetStatusText(const std::string& text)
{
    StatusLabel->setText(QStr(text));
}

void TZeigFortschritt::SetItemKind(int kind)
{
    if (kind != ItemKind) {
        FileLabel->setText(QStr(ItemKindText(kind)));
        ItemKind = kind;
    }
    FileLabel->setVisible(!FileLabel->text().isEmpty());
}

void TZeigFortschritt::SetAction(int action)
{
    Action.store(action, std::memory_order_relaxed);
    if (OnGuiThread()) {
        ShowAction(action);
    }
}

void TZeigFortschritt::ShowAction(int action)
{
    if (action != ShownAction) {
        ActionLabel->setText(QStr(ActionText(action, ActionLabel->text().toStdString())));
        ShownAction = action;
    }
}

void TZeigFortschritt::SetFileProgress(std::int64_t percent)
{
    FilePercent.store(ClampPercent(percent), std::memory_order_relaxed);
    if (OnGuiThread()) {
        EinzelBalken->setValue(FilePercent.load(std::memory_order_relaxed));
    }
}

void TZeigFortschritt::SetTotalProgress(std::int64_t percent)
{
    TotalPercent.store(ClampPercent(percent), std::memory_order_relaxed);
    if (OnGuiThread()) {
        GesamtBalken->setValue(TotalPercent.load(std::memory_order_relaxed));
    }
}

void TZeigFortschritt::RefreshFromWorker()
{
    EinzelBalken->setValue(FilePercent.load(std::memory_order_relaxed));
    GesamtBalken->setValue(TotalPercent.load(std::memory_order_relaxed));
    ShowAction(Action.load(std::memory_order_relaxed));
}

void TZeigFortschritt::ShowFile(int kind, const std::string& actionText, const std::string& fileName)
{
    SetItemKind(kind);
    if (!actionText.empty()) {
        ActionLabel->setText(QStr(actionText));
        Action.store(0, std::memory_order_relaxed);
        ShownAction = 0;
    }
    layout()->activate(); // a window prepared without showing has its geometry only now
    const int room = HinweisLabel->parentWidget()->width() - HinweisLabel->x() - 10;
    HinweisLabel->setText(ShortenPathToWidth(fileName, QFontMetrics(HinweisLabel->font()), std::max(room, 0)));
}

void TZeigFortschritt::SetPauseEnabled(bool enabled)
{
    PauseBtn->setEnabled(enabled);
}

void TZeigFortschritt::SetButtonLook(const QString& caption, Glyph glyph, bool isDefault)
{
    Button->setText(caption);
    Button->setIcon(GlyphIcon(style(), glyph));
    Button->setDefault(isDefault);
}

void TZeigFortschritt::Start(IProgressOwner* owner, const std::string& caption, const std::string& destination,
                             int show)
{
    OwnerWnd = owner;
    ++OwnerGeneration;
    Caption = caption;
    setWindowTitle(QStr(HostPathsInText(caption)));
    SetDestination(destination);
    StatusLabel->clear();
    CancelledFlag = false;
    PausedFlag = false;
    PauseBtn->setIcon(GlyphIcon(style(), GlyphPause));
    PauseBtn->setToolTip(Tr("Pause"));
    PauseBtn->setEnabled(true);
    PauseBtn->show();
    MinimizeBtn->show();
    Button->setEnabled(true);
    Reset();
    ClkProgress->Reset();
    ClkProgress->SetStatus(TProgressStatus::psOn);
    ClkProgress->Pause(false);
    RefreshTimer->start();
    if (show >= 0) {
        if (!isVisible()) {
            OwnAnew(Owned, *this);
        }
        this->show();
    }
}

void TZeigFortschritt::Reset()
{
    SetFileProgress(0);
    SetTotalProgress(0);
    QPalette palette = StatusLabel->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    StatusLabel->setPalette(palette);
    Timer->stop();
    SetItemKind(ItemNone);
    SetAction(0);
    HinweisLabel->show();
    TotalLabel->setText(Tr("Total:"));
    SetButtonLook(Tr("Cancel"), GlyphCancel, false);
    ClkProgress->hide();
}

void TZeigFortschritt::Finish(int status, const std::string& actionText, const std::string& statusText,
                              std::uint32_t color, int delay)
{
    setWindowTitle(QStr(Caption));
    ClkProgress->SetStatus(TProgressStatus::psOff);
    RefreshTimer->stop();
    if (isVisible()) {
        hide();
    }
    SetItemKind(ItemNone);
    SetAction(0);
    if (!actionText.empty()) {
        ActionLabel->setText(QStr(actionText));
    }
    HinweisLabel->hide();
    TotalLabel->setText(Tr("Status"));
    QPalette palette = StatusLabel->palette();
    palette.setColor(QPalette::WindowText, QColorFromBgr(color));
    StatusLabel->setPalette(palette);
    StatusLabel->setText(QStr(statusText));
    SetTotalProgress(100);
    SetFileProgress(0);

    const FinishClose close = FinishCloseInterval(status, delay);
    if (close.Hidden) {
        Owned.reset();
        return;
    }
    if (close.IntervalMs > 0) {
        Timer->setInterval(close.IntervalMs);
        Timer->start();
    } else {
        Timer->stop();
    }
    if (status == FinishCancelled) {
        SetButtonLook(Tr("Cancel"), GlyphCancel, false);
    } else {
        SetButtonLook(Tr("Done"), status == FinishWarnings ? GlyphWarning : GlyphOk, true);
    }
    PauseBtn->hide();
    MinimizeBtn->hide();
    Button->setEnabled(true);

    QApplication::beep();
    ShowingResult = true;
    exec();
    ShowingResult = false;
    Reset();
    Owned.reset(); // a window of its own again until the next run
}

void TZeigFortschritt::ButtonClick()
{
    CancelledFlag = true;
    if (!Button->isDefault()) {
        PostToOwner(UM_CANCEL, 0);
    }
    if (ShowingResult) {
        done(QDialog::Accepted);
    }
}

void TZeigFortschritt::PauseBtnClick()
{
    const bool paused = !PausedFlag;
    PausedFlag = paused;
    PostToOwner(UM_PAUSE, paused ? 1 : 0);
    ClkProgress->Pause(paused);
    PauseBtn->setToolTip(paused ? Tr("Continue") : Tr("Pause"));
    PauseBtn->setIcon(GlyphIcon(style(), paused ? GlyphCont : GlyphPause));
    Button->setEnabled(!paused);
}

void TZeigFortschritt::MinimizeBtnClick()
{
    PostToOwner(UM_MINIMIZE, PausedFlag ? 1 : 0);
}

void TZeigFortschritt::TimerTimer()
{
    Timer->stop();
    if (ShowingResult) {
        done(QDialog::Accepted);
    } else {
        close();
    }
}

void TZeigFortschritt::ClkProgressIncrement(TCustomProgress*)
{
    // In the background the title carries the progress, so the task bar shows it.
    if (QGuiApplication::applicationState() == Qt::ApplicationActive) {
        setWindowTitle(QStr(Caption));
    } else {
        setWindowTitle(QStr(BackgroundTitle(GesamtBalken->value(), ZielLabel->text().toStdString())));
    }
}

void TZeigFortschritt::PostToOwner(int message, int wParam)
{
    if (OwnerWnd) {
        QCoreApplication::postEvent(this, new OwnerMessageEvent(message, wParam, OwnerGeneration));
    }
}

bool TZeigFortschritt::event(QEvent* event)
{
    if (event->type() == OwnerMessageEvent::EventType()) {
        const auto* message = static_cast<OwnerMessageEvent*>(event);
        if (OwnerWnd && message->Generation == OwnerGeneration) {
            OwnerWnd->ProgressMessage(message->Message, message->WParam);
        }
        return true;
    }
    return QDialog::event(event);
}

void TZeigFortschritt::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        if (Button->isVisible() && Button->isEnabled()) {
            ButtonClick();
        }
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (Button->isDefault() && Button->isEnabled()) {
            ButtonClick();
        }
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void TZeigFortschritt::closeEvent(QCloseEvent* event)
{
    // During a run the window stays up; the run ends it through Finish.
    if (!ShowingResult && event->spontaneous() && RefreshTimer->isActive()) {
        event->ignore();
        return;
    }
    ClkProgress->SetStatus(TProgressStatus::psOff);
    setWindowTitle(QStr(Caption));
    QDialog::closeEvent(event);
}

void TZeigFortschritt::showEvent(QShowEvent* event)
{
    // Over the window that started the run, as the dialogs open; a run without a window
    // shown (from the tray, a batch) at the stored position, else in the middle of the screen.
    if (!event->spontaneous()) {
        QWidget* owner = OwnerWindow(*this);
        if (owner || !PositionKnown) {
            CentreOnOwner(*this, owner);
        }
        // A position stored on a larger screen, or on one that is gone.
        KeepOnScreen(*this);
        PositionKnown = true;
    }
    QDialog::showEvent(event);
    raise();
    activateWindow();
}
