#include "ui/restore/CleanUpDialog.h"

#include "foundation/CommaText.h"
#include "foundation/DateUtils.h"
#include "foundation/History.h"
#include "foundation/MessageDialogs.h"
#include "foundation/PathUtils.h"
#include "foundation/ShownPaths.h"
#include "foundation/StringUtils.h"
#include "foundation/TextFilter.h"
#include "foundation/Translate.h"
#include "platform/Drives.h"
#include "restore/JobFile.h"
#include "tasks/IniValues.h"
#include "tasks/Placeholders.h"
#include "tasks/TaskModel.h"
#include "ui/foundation/CommonDialogs.h"
#include "ui/foundation/HistoryCombo.h"
#include "ui/foundation/QtText.h"
#include "ui/foundation/QtTranslation.h"
#include "ui/foundation/SelectFromListDialog.h"
#include "ui/foundation/ShellDirDialog.h"
#include "ui/foundation/TabPages.h"
#include "ui/foundation/WindowPlacement.h"
#include "ui/restore/ConfirmFilesDlg.h"
#include "ui/tasks/FilterDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString Tr(const char* msgid)
{
    return QStr(TrDefault(msgid));
}

QToolButton* FolderButton(QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setText("...");
    return button;
}

QDate QDateOf(TDateTime date)
{
    int y = 0;
    int m = 0;
    int d = 0;
    DecodeDate(date, y, m, d);
    return QDate(y, m, d);
}

TDateTime DateOf(const QDate& date)
{
    return EncodeDate(date.year(), date.month(), date.day());
}

std::string HostText(const std::string& win)
{
    return Platform::WinToHost(win).value_or(std::string());
}

std::string WinText(const QString& host)
{
    return host.isEmpty() ? std::string() : Platform::HostToWin(host.toStdString()).value_or(std::string());
}

} // namespace

TCleanUpDialog::TCleanUpDialog(TCleanUp& logic, QWidget* parent) : QDialog(parent), Logic(logic)
{
    ModalToItsOwners(*this);
    BuildWidgets();
    ChooseFolder = [this](const std::string& title, const std::string& start) {
        std::string folder = start;
        TShellDirDialog& chooser = SharedOrOwn(CommonDialogs().DirDialog, ownDirDialog, this);
        return chooser.Execute(title, false, folder) ? folder : std::string();
    };
    ChooseTaskFile = [this](bool save, const std::string& title, const std::string& start) {
        const QString filter = Tr("Clean up tasks") + " (*.cuj);;" + Tr("all") + " (*)";
        const QString host = QStr(HostText(start));
        QString chosen = save ? QFileDialog::getSaveFileName(this, QStr(title), host, filter)
                              : QFileDialog::getOpenFileName(this, QStr(title), host, filter);
        if (save && !chosen.isEmpty() && !chosen.contains('.')) {
            chosen += ".cuj";
        }
        return WinText(chosen);
    };
    EditTypes = [this](std::string& types) {
        std::vector<std::string> lines = SplitCommaText(types);
        std::string selection;
        TSelectFromListDialog& editor = SharedOrOwn(CommonDialogs().SelectFromList, ownListDialog, this);
        if (!editor.Execute({x() + 150, y() + 140}, TrDefault("Types to delete"), selection, lines, 0, 1, false, false,
                            true, TrDefault("Type"))) {
            return false;
        }
        types = CommaTextOf(FileTypesOfLines(lines));
        return true;
    };
    confirmDialog = new TConfirmFilesDialog(this);
    filterDialog = new TFilterDialog(this);
}

TCleanUpDialog::~TCleanUpDialog() = default;

