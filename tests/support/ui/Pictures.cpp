#include "ui/Pictures.h"

#include "platform/Drives.h"
#include "platform/HostInfo.h"
#include "shell/StartUp.h"
#include "ui/LayoutCheck.h"
#include "ui/foundation/TabPages.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTabWidget>
#include <QWidget>
#include <cstdlib>
#include <gtest/gtest.h>

QString PictureFolder()
{
    const char* dir = std::getenv("TESSARO_SCREENSHOT_DIR");
    if (!dir || !*dir) {
        return {};
    }
    const QString folder = QString::fromLocal8Bit(dir);
    QDir().mkpath(folder);
    return folder;
}

void SettleWindows()
{
    for (int pass = 0; pass < 20; ++pass) {
        QCoreApplication::processEvents();
    }
}

void CheckPicture(QWidget& window, const std::string& name)
{
    SettleWindows();
    ExpectTidyLayout(window, name);
    if (const QString folder = PictureFolder(); !folder.isEmpty()) {
        EXPECT_TRUE(window.grab().save(folder + "/" + QString::fromStdString(name) + ".png")) << name;
    }
}

void ShowPicture(QWidget& window, const std::string& name)
{
    window.move(40, 40);
    window.show();
    CheckPicture(window, name);
    window.hide();
}

void CheckEveryPage(QWidget& window, QTabWidget& pages, const std::string& name)
{
    const int shown = pages.currentIndex();
    for (int page = 0; page < pages.count(); ++page) {
        ShowPageQuietly(pages, page);
        CheckPicture(window, name + "-page" + std::to_string(page + 1));
    }
    ShowPageQuietly(pages, shown);
}

void ScreenPicture(const std::string& name)
{
    const QString folder = PictureFolder();
    if (folder.isEmpty() || QGuiApplication::platformName() != "xcb" ||
        QStandardPaths::findExecutable("import").isEmpty()) {
        return;
    }
    SettleWindows();
    EXPECT_EQ(QProcess::execute("import", {"-window", "root", folder + "/" + QString::fromStdString(name) + ".png"}),
              0);
}

TProgramInfo ThisProgramInfo()
{
    TProgramInfo info = ProgramFolders(Platform::HostToWin(Platform::HostProgramPath()).value_or("test_ui"));
    FillVersionTexts(info);
    return info;
}
