#include "foundation/ui/ShortenPathText.h"

#include "foundation/PathUtils.h"

namespace {

QString FromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QString ShortenPathToWidth(const std::string& path, const QFontMetrics& metrics, int width)
{
    const QString whole = FromUtf8(path);
    if (metrics.horizontalAdvance(whole) <= width) {
        return whole;
    }
    // The longest character budget whose shortened text still fits.
    QString best = FromUtf8(ShortenPath(path, 0));
    int low = 1;
    int high = static_cast<int>(path.size());
    while (low <= high) {
        const int middle = low + (high - low) / 2;
        const QString candidate = FromUtf8(ShortenPath(path, middle));
        if (metrics.horizontalAdvance(candidate) <= width) {
            best = candidate;
            low = middle + 1;
        } else {
            high = middle - 1;
        }
    }
    return best;
}