void TCleanUpDialog::BuildWidgets()
{
    pcBuDir = new QTabWidget(this);
    tsDir = new QWidget(pcBuDir);
    BUVerz = new THistoryCombo(tsDir);
    BUVerz->setMinimumWidth(360);
    VerzBtn = FolderButton(tsDir);
    VerzBtn->setToolTip(Tr("Select backup directory"));
    auto* dirRow = new QHBoxLayout(tsDir);
    dirRow->addWidget(BUVerz, 1);
    dirRow->addWidget(VerzBtn);
    tsFtp = new QWidget(pcBuDir);
    edtFtp = new QLineEdit(tsFtp);
    edtFtp->setReadOnly(true);
    sbtFtp = FolderButton(tsFtp);
    auto* ftpRow = new QHBoxLayout(tsFtp);
    ftpRow->addWidget(edtFtp, 1);
    ftpRow->addWidget(sbtFtp);
    pcBuDir->addTab(tsDir, Tr("Directory"));
    pcBuDir->addTab(tsFtp, Tr("FTP server"));

    rgAge = new QGroupBox(this);
    ageButtons = new QButtonGroup(this);
    auto* ageLayout = new QVBoxLayout(rgAge);
    const char* const ages[] = {TrNoopDefault("all"),
                                TrNoopDefault("all older than 1 week"),
                                TrNoopDefault("all older than 4 weeks"),
                                TrNoopDefault("all older than 6 months"),
                                TrNoopDefault("all older than 1 year"),
                                TrNoopDefault("all older than:"),
                                TrNoopDefault("all newer from:")};
    for (int i = 0; i < 7; ++i) {
        auto* button = new QRadioButton(Tr(ages[i]), rgAge);
        ageButtons->addButton(button, i);
        ageLayout->addWidget(button);
    }
    DateTimePicker = new QDateEdit(rgAge);
    DateTimePicker->setCalendarPopup(true);
    DateTimePicker->setDisplayFormat(DateFieldFormat());
    ageLayout->addWidget(DateTimePicker);
    ageLayout->addStretch();

    gbTypes = new QGroupBox(Tr("File types"), this);
    IncludeTypesCB = new QCheckBox(Tr("only these"), gbTypes);
    ExcludeTypesCB = new QCheckBox(Tr("all except of"), gbTypes);
    KompCB = new QCheckBox(Tr("include compressed files"), gbTypes);
    TypenEdit = new QLineEdit(gbTypes);
    TypenBtn = FolderButton(gbTypes);
    TypenBtn->setToolTip(Tr("Types to delete"));
    auto* typesLayout = new QGridLayout(gbTypes);
    typesLayout->addWidget(IncludeTypesCB, 0, 0);
    typesLayout->addWidget(ExcludeTypesCB, 0, 1);
    typesLayout->addWidget(TypenEdit, 1, 0, 1, 2);
    typesLayout->addWidget(TypenBtn, 1, 2);
    typesLayout->addWidget(KompCB, 2, 0, 1, 3);

    gbFilter = new QGroupBox(this);
    FilterText = new QLabel(gbFilter);
    FilterText->setToolTip(Tr("Filter for files without extension"));
    FilterBtn = FolderButton(gbFilter);
    auto* filterLayout = new QHBoxLayout(gbFilter);
    filterLayout->addWidget(FilterText, 1);
    filterLayout->addWidget(FilterBtn);

    gbSync = new QGroupBox(Tr("Synchronize"), this);
    rbtNoSync = new QRadioButton(Tr("off"), gbSync);
    rbtSyncOrigin = new QRadioButton(Tr("with origin"), gbSync);
    rbtSyncSelect = new QRadioButton(Tr("with following directory:"), gbSync);
    hcbSyncDir = new THistoryCombo(gbSync);
    sbtSyncDir = FolderButton(gbSync);
    auto* syncLayout = new QGridLayout(gbSync);
    syncLayout->addWidget(rbtNoSync, 0, 0);
    syncLayout->addWidget(rbtSyncOrigin, 0, 1);
    syncLayout->addWidget(rbtSyncSelect, 1, 0, 1, 2);
    syncLayout->addWidget(hcbSyncDir, 2, 0, 1, 2);
    syncLayout->addWidget(sbtSyncDir, 2, 2);
    // Why the folder cannot take the chosen synchronisation; the choice itself stays.
    lblSyncRefusal = new QLabel(gbSync);
    lblSyncRefusal->setObjectName("lblSyncRefusal");
    lblSyncRefusal->setWordWrap(true);
    lblSyncRefusal->hide();
    syncLayout->addWidget(lblSyncRefusal, 3, 0, 1, 3);

    gbOptions = new QGroupBox(Tr("Delete"), this);
    rbFiles = new QRadioButton(Tr("Files"), gbOptions);
    rbDirs = new QRadioButton(Tr("Root directories"), gbOptions);
    auto* optionsLayout = new QHBoxLayout(gbOptions);
    optionsLayout->addWidget(rbFiles);
    optionsLayout->addWidget(rbDirs);

    gbRecycler = new QGroupBox(this);
    RecycleCB = new QCheckBox(Tr("Use trash for erased files"), gbRecycler);
    auto* recyclerLayout = new QHBoxLayout(gbRecycler);
    recyclerLayout->addWidget(RecycleCB);

    StartBtn = new QPushButton(this);
    LoadBtn = new QPushButton(Tr("Load"), this);
    SaveBtn = new QPushButton(Tr("Save"), this);
    btnBack = new QPushButton(Tr("&Done"), this);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(StartBtn);
    buttons->addStretch();
    buttons->addWidget(LoadBtn);
    buttons->addWidget(SaveBtn);
    buttons->addStretch();
    buttons->addWidget(btnBack);

    auto* right = new QVBoxLayout;
    right->addWidget(gbTypes);
    right->addWidget(gbFilter);
    right->addWidget(gbSync);
    right->addWidget(gbOptions);
    right->addWidget(gbRecycler);
    right->addStretch();
    auto* middle = new QHBoxLayout;
    middle->addWidget(rgAge);
    middle->addLayout(right, 1);
    middle->addLayout(buttons);
    auto* main = new QVBoxLayout;
    main->addWidget(pcBuDir);
    main->addLayout(middle);
    ScrollContents(*this, main);

    connect(StartBtn, &QPushButton::clicked, this, &TCleanUpDialog::StartBtnClick);
    connect(LoadBtn, &QPushButton::clicked, this, &TCleanUpDialog::LoadBtnClick);
    connect(SaveBtn, &QPushButton::clicked, this, &TCleanUpDialog::SaveBtnClick);
    connect(btnBack, &QPushButton::clicked, this, &QDialog::close);
    connect(VerzBtn, &QToolButton::clicked, this, &TCleanUpDialog::VerzBtnClick);
    connect(sbtSyncDir, &QToolButton::clicked, this, &TCleanUpDialog::SyncDirBtnClick);
    connect(FilterBtn, &QToolButton::clicked, this, &TCleanUpDialog::FilterBtnClick);
    connect(TypenBtn, &QToolButton::clicked, this, &TCleanUpDialog::TypenBtnClick);
    connect(pcBuDir, &QTabWidget::currentChanged, this, &TCleanUpDialog::PageChanged);
    connect(sbtFtp, &QToolButton::clicked, this, [this] {
        if (EditFtp && EditFtp(Logic.Settings.Ftp)) {
            edtFtp->setText(QStr(CleanUpFtpText(Logic.Settings.Ftp)));
        }
    });
    connect(ageButtons, &QButtonGroup::idClicked, this, &TCleanUpDialog::AgeChanged);
    connect(IncludeTypesCB, &QCheckBox::clicked, this, [this] { TypeBoxClicked(IncludeTypesCB); });
    connect(ExcludeTypesCB, &QCheckBox::clicked, this, [this] { TypeBoxClicked(ExcludeTypesCB); });
    connect(rbtNoSync, &QRadioButton::clicked, this, &TCleanUpDialog::UpdateEnabling);
    connect(rbtSyncSelect, &QRadioButton::clicked, this, &TCleanUpDialog::UpdateEnabling);
    connect(rbtSyncOrigin, &QRadioButton::clicked, this, &TCleanUpDialog::SyncOriginClick);
    // The folder is judged once chosen or left, not at each key: a half-typed folder has no
    // origin, and the choice made for the whole one must not change under the user.
    connect(BUVerz, &QComboBox::activated, this, &TCleanUpDialog::JudgeFolder);
    connect(BUVerz->lineEdit(), &QLineEdit::editingFinished, this, &TCleanUpDialog::JudgeFolder);
    connect(rbFiles, &QRadioButton::clicked, this, &TCleanUpDialog::ModeChanged);
    connect(rbDirs, &QRadioButton::clicked, this, &TCleanUpDialog::ModeChanged);
    ShowSettings();
}

