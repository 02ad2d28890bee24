#include "ui/shell/ProgramIcons.h"

#include <QFile>
#include <array>

namespace {

constexpr std::array<int, 8> AppSizes = {16, 22, 24, 32, 48, 64, 128, 256};
constexpr std::array<int, 6> TraySizes = {16, 22, 24, 32, 48, 64};

QIcon CompiledTrayIcon(const QString& name)
{
    QIcon icon;
    for (const int size : TraySizes) {
        const QString file = QString(":/icons/tray/%1-%2.png").arg(name).arg(size);
        if (!QFile::exists(file)) {
            return {};
        }
        icon.addFile(file, QSize(size, size));
    }
    return icon;
}

} // namespace

QIcon ApplicationIcon()
{
    static const QIcon icon = [] {
        QIcon compiled;
        for (const int size : AppSizes) {
            compiled.addFile(QString(":/icons/app/%1.png").arg(size), QSize(size, size));
        }
        return QIcon::fromTheme(TESSARO_APP_ID, compiled);
    }();
    return icon;
}

QIcon TrayIconPicture(const std::string& name)
{
    const QIcon icon = CompiledTrayIcon(QString::fromStdString(name.empty() ? "SMALLICON" : name));
    return icon.isNull() ? CompiledTrayIcon("SMALLICON") : icon;
}
