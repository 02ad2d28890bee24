#include "ui/foundation/QtMessageDialogs.h"

#include "foundation/ShownPaths.h"
#include "foundation/Translate.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <map>

namespace {

// Moves itself once its final size is known, which is only the case when it is shown.
class TPlacedMessageBox : public QMessageBox
{
public:
    explicit TPlacedMessageBox(TScreenPoint requested) : point(requested) {}

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);
        QScreen* screen = QGuiApplication::screenAt(QPoint(point.x, point.y));
        if (!screen) {
            screen = QGuiApplication::primaryScreen();
        }
        if (!screen) {
            return;
        }
        const QRect area = screen->geometry();
        const TScreenRect rect{area.left(), area.top(), area.width(), area.height()};
        const QSize size = frameGeometry().size();
        const TScreenPoint placed = PlaceDialog(rect, size.width(), size.height(), point);
        move(placed.x, placed.y);
    }

private:
    TScreenPoint point;
};

QMessageBox::Icon IconOf(TMsgDlgType type)
{
    switch (type) {
    case TMsgDlgType::Warning:
        return QMessageBox::Warning;
    case TMsgDlgType::Error:
        return QMessageBox::Critical;
    case TMsgDlgType::Information:
        return QMessageBox::Information;
    case TMsgDlgType::Confirmation:
        return QMessageBox::Question;
    case TMsgDlgType::Custom:
        break;
    }
    return QMessageBox::NoIcon;
}

QString DefaultCaption(TMsgDlgType type)
{
    switch (type) {
    case TMsgDlgType::Warning:
        return QString::fromStdString(TrUnits("Warning"));
    case TMsgDlgType::Error:
        return QString::fromStdString(TrUnits("Error"));
    case TMsgDlgType::Information:
        return QString::fromStdString(TrUnits("Information"));
    case TMsgDlgType::Confirmation:
        return QString::fromStdString(TrUnits("Confirm"));
    case TMsgDlgType::Custom:
        break;
    }
    return QApplication::applicationName();
}

using TButtonResults = std::map<QAbstractButton*, int>;

// Title, icon, text and the request's buttons; returns what each button answers.
TButtonResults SetUpBox(QMessageBox& box, const TMessageRequest& request)
{
    box.setIcon(IconOf(request.type));
    box.setWindowTitle(request.caption.empty() ? DefaultCaption(request.type)
                                               : QString::fromStdString(HostPathsInText(request.caption)));
    box.setText(MessageTextToQt(HostPathsInText(request.text)));
    box.setWindowFlag(Qt::WindowStaysOnTopHint);

    struct ButtonDef
    {
        unsigned bit;
        const char* text;
        QMessageBox::ButtonRole role;
        int result;
    };
    const ButtonDef defs[] = {
        {MbYes, TrNoopUnits("&Yes"), QMessageBox::YesRole, MrYes},
        {MbNo, TrNoopUnits("&No"), QMessageBox::NoRole, MrNo},
        {MbOk, TrNoopUnits("OK"), QMessageBox::AcceptRole, MrOk},
        {MbCancel, TrNoopUnits("Cancel"), QMessageBox::RejectRole, MrCancel},
    };
    TButtonResults results;
    QPushButton* first = nullptr;
    QPushButton* escape = nullptr;
    for (const ButtonDef& def : defs) {
        if (!(request.buttons & def.bit)) {
            continue;
        }
        QPushButton* button = box.addButton(QString::fromStdString(TrUnits(def.text)), def.role);
        results[button] = def.result;
        if (!first) {
            first = button;
        }
        if (def.result == CloseResult(request.buttons)) {
            escape = button;
        }
    }
    if (!first) {
        first = box.addButton(QString::fromStdString(TrUnits("OK")), QMessageBox::AcceptRole);
        results[first] = MrOk;
    }
    box.setDefaultButton(first);
    box.setEscapeButton(escape ? escape : first);
    return results;
}

int ShowInGuiThread(const TMessageRequest& request)
{
    TPlacedMessageBox box(request.point);
    const TButtonResults results = SetUpBox(box, request);
    box.exec();
    const auto it = results.find(box.clickedButton());
    return it == results.end() ? CloseResult(request.buttons) : it->second;
}

// The box lives on its own and deletes itself when closed; nobody waits for it.
void ShowNoteInGuiThread(const TMessageRequest& request)
{
    auto* box = new TPlacedMessageBox(request.point);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    SetUpBox(*box, request);
    box->show();
}

} // namespace

QString MessageTextToQt(const std::string& text)
{
    QString out = QString::fromStdString(text);
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QChar('\r'), QChar('\n'));
    return out;
}

int TQtMessageDialogs::Show(const TMessageRequest& request)
{
    if (QThread::currentThread() == qApp->thread()) {
        return ShowInGuiThread(request);
    }
    int result = CloseResult(request.buttons);
    QMetaObject::invokeMethod(
        qApp, [&] { result = ShowInGuiThread(request); }, Qt::BlockingQueuedConnection);
    return result;
}

void TQtMessageDialogs::ShowNote(const TMessageRequest& request)
{
    if (QThread::currentThread() == qApp->thread()) {
        ShowNoteInGuiThread(request);
        return;
    }
    QMetaObject::invokeMethod(
        qApp, [request] { ShowNoteInGuiThread(request); }, Qt::QueuedConnection);
}

TScreenPoint TQtMessageDialogs::CursorPos()
{
    const QPoint pos = QCursor::pos();
    return {pos.x(), pos.y()};
}

void InstallQtMessageDialogs()
{
    static TQtMessageDialogs dialogs;
    SetMessageDialogs(&dialogs);
}

TScreenPoint ControlBottomLeft(const QWidget* control, TScreenPoint offset)
{
    const QPoint corner = control->mapToGlobal(QPoint(0, control->height()));
    return {corner.x() + offset.x, corner.y() + offset.y};
}

TScreenPoint ControlBottomRight(const QWidget* control, TScreenPoint offset)
{
    const QPoint corner = control->mapToGlobal(QPoint(control->width(), control->height()));
    return {corner.x() + offset.x, corner.y() + offset.y};
}
