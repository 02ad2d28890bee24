#include "ui/tasks/FtpDirDlg.h"

#include "foundation/MessageDialogs.h"
#include "ui/foundation/PasswordDialogs.h"
#include "ui/tasks/DialogTools.h"

#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

void AddNodes(QTreeWidget* tree, QTreeWidgetItem* parent, const std::vector<TFtpDirNode>& nodes, const QIcon& closed,
              const QIcon& open)
{
    for (const TFtpDirNode& node : nodes) {
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
        item->setText(0, QStr(node.Name));
        QIcon icon = closed;
        icon.addPixmap(open.pixmap(16), QIcon::Selected);
        item->setIcon(0, icon);
        AddNodes(tree, item, node.Children, closed, open);
    }
}

} // namespace

TFtpDirDialog::TFtpDirDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(TrQ("Select FTP subdirectory"));
    edBaseDir = new QLineEdit(this);
    edBaseDir->setReadOnly(true);
    tvSubDirs = new QTreeWidget(this);
    tvSubDirs->setHeaderHidden(true);
    edSubDir = new QLineEdit(this);
    edSubDir->setReadOnly(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(TrQ("Root directory on FTP server"), this));
    layout->addWidget(edBaseDir);
    layout->addWidget(new QLabel(TrQ("Subdirectories:"), this));
    layout->addWidget(tvSubDirs, 1);
    layout->addWidget(new QLabel(TrQ("Selected subdirectory:"), this));
    layout->addWidget(edSubDir);
    layout->addWidget(OkCancelButtons(this));
    resize(420, 460);
    connect(tvSubDirs, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item, QTreeWidgetItem*) { NodeChosen(item); });
    AskPassword = [this](const std::string& text, std::string& password) {
        TPasswordDialog dialog(this);
        return dialog.Execute(FtpConnectionCaption(), text, false, password) == MrOk;
    };
}

void TFtpDirDialog::NodeChosen(QTreeWidgetItem* item)
{
    std::vector<std::string> names;
    for (; item; item = item->parent()) {
        names.insert(names.begin(), item->text(0).toStdString());
    }
    edSubDir->setText(QStr(FtpNodePath(names)));
}

void TFtpDirDialog::ShowTree(const std::string& baseText, const TFtpTree& tree)
{
    edBaseDir->setText(QStr(baseText));
    tvSubDirs->clear();
    edSubDir->clear();
    AddNodes(tvSubDirs, nullptr, tree.Nodes, style()->standardIcon(QStyle::SP_DirClosedIcon),
             style()->standardIcon(QStyle::SP_DirOpenIcon));
}

bool TFtpDirDialog::Execute(const std::string& server, const std::string& user, std::string& subDir, unsigned port,
                            const std::string& baseDir, const std::string& password)
{
    TFtpTreeRequest request{server, user, password, port, baseDir};
    if (request.Password.empty()) {
        if (!AskPassword(FtpPasswordNeededText(server, port, user), request.Password)) {
            LastResult = TFtpTreeResult::Cancelled;
            return false;
        }
    }
    const std::string baseText =
        "ftp://" + server + ":" + std::to_string(port) + "/" + (baseDir.starts_with('/') ? baseDir.substr(1) : baseDir);
    edBaseDir->setText(QStr(baseText));
    TFtpTree tree;
    LastResult = ReadFtpTreeFromServer(request, TheStatusView(), tree);
    if (LastResult == TFtpTreeResult::ConnectFailed) {
        ErrorDialog(windowTitle().toStdString(), FtpConnectionFailedText());
    }
    if (LastResult != TFtpTreeResult::Read) {
        return false;
    }
    ShowTree(baseText, tree);
    if (exec() != QDialog::Accepted) {
        return false;
    }
    subDir = edSubDir->text().toStdString();
    return true;
}
