#include "tasks/ProgressView.h"

#include "foundation/Translate.h"
#include "platform/StopSignals.h"

#include <algorithm>

namespace {

NullProgressView nullProgressView;
IProgressView* progressView = &nullProgressView;

} // namespace

bool RunCancelled(const IProgressView& view)
{
    return view.Cancelled() || Platform::StopRequested();
}

IProgressView& TheProgressView()
{
    return *progressView;
}

void RegisterProgressView(IProgressView* view)
{
    progressView = view ? view : &nullProgressView;
}

int ClampPercent(std::int64_t percent)
{
    return static_cast<int>(std::clamp<std::int64_t>(percent, 0, 100));
}

std::string ItemKindText(int kind)
{
    switch (kind) {
    case ItemFile:
        return TrDefault("File ");
    case ItemDirectory:
        return TrDefault("Directory ");
    case ItemTempZip:
        return TrDefault("Temporary Zip file");
    default:
        return {};
    }
}

std::string ActionText(int action, const std::string& shownText)
{
    switch (action) {
    case 1:
        return TrDefault("is being copied");
    case 2:
        return TrDefault("is being compressed");
    case 3:
        return TrDefault("is being decompressed");
    case 4:
        return TrDefault("is being encrypted");
    case 5:
        return TrDefault("is being decrypted");
    case 6:
        return TrDefault("is being verified");
    case 7:
        return shownText + TrDefault(" and verified");
    case 8:
        return TrDefault("is being written via FTP");
    case 9:
        return TrDefault("is being read via FTP");
    default:
        return {};
    }
}

FinishClose FinishCloseInterval(int status, int delay)
{
    if (delay < 0) {
        return {true, 0};
    }
    if (delay == 0 || (status != FinishOk && (delay & DelayWaitOnError) != 0)) {
        return {false, 0};
    }
    // (delay & 0xFFF) of 0 also waits for the user: a zero timer would close at once.
    return {false, (delay & 0xFFF) * 1000};
}

std::string BackgroundTitle(int totalPercent, const std::string& destination)
{
    return std::to_string(totalPercent) + "% => " + destination;
}
