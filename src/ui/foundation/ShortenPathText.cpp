#include "ui/foundation/ShortenPathText.h"

#include "foundation/PathUtils.h"
#include "foundation/ShownPaths.h"
#include "ui/foundation/QtText.h"

QString ShortenPathToWidth(const std::string& path, const QFontMetrics& metrics, int width)
{
    // Shortened as Windows text (its delimiters), shown as a host path.
    const auto shown = [](const std::string& text) { return QStr(HostPathsInText(text)); };
    QString whole = shown(path);
    if (metrics.horizontalAdvance(whole) <= width) {
        return whole;
    }
    // The longest character budget whose shortened text still fits.
    QString best = shown(ShortenPath(path, 0));
    int low = 1;
    int high = static_cast<int>(path.size());
    while (low <= high) {
        const int middle = low + (high - low) / 2;
        const QString candidate = shown(ShortenPath(path, middle));
        if (metrics.horizontalAdvance(candidate) <= width) {
            best = candidate;
            low = middle + 1;
        } else {
            high = middle - 1;
        }
    }
    return best;
}
