#include "ui/tasks/AddPrograms.h"

#include "foundation/ShownPaths.h"
#include "platform/Drives.h"
#include "ui/tasks/DialogTools.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// "Programs|*.exe|all|*.*" as Qt's name filters: "Programs (*.exe)", "all (*.*)".
QStringList QtNameFilters(const std::string& filter)
{
    const QStringList parts = QStr(filter).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        filters << TrQ(parts[i].toUtf8().constData()) + " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
    }
    return filters;
}

} // namespace

TAddProgramsDialog::TAddProgramsDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(TrQ("External programs"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MakeGroup(TrQ("Execute before backup:"), Pre));
    layout->addWidget(MakeGroup(TrQ("Execute after backup:"), Post));
    layout->addWidget(OkCancelButtons(this));
    connect(Pre.Browse, &QToolButton::clicked, this, &TAddProgramsDialog::PreCommandBtnClick);
    connect(Post.Browse, &QToolButton::clicked, this, &TAddProgramsDialog::PostCommandBtnClick);
    ChooseProgram = [this](const std::string& title, const TBrowseStart& start, std::string& file) {
        return ChooseProgramFile(title, start, file);
    };
}

QWidget* TAddProgramsDialog::MakeGroup(const QString& title, TCommandGroup& group)
{
    auto* box = new QGroupBox(title, this);
    group.Command = new QLineEdit(box);
    group.Command->setMinimumWidth(360);
    group.Browse = new QToolButton(box);
    group.Browse->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    group.WaitForEnd = new QRadioButton(TrQ("Wait until program terminates"), box);
    group.WaitTime = new QRadioButton(TrQ("Wait time in s"), box);
    group.Seconds = new QSpinBox(box);
    group.Seconds->setRange(1, 3600);
    group.Seconds->setValue(5);
    group.Active = new QCheckBox(TrQ("Active"), box);
    group.WaitForEnd->setChecked(true);
    auto* commandRow = new QHBoxLayout;
    commandRow->addWidget(group.Command, 1);
    commandRow->addWidget(group.Browse);
    auto* waitRow = new QHBoxLayout;
    waitRow->addWidget(group.WaitForEnd);
    waitRow->addWidget(group.WaitTime);
    waitRow->addWidget(group.Seconds);
    waitRow->addStretch();
    waitRow->addWidget(group.Active);
    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->addLayout(commandRow);
    boxLayout->addLayout(waitRow);
    QSpinBox* seconds = group.Seconds;
    connect(group.WaitForEnd, &QRadioButton::toggled, seconds, [seconds](bool on) { seconds->setEnabled(!on); });
    return box;
}

void TAddProgramsDialog::ShowGroup(TCommandGroup& group, const std::string& command, int32_t wait)
{
    const TCommandControls controls = CommandControlsOf(command, wait, group.Seconds->value());
    group.Command->setText(QStr(ShownCommandText(controls.Text)));
    group.Active->setChecked(controls.Active);
    (controls.WaitForEnd ? group.WaitForEnd : group.WaitTime)->setChecked(true);
    group.Seconds->setValue(controls.Seconds);
    group.Seconds->setEnabled(!controls.WaitForEnd);
}

void TAddProgramsDialog::TakeGroup(const TCommandGroup& group, std::string& command, int32_t& wait)
{
    TCommandControls controls;
    controls.Text = CommandOfShownText(group.Command->text().toStdString());
    controls.Active = group.Active->isChecked();
    controls.WaitForEnd = group.WaitForEnd->isChecked();
    controls.Seconds = group.Seconds->value();
    CommitCommand(controls, command, wait);
}

void TAddProgramsDialog::ShowCommands(const std::string& preCommand, int32_t preWait, const std::string& postCommand,
                                      int32_t postWait)
{
    ShowGroup(Pre, preCommand, preWait);
    ShowGroup(Post, postCommand, postWait);
}

void TAddProgramsDialog::TakeCommands(std::string& preCommand, int32_t& preWait, std::string& postCommand,
                                      int32_t& postWait) const
{
    TakeGroup(Pre, preCommand, preWait);
    TakeGroup(Post, postCommand, postWait);
}

bool TAddProgramsDialog::Execute(const std::string& folder, std::string& preCommand, int32_t& preWait,
                                 std::string& postCommand, int32_t& postWait)
{
    defaultFolder = folder;
    ShowCommands(preCommand, preWait, postCommand, postWait);
    if (exec() != QDialog::Accepted) {
        return false;
    }
    TakeCommands(preCommand, preWait, postCommand, postWait);
    return true;
}

void TAddProgramsDialog::Browse(bool post)
{
    TCommandGroup& group = post ? Post : Pre;
    const auto command = [](const TCommandGroup& shown) {
        return CommandOfShownText(shown.Command->text().toStdString());
    };
    const TBrowseStart start = ProgramBrowseStart(post, command(group), command(Pre), defaultFolder);
    std::string file;
    const char* title =
        post ? TrNoopDefault("Program to execute after backup") : TrNoopDefault("Program to execute before backup");
    if (ChooseProgram(TrDefault(title), start, file)) {
        group.Command->setText(QStr("\"" + file + "\""));
    }
}

void TAddProgramsDialog::PreCommandBtnClick()
{
    Browse(false);
}

void TAddProgramsDialog::PostCommandBtnClick()
{
    Browse(true);
}

bool TAddProgramsDialog::ChooseProgramFile(const std::string& title, const TBrowseStart& start, std::string& file)
{
    QFileDialog dialog(this, QStr(title));
    dialog.setFileMode(QFileDialog::ExistingFile);
    const std::string folder = Platform::WinToHost(start.Folder).value_or(std::string());
    dialog.setDirectory(QStr(folder));
    const QStringList filters = QtNameFilters(ProgramFilter);
    dialog.setNameFilters(filters);
    if (start.FilterIndex >= 1 && start.FilterIndex <= filters.size()) {
        dialog.selectNameFilter(filters[start.FilterIndex - 1]);
    }
    if (!start.FileName.empty()) {
        dialog.selectFile(QStr(start.FileName));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    file = dialog.selectedFiles().first().toStdString();
    return true;
}
