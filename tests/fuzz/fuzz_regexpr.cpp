// libFuzzer target for the regular-expression compiler and matcher and the wildcard masks.
// Input: one flag byte, the expression, a zero byte, the subject.

#include "foundation/Mask.h"
#include "foundation/RegExpr.h"
#include "foundation/TextFilter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

constexpr std::uint8_t WildcardFlag = 0x40;

void CheckMatchBounds(const TRegExpr& re, const std::string& subject)
{
    for (int slot = 0; slot < TRegExpr::SlotCount; ++slot) {
        const int pos = re.MatchPos(slot);
        if (pos < 0) {
            continue;
        }
        if (pos < 1 || re.MatchLen(slot) < 0 || pos - 1 + re.MatchLen(slot) > static_cast<int>(subject.size())) {
            std::abort();
        }
    }
}

void FuzzExpression(std::uint8_t flags, const std::string& expression, const std::string& subject)
{
    TRegExpr re;
    re.SetModifiers(flags & 0x3F);
    re.SetStepLimit(2'000'000);
    re.SetExpression(expression);
    try {
        if (re.Exec(subject)) {
            CheckMatchBounds(re, subject);
        }
    } catch (const ERegExpr& e) {
        if (e.ErrorCode < 1000 && e.CompilerErrorPos < 0) {
            std::abort();
        }
    }
}

void FuzzWildcards(const std::string& mask, const std::string& name)
{
    TTextFilter filter;
    filter.Mode = TTextFilter::ModeInclude;
    try {
        filter.SetMask(mask);
    } catch (const EFilterError&) {
        if (filter.GetMask() != "*") {
            std::abort();
        }
    }
    filter.Match(name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const std::uint8_t flags = data[0];
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto zero = rest.find('\0');
    const std::string pattern = rest.substr(0, zero);
    const std::string subject = zero == std::string::npos ? std::string() : rest.substr(zero + 1);
    if (flags & WildcardFlag) {
        FuzzWildcards(pattern, subject);
    } else {
        FuzzExpression(flags, pattern, subject);
    }
    return 0;
}