void TCleanUpDialog::FillHistory(THistoryCombo* combo, const std::vector<std::string>& items, const std::string& text)
{
    combo->History().Clear();
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        combo->History().AddItem(ShownFolderText(*it));
    }
    combo->Refresh();
    combo->SetText(ShownFolderText(text));
}

void TCleanUpDialog::RememberHistory(THistoryCombo* combo, std::vector<std::string>& items)
{
    const std::string text = FolderOfShownText(combo->Text());
    if (!text.empty()) {
        AddToHistory(items, text);
        FillHistory(combo, items, text);
    }
}

void TCleanUpDialog::ShowSettings()
{
    const TCleanUpSettings& s = Logic.Settings;
    FillHistory(BUVerz, Logic.FolderHistory, s.Directory);
    FillHistory(hcbSyncDir, Logic.SyncDirHistory, s.SyncDir);
    if (QAbstractButton* age = ageButtons->button(s.AgeMode)) {
        age->setChecked(true);
    }
    DateTimePicker->setMaximumDate(QDateOf(Date()));
    DateTimePicker->setDate(QDateOf(s.Date));
    IncludeTypesCB->setChecked(s.Types == CleanUpTypesOnly);
    ExcludeTypesCB->setChecked(s.Types == CleanUpTypesExcept);
    KompCB->setChecked(s.Compressed);
    TypenEdit->setText(QStr(s.TypeList));
    rbtNoSync->setChecked(s.Sync == CleanUpSyncOff);
    rbtSyncOrigin->setChecked(s.Sync == CleanUpSyncOrigin);
    rbtSyncSelect->setChecked(s.Sync == CleanUpSyncFolder);
    rbFiles->setChecked(s.FilesMode);
    rbDirs->setChecked(!s.FilesMode);
    RecycleCB->setChecked(s.UseRecycler);
    edtFtp->setText(s.Ftp.Host.empty() ? QString() : QStr(CleanUpFtpText(s.Ftp)));
    ShowPageQuietly(*pcBuDir, s.FtpBackup ? 1 : 0);
    ModeChanged();
    AgeChanged();
    JudgeFolder();
}

