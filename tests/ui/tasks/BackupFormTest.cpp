#include "ui/tasks/BackupForm.h"
#include "EnvGuard.h"
#include "TempFolder.h"
#include "WorkerLatch.h"
#include "foundation/IniFile.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "platform/Drives.h"
#include "tasks/BackupSelection.h"
#include "tasks/TaskFile.h"
#include "ui/foundation/HistoryMenu.h"
#include "ui/foundation/QtMessageDialogs.h"
#include "ui/tasks/Anzeige.h"
#include "ui/tasks/BackupFormFolder.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QWheelEvent>
#include <atomic>
#include <deque>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <thread>

// The editor window driven as a user drives it: through its named controls.

namespace {

namespace fs = std::filesystem;

template <typename T> T* Child(QWidget& form, const char* name)
{
    T* found = form.findChild<T*>(QString::fromLatin1(name));
    if (!found) {
        ADD_FAILURE() << "no control " << name;
    }
    return found;
}

void Settle()
{
    for (int pass = 0; pass < 10; ++pass) {
        QCoreApplication::processEvents();
    }
}

struct TFormFixture
{
    TTempFolder folder;
    TScriptedMessageDialogs boxes;
    TScopedHook hook{[] { QCoreApplication::processEvents(); }};
    std::map<std::string, std::string> fileAnswers;
    std::unique_ptr<TBackupForm> form;

    TFormFixture()
    {
        fs::create_directories(folder.Host("src/docs"));
        fs::create_directories(folder.Host("dest"));
        folder.WriteHostFile("src/docs/a.doc", "aaaa");
        folder.WriteHostFile("src/docs/b.txt", "bb");
        MakeForm();
    }
    void MakeForm()
    {
        form = std::make_unique<TBackupForm>();
        form->Editor.FileVersion = "1.0";
        form->ReadSettings(folder.Win("settings.ini"));
        form->Editor.Settings.FileName = folder.Win("settings.ini");
        form->FileDialogAnswer = [this](const std::string& title) { return fileAnswers[title]; };
        form->FormShow();
        Settle();
    }
    template <typename T> T* operator()(const char* name) { return Child<T>(*form, name); }
    void TypeDestination(const std::string& host)
    {
        QComboBox* box = (*this).operator()<QComboBox>("BuZiel");
        box->lineEdit()->setText(QString::fromStdString(host));
        box->lineEdit()->editingFinished();
    }
    void AddFolder(const std::string& host)
    {
        (*this).operator()<QLineEdit>("edFolder")->setText(QString::fromStdString(host));
        (*this).operator()<QPushButton>("AddBtn")->click();
    }
};

} // namespace

TEST(BackupForm, NewOpenChangeSaveReopenExport)
{
    TFormFixture f;
    TBackupForm& form = *f.form;
    EXPECT_EQ(f.operator()<QGroupBox>("TaskBox")->title(), "New backup task");

    f.AddFolder(f.folder.Host("src/docs"));
    ASSERT_EQ(f.operator()<QListWidget>("SelectedDirBox")->count(), 1);
    EXPECT_EQ(f.operator()<QListWidget>("SelectedDirBox")->item(0)->text().toStdString(),
              f.folder.Host("src/docs") + " (all)");
    f.TypeDestination(f.folder.Host("dest"));
    EXPECT_EQ(form.Editor.Task.Destination, f.folder.Win("dest"));
    EXPECT_TRUE(form.Editor.Task.Modified);

    f.fileAnswers["Save actual task"] = f.folder.Win("docs.buj");
    f.operator()<QToolButton>("SaveTaskBtn")->click();
    ASSERT_TRUE(fs::exists(f.folder.Host("docs.buj")));
    EXPECT_EQ(f.operator()<QGroupBox>("TaskBox")->title(), "Backup task: docs");
    EXPECT_FALSE(form.Editor.Task.Modified);

    // A change, then New: "Yes" saves it into the task file.
    f.operator()<QCheckBox>("DeleteCB")->click();
    EXPECT_TRUE(f.operator()<QCheckBox>("VerifyCB")->isChecked());
    f.boxes.QueueAnswer(MrYes); // save the change
    f.boxes.QueueAnswer(MrYes); // the delete-option question
    form.findChild<QAction*>("NewTask")->trigger();
    EXPECT_EQ(f.operator()<QListWidget>("SelectedDirBox")->count(), 0);
    EXPECT_EQ(f.operator()<QGroupBox>("TaskBox")->title(), "New backup task");

    f.fileAnswers["Open backup task"] = f.folder.Win("docs.buj");
    form.findChild<QAction*>("OpenTask")->trigger();
    EXPECT_EQ(f.operator()<QListWidget>("SelectedDirBox")->count(), 1);
    EXPECT_TRUE(f.operator()<QCheckBox>("DeleteCB")->isChecked());
    EXPECT_EQ(f.operator()<QComboBox>("BuZiel")->currentText().toStdString(), f.folder.Host("dest"));
    EXPECT_EQ(f.operator()<QLabel>("IncludeSumme")->text(), "2 files with 6 B");

    f.fileAnswers["Save selected directories as new task"] = f.folder.Win("export.buj");
    f.operator()<QToolButton>("ExportBtn")->click();
    ASSERT_TRUE(fs::exists(f.folder.Host("export.buj")));
    EXPECT_EQ(form.Editor.Task.FileName, f.folder.Win("docs.buj"));

    // Reopen from the recent-task menu after a restart of the window.
    form.WriteSettings();
    f.MakeForm();
    EXPECT_EQ(f.form->Editor.Task.FileName, f.folder.Win("docs.buj"));
    EXPECT_EQ(f.operator()<QListWidget>("SelectedDirBox")->count(), 1);
    EXPECT_GE(f.form->TaskHistoryMenu->Count(), 2);
    // The recent tasks show host paths; choosing one opens the task all the same.
    QAction* recent = f.form->TaskHistoryMenu->Menu()->actions().at(0);
    EXPECT_EQ(recent->text().toStdString(), "&1 " + f.folder.Host("docs.buj"));
    f.form->Editor.Task.Modified = false;
    f.form->findChild<QAction*>("NewTask")->trigger();
    recent = f.form->TaskHistoryMenu->Menu()->actions().at(0);
    recent->trigger();
    EXPECT_EQ(f.form->Editor.Task.FileName, f.folder.Win("docs.buj"));
}

