#pragma once

#include "tasks/FtpDirTree.h"

#include <QDialog>
#include <functional>
#include <string>

class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

// Connects to an FTP server, shows the folders below the remote folder and returns the
// chosen subfolder. Made when needed and freed after use.
class TFtpDirDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TFtpDirDialog(QWidget* parent = nullptr);

    // True when a subfolder was chosen with OK; subDir then holds it ("a/b").
    bool Execute(const std::string& server, const std::string& user, std::string& subDir, unsigned port,
                 const std::string& baseDir, const std::string& password);

    // Asks for the missing password (text of the prompt, in/out password); tests replace it.
    std::function<bool(const std::string& text, std::string& password)> AskPassword;
    // Shows the tree that was read (Execute without the connection and the modal loop).
    void ShowTree(const std::string& baseText, const TFtpTree& tree);

    QLineEdit* edBaseDir = nullptr;
    QTreeWidget* tvSubDirs = nullptr;
    QLineEdit* edSubDir = nullptr;
    // What the last Execute read, for tests.
    TFtpTreeResult LastResult = TFtpTreeResult::Read;

private:
    void NodeChosen(QTreeWidgetItem* item);
};