int TCleanUpDialog::TypeRule() const
{
    if (IncludeTypesCB->isChecked()) {
        return CleanUpTypesOnly;
    }
    return ExcludeTypesCB->isChecked() ? CleanUpTypesExcept : CleanUpTypesAll;
}

void TCleanUpDialog::TakeSettings()
{
    TCleanUpSettings& s = Logic.Settings;
    s.Directory = FolderOfShownText(BUVerz->Text());
    s.SyncDir = FolderOfShownText(hcbSyncDir->Text());
    s.AgeMode = std::max(0, ageButtons->checkedId());
    s.Date = DateOf(DateTimePicker->date());
    s.Types = TypeRule();
    s.Compressed = KompCB->isChecked();
    s.TypeList = TypenEdit->text().toStdString();
    s.Sync = rbtSyncOrigin->isChecked() ? CleanUpSyncOrigin
                                        : (rbtSyncSelect->isChecked() ? CleanUpSyncFolder : CleanUpSyncOff);
    s.FilesMode = rbFiles->isChecked();
    s.UseRecycler = RecycleCB->isChecked();
    s.FtpBackup = pcBuDir->currentIndex() == 1;
}

void TCleanUpDialog::UpdateEnabling()
{
    const bool files = rbFiles->isChecked();
    const bool typed = IncludeTypesCB->isChecked() || ExcludeTypesCB->isChecked();
    for (QWidget* box : {static_cast<QWidget*>(IncludeTypesCB), static_cast<QWidget*>(ExcludeTypesCB),
                         static_cast<QWidget*>(KompCB), static_cast<QWidget*>(rbtNoSync),
                         static_cast<QWidget*>(rbtSyncOrigin), static_cast<QWidget*>(rbtSyncSelect)}) {
        box->setEnabled(files);
    }
    TypenEdit->setEnabled(files && typed);
    TypenBtn->setEnabled(files && typed);
    hcbSyncDir->setEnabled(files && rbtSyncSelect->isChecked());
    sbtSyncDir->setEnabled(files && rbtSyncSelect->isChecked());
    RecycleCB->setEnabled(pcBuDir->currentIndex() == 0);
    const QString refusal = QStr(originSync.Refusal);
    rbtSyncOrigin->setEnabled(files && originSync.Possible());
    rbtSyncOrigin->setToolTip(refusal);
    lblSyncRefusal->setText(refusal);
    lblSyncRefusal->setVisible(files && rbtSyncOrigin->isChecked() && !originSync.Possible());
}