// The checks of a save repair the task through the program's registered dialogs; what
// they chose shows in the destination box and heads its history.
TEST(BackupForm, SaveRepairsTheDestinationThroughTheRegisteredDialogs)
{
    struct TChooser : ITaskCheckDialogs
    {
        std::string answer;
        int asked = 0;
        bool EditFtpSettings(TFtpParams&) override { return false; }
        bool ChooseDestination(std::string& folder) override
        {
            ++asked;
            folder = answer;
            return true;
        }
    } chooser;
    TFormFixture f;
    chooser.answer = f.folder.Win("dest");
    RegisterRunDialogs(nullptr, &chooser);
    f.AddFolder(f.folder.Host("src/docs"));
    f.boxes.QueueAnswer(MrOk); // "Please select a backup destination"
    f.fileAnswers["Save actual task"] = f.folder.Win("docs.buj");
    f.operator()<QToolButton>("SaveTaskBtn")->click();
    RegisterRunDialogs(nullptr, nullptr);
    EXPECT_EQ(chooser.asked, 1);
    EXPECT_TRUE(fs::exists(f.folder.Host("docs.buj")));
    EXPECT_EQ(f.operator()<QComboBox>("BuZiel")->currentText().toStdString(), f.folder.Host("dest"));
    ASSERT_FALSE(f.form->Editor.Settings.DestinationHistory.empty());
    EXPECT_EQ(f.form->Editor.Settings.DestinationHistory.front(), f.folder.Win("dest"));
}

TEST(BackupForm, MethodListAndArchiveBoxesBothWays)
{
    TFormFixture f;
    TBackupTask& task = f.form->Editor.Task;
    QComboBox* method = f.operator()<QComboBox>("BuModeCB");
    QCheckBox* reset = f.operator()<QCheckBox>("ResArchivCB");
    QCheckBox* use = f.operator()<QCheckBox>("UseArchivCB");

    method->setCurrentIndex(3);
    method->activated(3); // incremental
    EXPECT_TRUE(task.ClearDest && task.ArchBit && task.UseArch);
    EXPECT_FALSE(reset->isEnabled() || use->isEnabled());
    method->setCurrentIndex(0);
    method->activated(0); // copy after incremental
    EXPECT_FALSE(task.ClearDest || task.ArchBit || task.UseArch);
    EXPECT_TRUE(reset->isEnabled() && use->isEnabled());
    EXPECT_FALSE(reset->isChecked() || use->isChecked());

    // A stored task shows its method: differential = clear, no reset, use.
    task.ClearDest = true;
    task.ArchBit = false;
    task.UseArch = true;
    task.Sources.clear();
    TExtensionList entry;
    entry.SourceDir = entry.ExpandedDir = f.folder.Win("src/docs") + "\\";
    task.Sources.push_back(entry);
    task.Destination = f.folder.Win("dest");
    ASSERT_TRUE(WriteTaskFile(task, f.folder.Win("diff.buj"), -1, -1, f.form->Editor.TaskEnv));
    f.form->Editor.OpenTaskFile(f.folder.Win("diff.buj"));
    EXPECT_EQ(method->currentIndex(), 2);
    EXPECT_FALSE(f.form->Editor.Task.Modified);

    // A zip layout falls back to copying, and the controls it leaves no use are disabled.
    f.operator()<QRadioButton>("DestRB4")->click();
    EXPECT_EQ(f.form->Editor.Task.DestMode, DestZipFile);
    EXPECT_EQ(method->currentIndex(), 0);
    EXPECT_TRUE(f.operator()<QLineEdit>("ZipNameEdit")->isEnabled());
    for (const char* name : {"BuModeCB", "rbComp", "rbNoComp", "NoBakCB", "cbDelDir"}) {
        EXPECT_FALSE(f.operator()<QWidget>(name)->isEnabled()) << name;
    }

    // A task loaded with an FTP destination verifies nothing and keeps no security copies.
    TBackupTask& shown = f.form->Editor.Task;
    shown.FtpBackup = true;
    shown.Ftp.Host = "127.0.0.1";
    shown.Ftp.Username = "ann";
    ASSERT_TRUE(WriteTaskFile(shown, f.folder.Win("ftp.buj"), -1, -1, f.form->Editor.TaskEnv));
    f.form->Editor.OpenTaskFile(f.folder.Win("ftp.buj"));
    EXPECT_FALSE(f.operator()<QCheckBox>("VerifyCB")->isEnabled());
    EXPECT_FALSE(f.operator()<QCheckBox>("KeepBakCB")->isEnabled());
}

