#pragma once

// The program's folder chooser: a folder tree under one of four roots (desktop, the
// user's documents, the computer's drives, the mounted network shares), an optional list
// of the files in the chosen folder, the chosen path with the recently chosen folders,
// and buttons to create and delete folders. Created once at start-up.
//
//   TShellDirDialog dialog;  dialog.LoadFromIni(settingsFile, "Directories");
//   std::string folder = task.Destination;   // Windows text
//   if (dialog.Execute(TrDefault("Select destination directory"), false, folder, defaultDir)) ...

#include "foundation/FolderChooser.h"

#include <QDialog>
#include <string>

class QCheckBox;
class QComboBox;
class QListWidget;
class QMenu;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

class TShellDirDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TShellDirDialog(QWidget* parent = nullptr);
    // Saves the recent folders, the position and the file-list switch.
    ~TShellDirDialog() override;

    // folder and defaultFolder are Windows text; folder is changed only on OK.
    bool Execute(const std::string& caption, bool showHidden, std::string& folder,
                 const std::string& defaultFolder = {});
    // Remembers the settings file and section and reads the recent folders from it.
    void LoadFromIni(const std::string& fileName, const std::string& section);
    void SaveToIni();

    // The folder of the selected tree node (Windows text), empty when none.
    std::string SelectedFolder() const;
    // Selects a folder (Windows text) in the tree, opening its parents.
    void SelectFolder(const std::string& folder);
    void SetRoot(TShellRoot root);
    TShellRoot Root() const { return root; }
    TFolderHistory& History() { return history; }

    // The steps behind the buttons and the pop-up menu.
    void UpClick();
    void HomeClick();
    void CreateFolderClick();
    void DeleteFolderClick();
    void UpdateClick();
    void ShowFiles(bool on);

    QComboBox* SelectedDirBox() const { return cbxSelectedDir; }
    QTreeWidget* Tree() const { return ShellTreeView; }
    QListWidget* FileList() const { return ShellListView; }
    QCheckBox* FilesBox() const { return cbxFiles; }
    QPushButton* OkButton() const { return btbOK; }
    QToolButton* HomeButton() const { return homeBtn; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildTree();
    QTreeWidgetItem* AddFolderItem(QTreeWidgetItem* parent, const std::string& folder, const QString& label);
    void FillChildren(QTreeWidgetItem* item);
    QTreeWidgetItem* FindItem(const std::string& folder);
    void SelectionChanged();
    void FillFileList(const std::string& folder);
    void OkClick();

    QTreeWidget* ShellTreeView;
    QWidget* PanelRight;
    QListWidget* ShellListView;
    QComboBox* cbxSelectedDir;
    QCheckBox* cbxFiles;
    QToolButton* upBtn;
    QToolButton* homeBtn;
    QToolButton* newBtn;
    QPushButton* btbOK;
    QPushButton* btbCancel;
    QMenu* popup;

    std::string iniFile;
    std::string iniSection;
    std::string defaultDir;
    bool showHidden = false;
    bool positionRemembered = false;
    QWidget* owner = nullptr; // while open
    TShellRoot root = TShellRoot::Computer;
    TFolderHistory history;
};