void TCleanUpDialog::UpdateFilterText()
{
    const TCleanUpSettings& s = Logic.Settings;
    FilterText->setText(QStr(CleanUpFilterText(s.Regular, s.FilterMode, s.Filter)));
}

void TCleanUpDialog::ModeChanged()
{
    const bool files = rbFiles->isChecked();
    rgAge->setTitle(Tr(files ? "Age of files" : TrNoopDefault("Age of root directories")));
    gbFilter->setTitle(Tr(files ? "File filter" : TrNoopDefault("Directory filter")));
    StartBtn->setText(Tr(files ? "&Delete files" : TrNoopDefault("&Delete\r\ndirectories")).replace("\r\n", "\n"));
    UpdateEnabling();
}

void TCleanUpDialog::AgeChanged()
{
    const int mode = ageButtons->checkedId();
    DateTimePicker->setVisible(mode == CleanUpAgeOlderThan || mode == CleanUpAgeSince);
    UpdateFilterText();
}

void TCleanUpDialog::TypeBoxClicked(QCheckBox* box)
{
    QCheckBox* other = box == IncludeTypesCB ? ExcludeTypesCB : IncludeTypesCB;
    if (box->isChecked()) {
        const bool otherWasChecked = other->isChecked();
        other->setChecked(false);
        if (isVisible() && !otherWasChecked && TypenEdit->text().trimmed().isEmpty()) {
            TypenBtnClick();
        }
    }
    UpdateEnabling();
}

void TCleanUpDialog::showEvent(QShowEvent* event)
{
    setWindowTitle(QStr(Logic.ProductText + CleanUpCaption()));
    UpdateEnabling();
    QDialog::showEvent(event);
}

void TCleanUpDialog::closeEvent(QCloseEvent* event)
{
    Done();
    QDialog::closeEvent(event);
}

void TCleanUpDialog::Done()
{
    TakeSettings();
    if (Logic.TaskLoaded) {
        Logic.RestoreOwnSettings();
        setWindowTitle(QStr(Logic.ProductText + CleanUpCaption()));
        ShowSettings();
    }
}

void TCleanUpDialog::Prepare(const std::string& folder, bool ftp, int logMode)
{
    Logic.LogMode = logMode;
    Logic.Settings.FtpBackup = ftp;
    if (!ftp && !folder.empty()) {
        Logic.Settings.Directory = StripPlaceholderDirs(folder);
        AddToHistory(Logic.FolderHistory, Logic.Settings.Directory);
    }
    ShowSettings();
    UpdateFilterText();
}

void TCleanUpDialog::Execute(const std::string& folder, int logMode)
{
    Prepare(folder, false, logMode);
    exec();
}

void TCleanUpDialog::ExecuteFtp(const TFtpParams& ftp, int logMode)
{
    Logic.Settings.Ftp = ftp;
    Logic.Settings.Ftp.SubDir = StripFtpPlaceholderDirs(ftp.SubDir);
    Prepare({}, true, logMode);
    exec();
}

void TCleanUpDialog::PageChanged(int index)
{
    // Without a server there is nothing to clean up on this page.
    if (index == 1 && (EditFtp ? !EditFtp(Logic.Settings.Ftp) : Logic.Settings.Ftp.Host.empty())) {
        index = 0;
    } else if (index == 1) {
        edtFtp->setText(QStr(CleanUpFtpText(Logic.Settings.Ftp)));
    }
    ShowPageQuietly(*pcBuDir, index);
    Logic.Settings.FtpBackup = index == 1;
    JudgeFolder();
}

void TCleanUpDialog::VerzBtnClick()
{
    const std::string chosen = ChooseFolder(TrDefault("Select backup directory"), FolderOfShownText(BUVerz->Text()));
    if (!chosen.empty()) {
        BUVerz->SetText(ShownFolderText(chosen));
        RememberHistory(BUVerz, Logic.FolderHistory);
        JudgeFolder();
    }
}

void TCleanUpDialog::SyncDirBtnClick()
{
    const std::string chosen =
        ChooseFolder(TrDefault("Synchronize to directcory"), FolderOfShownText(hcbSyncDir->Text()));
    if (!chosen.empty()) {
        hcbSyncDir->SetText(ShownFolderText(chosen));
        RememberHistory(hcbSyncDir, Logic.SyncDirHistory);
    }
}