TEST(BackupForm, SourceTreeDropsAndSubfolderMarks)
{
    TFormFixture f;
    fs::create_directories(f.folder.Host("src/docs/old"));
    fs::create_directories(f.folder.Host("src/docs/new"));
    TBackupForm& form = *f.form;

    // The folder tree starts at the drives; C: is the host root.
    QTreeWidget* tree = f.operator()<QTreeWidget>("ShellTreeView");
    ASSERT_GE(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree->topLevelItem(0);
    EXPECT_EQ(root->text(0), "/");
    tree->expandItem(root);
    Settle();
    const QString top = QString::fromStdString(fs::path(f.folder.Host()).relative_path().begin()->string());
    QTreeWidgetItem* topItem = nullptr;
    for (int i = 0; i < root->childCount(); ++i) {
        if (root->child(i)->text(0) == top) {
            topItem = root->child(i);
        }
    }
    ASSERT_NE(topItem, nullptr);
    tree->setCurrentItem(topItem);
    EXPECT_EQ(f.operator()<QLineEdit>("edFolder")->text(), "/" + top);

    // Every dropped name is added in order, a file as well as a folder.
    f.folder.WriteHostFile("notes.txt", "n");
    form.DropNames(
        {QString::fromStdString(f.folder.Host("src/docs")), QString::fromStdString(f.folder.Host("notes.txt"))});
    ASSERT_EQ(form.Editor.Task.Sources.size(), 2u);
    EXPECT_EQ(form.Editor.Task.Sources[0].SourceDir, f.folder.Win("src/docs"));
    EXPECT_EQ(form.Editor.Task.Sources[1].SourceDir, f.folder.Win("notes.txt"));
    f.operator()<QListWidget>("SelectedDirBox")->setCurrentRow(0);

    // A folder inside it asks first, below the Add button; No leaves the list as it was.
    f.boxes.QueueAnswer(MrNo);
    f.AddFolder(f.folder.Host("src/docs/old"));
    EXPECT_EQ(form.Editor.Task.Sources.size(), 2u);
    EXPECT_NE(f.boxes.LastText().find("Overlapping directories:"), std::string::npos);
    EXPECT_EQ(f.boxes.Shown().back().point, ControlBottomLeft(form.AddBtn));

    // The root's mark excludes both subfolders; the line shows how many.
    QTreeWidget* dirs = f.operator()<QTreeWidget>("DirTreeView");
    ASSERT_EQ(dirs->topLevelItemCount(), 1);
    dirs->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    Settle();
    EXPECT_EQ(form.Editor.Task.Sources[0].SubDirs.Count(), 2);
    EXPECT_EQ(dirs->topLevelItem(0)->checkState(0), Qt::PartiallyChecked);
    EXPECT_TRUE(f.operator()<QListWidget>("SelectedDirBox")->item(0)->text().contains("[-2]"));
    dirs->expandItem(dirs->topLevelItem(0));
    Settle();
    ASSERT_EQ(dirs->topLevelItem(0)->childCount(), 2);
    dirs->topLevelItem(0)->child(0)->setCheckState(0, Qt::Checked);
    Settle();
    EXPECT_EQ(form.Editor.Task.Sources[0].SubDirs.Count(), 1);
    EXPECT_TRUE(form.Editor.Task.Modified);
}

namespace {

// A shown editor with a changed new task is left: the question comes first, Cancel keeps the
// editor (nothing written), No lets it go and writes the settings.
void ExpectLeavingAsksFirst(TFormFixture& f, const std::function<void()>& leave)
{
    TBackupForm& form = *f.form;
    f.boxes.QueueAnswer(MrCancel);
    leave();
    Settle();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(f.boxes.LastText(), "Save new backup task?");
    EXPECT_FALSE(fs::exists(f.folder.Host("settings.ini")));
    f.boxes.QueueAnswer(MrNo);
    leave();
    Settle();
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(fs::exists(f.folder.Host("settings.ini")));
}

} // namespace

TEST(BackupForm, LayoutAndClosingWithChanges)
{
    TFormFixture f;
    TBackupForm& form = *f.form;
    // Shown at the default size, the window grows where its pages need more room (here
    // within the 800x800 test screen), never below the design size.
    form.show();
    Settle();
    const TClientSize normal = EditorClientSize(false, 96);
    const QSize opened = form.size();
    EXPECT_GT(opened.height(), normal.Height);
    EXPECT_GE(opened.width(), normal.Width);
    EXPECT_GE(opened.height(), normal.Height);
    // A new task opens at the folder tree; narrow, only the task part stays.
    EXPECT_EQ(form.PageControl->currentWidget(), form.tsDirs);
    EXPECT_EQ(form.focusWidget(), form.ShellTreeView);
    form.findChild<QAction*>("NarrowWindowItem")->trigger();
    EXPECT_GE(form.size().width(), EditorClientSize(true, 96).Width);
    EXPECT_LT(form.size().width(), opened.width());
    EXPECT_FALSE(form.PageControl->isVisible());
    EXPECT_TRUE(form.BUPageControl->isVisible());
    form.findChild<QAction*>("NarrowWindowItem")->trigger();
    EXPECT_EQ(form.size(), opened);

    // With folders, the layout shows the automatic-task page.
    f.AddFolder(f.folder.Host("src/docs"));
    form.findChild<QAction*>("DefWindowItem")->trigger();
    EXPECT_EQ(form.PageControl->currentWidget(), form.tsAuto);

    // A remembered size too small for the pages (another language's) grows to what they need,
    // as far as the screen goes.
    form.hide();
    form.Editor.Settings.Left = 5;
    form.Editor.Settings.Width = 300;
    form.Editor.Settings.Height = 200;
    form.FormShow();
    form.show();
    Settle();
    EXPECT_EQ(form.size().width(), opened.width());
    const auto* view = f.operator()<QScrollArea>("EditorScroll");
    EXPECT_FALSE(view->verticalScrollBar()->isVisible());
    ExpectLeavingAsksFirst(f, [&form] { form.close(); });
}

// Escape, the Quit button and the window's close button all ask before changes go.
TEST(BackupForm, EscapeAsksAsQuitDoes)
{
    TFormFixture f;
    TBackupForm& form = *f.form;
    form.show();
    Settle();
    f.AddFolder(f.folder.Host("src/docs"));
    ExpectLeavingAsksFirst(f, [&form] { QTest::keyClick(form.ShellTreeView, Qt::Key_Escape); });
    EXPECT_EQ(f.boxes.ShownCount(), 2u);
}

// However the destination page changes (click, arrow keys, wheel), the kind of destination
// follows; the program showing a task changes nothing.
TEST(BackupForm, EveryWayOfTurningTheDestinationPageDecidesTheKind)
{
    TFormFixture f;
    TBackupForm& form = *f.form;
    form.show();
    Settle();
    auto* tabs = form.pcDest->findChild<QTabBar*>();
    ASSERT_NE(tabs, nullptr);
    int asked = 0;
    bool confirm = false;
    form.EditFtpHook = [&](TFtpParams& ftp) {
        ++asked;
        if (confirm) {
            ftp.Host = "nas"; // no user name yet
        }
        return confirm;
    };
    const auto wheel = [tabs](int steps) {
        const QPointF at(tabs->rect().center());
        QWheelEvent event(at, tabs->mapToGlobal(at), QPoint(), QPoint(0, -120 * steps), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(tabs, &event);
    };

    // The FTP dialog cancelled: the folder page stays, the kind too.
    QTest::keyClick(tabs, Qt::Key_Right);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(form.pcDest->currentWidget(), form.tsWin);
    EXPECT_FALSE(form.Editor.Task.FtpBackup);

    confirm = true;
    wheel(1);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(form.pcDest->currentWidget(), form.tsFtp);
    EXPECT_TRUE(form.Editor.Task.FtpBackup);
    EXPECT_EQ(form.edtFtp->text(), "ftp://nas:21/") << "the server shows once it is confirmed";
    EXPECT_TRUE(form.Editor.Task.Modified);

    QTest::keyClick(tabs, Qt::Key_Left);
    EXPECT_FALSE(form.Editor.Task.FtpBackup);
    EXPECT_EQ(form.pcDest->currentWidget(), form.tsWin);

    // A task shown with an FTP destination turns the page without asking or a change.
    form.Editor.Task.Ftp.Username = "anna";
    form.Editor.Task.FtpBackup = true;
    form.Editor.Task.Modified = false;
    form.Editor.TaskReplaced();
    EXPECT_EQ(form.pcDest->currentWidget(), form.tsFtp);
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(form.Editor.Task.Modified);
    wheel(-1);
    EXPECT_FALSE(form.Editor.Task.FtpBackup);
    wheel(1);
    EXPECT_TRUE(form.Editor.Task.FtpBackup);
    EXPECT_EQ(asked, 2) << "server and user known: no dialog";
}

// The folder field starts at the folder of the last session, and the tree opens there.
TEST(BackupForm, TheFolderFieldStartsAtTheLastFolder)
{
    TFormFixture f;
    f.folder.WriteHostFile("settings.ini", "[Config]\nLastDir=" + f.folder.Win("src\\docs") + "\n");
    f.MakeForm();
    TBackupForm& form = *f.form;
    EXPECT_EQ(form.edFolder->text().toStdString(), f.folder.Host("src/docs"));
    const QTreeWidgetItem* item = form.ShellTreeView->currentItem();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(StoredPath(ShownPath(item->data(0, Qt::UserRole + 1).toString().toStdString())),
              f.folder.Win("src\\docs"));

    form.edFolder->setText(QString::fromStdString(f.folder.Host("dest")));
    form.WriteSettings();
    EXPECT_EQ(TIniFile(f.folder.Win("settings.ini")).ReadString("Config", "LastDir", ""), f.folder.Win("dest"));
}

// Tab goes through the editor as it is laid out: the folder tree and its field, the task's
// list and its buttons left to right, its pages, the destination, then the toolbar.
TEST(BackupForm, TabFollowsTheLayout)
{
    TFormFixture f;
    TBackupForm& form = *f.form;
    form.show();
    Settle();
    form.ShellTreeView->setFocus();
    std::vector<std::string> visited;
    for (int step = 0; step < 28; ++step) {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        const bool tabs = qobject_cast<QTabBar*>(focused) != nullptr;
        visited.push_back(tabs ? focused->parentWidget()->objectName().toStdString() + " tabs"
                               : focused->objectName().toStdString());
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    const std::vector<std::string> expected = {
        "ShellTreeView", "edFolder",     "PhPathBtn",   "btFolder",   "AddBtn", "SelectedDirBox",
        "PreviewBtn",    "UpBtn",        "DownBtn",     "SortBtn",    "RemBtn", "BUPageControl tabs",
        "IncludeRB",     "IncludeSG",    "AnBtn",       "AlleAnBtn",  "AusBtn", "AlleAusBtn",
        "ExcludeSG",     "ExtFilterBtn", "pcDest tabs", "BuZiel",     "btnDir", "PhDirBtn",
        "rbSingle",      "DestRB1",      "NewTaskBtn",  "LoadTaskBtn"};
    EXPECT_EQ(visited, expected);
}

TEST(BackupForm, TheLastBackupDateNeverWidensTheWindow)
{
    TFormFixture f;
    TBackupForm& form = *f.form;
    form.show();
    Settle();
    QWidget* pages = f.operator()<QWidget>("EditorPages");
    const int pagesWidth = pages->minimumSizeHint().width();
    const QSize size = form.size();
    const std::string when = "Tuesday, 8 December 2026 23:59:59 " + std::string(120, '*');
    form.Editor.Task.FileName = f.folder.Win("task.buj");
    form.Editor.Task.LastBackup = when;
    form.Editor.TaskReplaced();
    Settle();
    EXPECT_EQ(form.size(), size);
    EXPECT_LE(pages->minimumSizeHint().width(), pagesWidth);
    EXPECT_TRUE(form.lblSaved->isVisible());
    EXPECT_EQ(form.lblLastBackup->toolTip().toStdString(), when);

    // A date as a run writes it is shown whole at the default width.
    form.Editor.Task.LastBackup = DateTimeText(EncodeDateTime(2026, 12, 28, 23, 59, 58));
    form.Editor.TaskReplaced();
    Settle();
    EXPECT_GE(form.lblLastBackup->width(),
              form.lblLastBackup->fontMetrics().horizontalAdvance(form.lblLastBackup->text()));
}

// ---- Start ----------------------------------------------------------------------------------

namespace {

// The real progress window that holds the worker thread in its file progress while Hold
// is set, so the test does not depend on how fast the copy runs. Small files are copied
// on the window's own thread and pass.
class TLatchedProgress : public TZeigFortschritt
{
public:
    std::atomic<bool> Hold{true};
    std::atomic<int> Events{0};
    void SetFileProgress(std::int64_t percent) override
    {
        if (percent > 0 && std::this_thread::get_id() != WindowThread) {
            ++Events;
            while (Hold) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        TZeigFortschritt::SetFileProgress(percent);
    }
    bool Arrived() const { return Events > 0; }

private:
    const std::thread::id WindowThread = std::this_thread::get_id();
};

struct TStartFixture : TFormFixture
{
    TLatchedProgress progress;
    TStartFixture()
    {
        RegisterProgressView(&progress);
        folder.WriteHostFile("src/docs/big.bin", std::string(8 << 20, 'x'));
        MakeForm(); // the runs take the progress window registered now
        form->Editor.Settings.BufferSize = 64 * 1024;
        form->Editor.Task.Verify = true; // copies in buffer steps
        form->Editor.Task.Compress = false;
        AddFolder(folder.Host("src/docs"));
        TypeDestination(folder.Host("dest"));
        fileAnswers["Save actual task"] = folder.Win("big.buj");
    }
    ~TStartFixture() { RegisterProgressView(nullptr); }
    // Lets the runs go on and closes their results as a person would.
    void RunToTheEnd()
    {
        QObject::connect(&driver, &QTimer::timeout, [this] {
            progress.Hold = false;
            if (progress.Button->isDefault() && progress.isVisible()) {
                progress.Button->click();
            }
        });
        driver.start(20);
    }
    QTimer driver;
    std::string Copied() const { return folder.Host("dest/LwC") + folder.Host("src/docs/big.bin"); }
};

} // namespace

TEST(BackupFormStart, PauseContinueMinimiseAndCancelDuringACopy)
{
    TStartFixture f;
    TBackupForm& form = *f.form;
    form.show();
    int minimised = 0;
    form.MinimizeToTray = [&] { ++minimised; };
    std::vector<std::string> seen;
    int step = 0;
    int eventsWhenPaused = 0;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (!f.progress.Arrived()) {
            return;
        }
        switch (step++) {
        case 0:
            f.progress.PauseBtn->click();
            break;
        case 1:
            f.progress.Hold = false; // on to the pause gate
            break;
        case 3:
            eventsWhenPaused = f.progress.Events;
            break;
        case 6:
            seen.push_back(f.progress.Paused() && f.progress.Events == eventsWhenPaused ? "held" : "running");
            f.progress.Hold = true;       // stop again at the next buffer
            f.progress.PauseBtn->click(); // continue
            break;
        case 9:
            seen.push_back(f.progress.Events > eventsWhenPaused ? "continued" : "still held");
            f.progress.MinimizeBtn->click();
            break;
        case 11:
            seen.push_back(form.isMinimized() ? "minimised" : "shown");
            f.progress.Button->click(); // cancel: a posted message, delivered before the next tick
            break;
        case 12:
            f.progress.Hold = false; // only now, or a busy machine finishes the copy first
            break;
        default:
            if (step > 13 && f.progress.Button->isDefault() && f.progress.isVisible()) {
                f.progress.Button->click(); // close the result
            }
            break;
        }
    });
    driver.start(20);
    f.boxes.QueueAnswer(MrYes); // "Save new backup task?"
    f.operator()<QPushButton>("StartBtn")->click();
    driver.stop();
    f.progress.Hold = false;

    EXPECT_EQ(seen, (std::vector<std::string>{"held", "continued", "minimised"}));
    EXPECT_EQ(minimised, 1);
    EXPECT_TRUE(form.isVisible() && !form.isMinimized()); // back after the run
    EXPECT_TRUE(fs::exists(f.folder.Host("big.buj")));
    EXPECT_NE(f.Copied().size(), 0u);
    EXPECT_FALSE(fs::exists(f.Copied()) && fs::file_size(f.Copied()) == (8u << 20));
}

// The editor is shown modally; a run's Minimise must not end that showing (a hidden modal
// window ends it), or the program ends with the run.
TEST(BackupFormStart, AMinimisedRunLeavesTheEditorOpen)
{
    TStartFixture f;
    TBackupForm& form = *f.form;
    bool minimised = false;
    QObject::connect(&f.driver, &QTimer::timeout, [&] {
        if (!minimised && f.progress.Arrived()) {
            minimised = true;
            f.progress.MinimizeBtn->click();
        } else if (minimised) {
            f.progress.Hold = false;
            if (f.progress.Button->isDefault() && f.progress.isVisible()) {
                f.progress.Button->click();
            }
        }
    });
    f.driver.start(20);
    bool openAfterTheRun = false;
    QTimer::singleShot(0, [&] {
        f.boxes.QueueAnswer(MrYes); // "Save new backup task?"
        f.operator()<QPushButton>("StartBtn")->click();
        QTimer::singleShot(0, [&] {
            openAfterTheRun = QApplication::activeModalWidget() == &form && form.isVisible();
            form.close();
        });
    });
    form.ShowModal();
    f.driver.stop();
    EXPECT_TRUE(minimised);
    EXPECT_TRUE(openAfterTheRun);
    EXPECT_TRUE(fs::exists(f.Copied()));
}

TEST(BackupFormStart, ACompleteRunCopiesAndCounts)
{
    TStartFixture f;
    TBackupForm& form = *f.form;
    f.RunToTheEnd();
    f.boxes.QueueAnswer(MrYes);
    f.operator()<QPushButton>("StartBtn")->click();
    f.driver.stop();
    ASSERT_TRUE(fs::exists(f.Copied()));
    EXPECT_EQ(fs::file_size(f.Copied()), 8u << 20);
    EXPECT_EQ(form.Editor.Run.Totals().Copied, 3u);
    EXPECT_FALSE(form.Editor.Task.LastBackup.empty());
    EXPECT_EQ(f.operator()<QLabel>("lblSum")->text().left(7), "3 files");
}

// "Yes, save" with a name of blanks: the save dialog says why and asks again; cancelled, no
// run starts. The date of the last run shows ("saved at") only where a task file keeps it.
TEST(BackupFormStart, ATaskNameOfBlanksIsNoSave)
{
    TStartFixture f;
    TBackupForm& form = *f.form;
    f.RunToTheEnd();
    std::deque<std::string> names = {f.folder.Win("   .buj"), ""};
    std::vector<std::string> asked;
    form.FileDialogAnswer = [&](const std::string& title) {
        asked.push_back(title);
        const std::string name = names.empty() ? std::string() : names.front();
        if (!names.empty()) {
            names.pop_front();
        }
        return name;
    };
    auto* start = f.operator()<QPushButton>("StartBtn");
    f.boxes.QueueAnswer(MrYes);
    start->click();
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(f.boxes.LastText(), "A task name must not be empty or consist of blanks only!");
    EXPECT_FALSE(fs::exists(f.Copied()));
    EXPECT_TRUE(form.Editor.Task.LastBackup.empty());

    f.boxes.QueueAnswer(MrNo); // run without saving
    start->click();
    EXPECT_TRUE(fs::exists(f.Copied()));
    EXPECT_FALSE(form.Editor.Task.LastBackup.empty());
    EXPECT_TRUE(form.lblSaved->isHidden());
    EXPECT_TRUE(form.lblLastBackup->text().isEmpty());

    names = {f.folder.Win("big.buj")};
    f.boxes.QueueAnswer(MrYes);
    start->click();
    f.driver.stop();
    EXPECT_TRUE(fs::exists(f.folder.Host("big.buj")));
    EXPECT_FALSE(form.lblSaved->isHidden());
}

TEST(BackupForm, RestoreAndCleanUpBatchesJoinTheExitStatus)
{
    TFormFixture f;
    TBackupForm& form = *f.form;
    EXPECT_EQ(form.BatchExitStatus(), 0);
    form.CleanUpBatchHook = [](const std::string&, int, bool) { return 1; };
    form.RunCleanUpTask("weekly", true);
    EXPECT_EQ(form.BatchExitStatus(), 1);
    // A restore task that is not there has not restored anything.
    form.RunRestoreTask(f.folder.Win("absent.rsj"), true);
    EXPECT_EQ(form.LastRestoreOutcome, 2);
    EXPECT_EQ(form.BatchExitStatus(), 2);
    EXPECT_EQ(f.boxes.ShownCount(), 0u);
}

// On the sources page the shell tree shows the selected entry's folder and follows a
// folder typed into the folder field, without rewriting the typed text.
TEST(BackupForm, ShellTreeFollowsTheEntryAndTheFolderField)
{
    TFormFixture f;
    TBackupForm& form = *f.form;
    form.PageControl->setCurrentWidget(form.tsDirs);
    f.AddFolder(f.folder.Host("src/docs"));
    form.SelectedDirBox->setCurrentRow(-1);
    form.SelectedDirBox->setCurrentRow(0);
    const auto current = [&form] {
        const QTreeWidgetItem* item = form.ShellTreeView->currentItem();
        return item ? StoredPath(ShownPath(item->data(0, Qt::UserRole + 1).toString().toStdString())) : std::string();
    };
    EXPECT_EQ(current(), f.folder.Win("src\\docs"));

    QLineEdit* field = f.operator()<QLineEdit>("edFolder");
    const QString typed = QString::fromStdString(f.folder.Host("dest"));
    field->setText(typed);
    field->textEdited(typed);
    EXPECT_EQ(current(), f.folder.Win("dest"));
    EXPECT_EQ(field->text(), typed);
}

// A folder made on the shown entry's drive while the editor is open appears in the tree.
TEST(BackupForm, ShellTreeListsAFolderMadeOnTheWatchedDrive)
{
    TTempFolder stick;
    fs::create_directories(stick.Host("docs"));
    struct TStickDrive
    {
        TEnvGuard env;
        explicit TStickDrive(const std::string& host)
        {
            env.Set("TESSARO_DRIVES", "E=" + host + ",removable,STICK");
            Platform::ReloadDriveTable();
        }
        ~TStickDrive()
        {
            env.Unset("TESSARO_DRIVES");
            Platform::ReloadDriveTable();
        }
    } drive(stick.Host());
    TFormFixture f;
    TBackupForm& form = *f.form;
    form.PageControl->setCurrentWidget(form.tsDirs);
    f.AddFolder(stick.Host("docs"));
    ASSERT_EQ(form.Editor.Task.Sources.size(), 1u);

    QTreeWidgetItem* driveItem = nullptr;
    for (int i = 0; i < form.ShellTreeView->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = form.ShellTreeView->topLevelItem(i);
        if (item->data(0, Qt::UserRole + 1).toString().startsWith("E:")) {
            driveItem = item;
        }
    }
    ASSERT_NE(driveItem, nullptr);
    form.ShellTreeView->expandItem(driveItem);
    Settle();
    const auto lists = [&form](const QString& name) {
        for (int i = 0; i < form.ShellTreeView->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = form.ShellTreeView->topLevelItem(i);
            for (int j = 0; item->data(0, Qt::UserRole + 1).toString().startsWith("E:") && j < item->childCount();
                 ++j) {
                if (item->child(j)->text(0) == name) {
                    return true;
                }
            }
        }
        return false;
    };
    EXPECT_TRUE(lists("docs"));
    EXPECT_FALSE(lists("fresh"));

    fs::create_directories(stick.Host("fresh"));
    for (int wait = 0; wait < 300 && !lists("fresh"); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        QCoreApplication::processEvents();
    }
    EXPECT_TRUE(lists("fresh"));
    EXPECT_TRUE(lists("docs"));
}

// The tree's menu adds, a line dragged onto the tree leaves the task, and Update lists a
// folder anew and scans what waits for a scan.
TEST(BackupForm, TreeMenuDragsBetweenTheViewsAndUpdate)
{
    TFormFixture f;
    TBackupForm& form = *f.form;
    form.show();
    form.PageControl->setCurrentWidget(form.tsAuto);
    form.PageControl->setCurrentWidget(form.tsDirs);
    Settle();
    EXPECT_EQ(QApplication::focusWidget(), form.ShellTreeView);

    f.operator()<QLineEdit>("edFolder")->setText(QString::fromStdString(f.folder.Host("src/docs")));
    f.operator()<QAction>("itmAdd")->trigger();
    ASSERT_EQ(form.Editor.Task.Sources.size(), 1u);

    const auto centre = [&form](const QWidget* view) { return view->mapTo(&form, view->rect().center()); };
    // Neither view takes its own lines.
    EXPECT_FALSE(form.DropBetweenViews(form.SelectedDirBox, centre(form.SelectedDirBox), true));
    EXPECT_FALSE(form.DropBetweenViews(form.ShellTreeView, centre(form.ShellTreeView), true));
    EXPECT_EQ(form.Editor.Task.Sources.size(), 1u);

    // With the mouse: pressed on a line, moved and let go over the other view.
    const auto drag = [&form, &centre](QAbstractItemView* from, const QModelIndex& line, const QWidget* onto) {
        QWidget* port = from->viewport();
        const QPoint start = from->visualRect(line).center();
        const QPoint end = port->mapFrom(&form, centre(onto));
        QTest::mousePress(port, Qt::LeftButton, {}, start);
        QTest::mouseMove(port, start + QPoint(0, QApplication::startDragDistance()));
        QTest::mouseMove(port, end);
        QTest::mouseRelease(port, Qt::LeftButton, {}, end);
        Settle();
    };
    // The entry's folder is the tree's current node; dropped on the list it is there already.
    QTreeWidgetItem* docs = form.ShellTreeView->currentItem();
    ASSERT_NE(docs, nullptr);
    f.boxes.QueueAnswer(MrNo);
    drag(form.ShellTreeView, form.ShellTreeView->indexFromItem(docs), form.SelectedDirBox);
    EXPECT_NE(f.boxes.LastText().find("Overlapping directories:"), std::string::npos);
    drag(form.SelectedDirBox, form.SelectedDirBox->model()->index(0, 0), form.ShellTreeView);
    EXPECT_TRUE(form.Editor.Task.Sources.empty());
    EXPECT_TRUE(form.DropBetweenViews(form.ShellTreeView, centre(form.SelectedDirBox), true));
    ASSERT_EQ(form.Editor.Task.Sources.size(), 1u);

    // Update shows a folder made since.
    docs = form.ShellTreeView->currentItem();
    ASSERT_NE(docs, nullptr);
    form.ShellTreeView->expandItem(docs);
    Settle();
    fs::create_directories(f.folder.Host("src/docs/fresh"));
    f.folder.WriteHostFile("src/docs/c.txt", "ccc");
    form.Editor.Task.Sources[0].NeedsScan = true;
    f.operator()<QAction>("UpdateItem")->trigger();
    Settle();
    bool listed = false;
    for (int i = 0; i < docs->childCount(); ++i) {
        listed = listed || docs->child(i)->text(0) == "fresh";
    }
    EXPECT_TRUE(listed);
    EXPECT_FALSE(form.Editor.Task.Sources[0].NeedsScan);
    EXPECT_EQ(form.Editor.Task.Sources[0].FileCount, 3);
}

// A sorted list stays sorted as folders come; of several folders chosen in the tree only
// those the file system has count.
TEST(BackupForm, SortedListAndSeveralTreeFolders)
{
    TFormFixture f;
    TBackupForm& form = *f.form;
    for (const char* name : {"src/b", "src/a", "src/ab", "src/c", "src/gone", "src/e", "src/f"}) {
        fs::create_directories(f.folder.Host(name));
    }
    f.AddFolder(f.folder.Host("src/b"));
    f.AddFolder(f.folder.Host("src/a"));
    form.SortBtn->click();
    f.AddFolder(f.folder.Host("src/ab"));
    const auto folders = [&form] {
        std::vector<std::string> dirs;
        for (const TExtensionList& entry : form.Editor.Task.Sources) {
            dirs.push_back(entry.SourceDir);
        }
        return dirs;
    };
    EXPECT_EQ(folders(),
              (std::vector<std::string>{f.folder.Win("src/a"), f.folder.Win("src/ab"), f.folder.Win("src/b")}));
    EXPECT_EQ(form.SelectedDirBox->currentRow(), 1);

    // The tree shows the entry's folder, beside the others of src.
    QTreeWidgetItem* src = form.ShellTreeView->currentItem()->parent();
    const auto select = [&form, src](std::initializer_list<QString> names) {
        form.ShellTreeView->clearSelection();
        for (int i = 0; i < src->childCount(); ++i) {
            src->child(i)->setSelected(std::find(names.begin(), names.end(), src->child(i)->text(0)) != names.end());
        }
    };
    select({"c", "gone"});
    fs::remove(f.folder.Host("src/gone"));
    f.operator()<QPushButton>("AddBtn")->click();
    EXPECT_EQ(f.boxes.ShownCount(), 0u);
    EXPECT_EQ(folders().back(), f.folder.Win("src/c"));

    select({"f", "e"});
    f.boxes.QueueAnswer(MrYes);
    f.operator()<QPushButton>("AddBtn")->click();
    EXPECT_EQ(f.boxes.LastText(), "Add 2 directories to task?");
    EXPECT_EQ(f.boxes.Shown().back().point, ControlBottomRight(form.AddBtn, {20, 10}));
    EXPECT_EQ(folders().size(), 6u);
    EXPECT_EQ(folders()[4], f.folder.Win("src/e"));
}

// A folder chosen for the destination heads its recently-used list.
TEST(BackupForm, AChosenDestinationHeadsTheHistory)
{
    TFormFixture f;
    TBackupForm& form = *f.form;
    form.Editor.Settings.DestinationHistory = {f.folder.Win("old"), f.folder.Win("dest")};
    form.FolderDialogAnswer = [&f](const std::string&) { return f.folder.Win("dest"); };
    f.operator()<QToolButton>("btnDir")->click();
    EXPECT_EQ(form.Editor.Task.Destination, f.folder.Win("dest"));
    EXPECT_EQ(form.Editor.Settings.DestinationHistory,
              (std::vector<std::string>{f.folder.Win("dest"), f.folder.Win("old")}));
    QComboBox* box = f.operator()<QComboBox>("BuZiel");
    ASSERT_EQ(box->count(), 2);
    EXPECT_EQ(box->itemText(0).toStdString(), f.folder.Host("dest"));
    EXPECT_EQ(box->currentText().toStdString(), f.folder.Host("dest"));
    EXPECT_TRUE(form.Editor.Task.Modified);
}