void TCleanUpDialog::JudgeFolder()
{
    originSync = OriginSyncOf(FolderOfShownText(BUVerz->Text()), pcBuDir->currentIndex() == 1);
    if (rbtSyncOrigin->isChecked()) {
        ShowOrigins();
    }
    UpdateEnabling();
}

void TCleanUpDialog::ShowOrigins()
{
    // One root per drive folder, separated by ";".
    std::string shown;
    const std::string& origins = originSync.Origins;
    for (size_t start = 0; start < origins.size();) {
        const size_t end = std::min(origins.find(';', start), origins.size());
        shown += (shown.empty() ? "" : ";") + ShownFolderText(origins.substr(start, end - start));
        start = end + 1;
    }
    hcbSyncDir->SetText(shown);
}

void TCleanUpDialog::SyncOriginClick()
{
    JudgeFolder();
}

void TCleanUpDialog::FilterBtnClick()
{
    TCleanUpSettings& s = Logic.Settings;
    TTextFilter filter;
    filter.IsRegEx = s.Regular;
    filter.Mode = static_cast<uint8_t>(s.FilterMode);
    try {
        filter.SetMask(s.Filter);
    } catch (const std::exception&) {
        filter.SetMask(filter.DefaultMask()); // a task's broken mask is offered for repair
    }
    if (filterDialog->Execute(TrDefault(rbFiles->isChecked() ? "File filter" : TrNoopDefault("Directory filter")),
                              filter)) {
        s.Regular = filter.IsRegEx;
        s.FilterMode = filter.Mode;
        s.Filter = filter.GetMask();
        UpdateFilterText();
    }
}

void TCleanUpDialog::TypenBtnClick()
{
    std::string types = TypenEdit->text().toStdString();
    if (EditTypes(types)) {
        TypenEdit->setText(QStr(types));
    }
}

void TCleanUpDialog::LoadBtnClick()
{
    const std::string file = ChooseTaskFile(false, TrDefault("Load clean up task"),
                                            Logic.TaskFileName.empty() ? Logic.TaskDir : Logic.TaskFileName);
    if (!file.empty()) {
        TakeSettings();
        if (Logic.LoadTask(file)) {
            setWindowTitle(QStr(Logic.ProductText + CleanUpCaption() + " - " + ExtractFileName(file)));
        }
        ShowSettings();
    }
    UpdateFilterText();
}

void TCleanUpDialog::SaveBtnClick()
{
    const std::string file = ChooseTaskFile(true, TrDefault("Save clean up task"),
                                            Logic.TaskFileName.empty() ? Logic.TaskDir : Logic.TaskFileName);
    if (file.empty()) {
        return;
    }
    TakeSettings();
    if (Logic.SaveTask(file)) {
        setWindowTitle(QStr(Logic.ProductText + CleanUpCaption() + " - " + ExtractFileName(file)));
    } else {
        ErrorDialog({}, FormatText(TrDefault("Could not write \"%s\""), file));
    }
}

void TCleanUpDialog::StartBtnClick()
{
    TakeSettings();
    // A synchronisation the folder cannot take deletes nothing in its place.
    if (const std::string refusal = Logic.SyncRefusal(); !refusal.empty()) {
        ErrorDialog({}, refusal);
        return;
    }
    const TCleanUpSettings& s = Logic.Settings;
    if (!s.FtpBackup) {
        if (s.Directory.empty()) {
            ErrorDialog({}, NoDirectoryText());
            return;
        }
        RememberHistory(BUVerz, Logic.FolderHistory);
        if (s.Sync == CleanUpSyncFolder) {
            RememberHistory(hcbSyncDir, Logic.SyncDirHistory);
        }
        const TScopedConfirmFiles confirm(confirmDialog);
        Logic.RunCleanUp(s.Directory, s.TypeList, CloseDelay, false, true, s.UseRecycler, s.Compressed, s.Types,
                         s.AgeMode);
        return;
    }
    if (Logic.ConnectFtp(false)) {
        const TScopedConfirmFiles confirm(confirmDialog);
        Logic.RunFtpCleanUp(s.TypeList, s.AgeMode, CloseDelay, false, true, s.Compressed, s.Types);
    } else {
        ErrorDialog({}, FtpConnectionFailedText() + ": " + edtFtp->text().toStdString());
    }
    Logic.Ftp.reset();
}
