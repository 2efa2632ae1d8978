#include "pitch/NumericsError.h"

#include <utility>

namespace tonalyx {

namespace {

NumericsErrorHook& InstalledHook() {
    static NumericsErrorHook hook;
    return hook;
}

}  // namespace

NumericsErrorHook SetNumericsErrorHook(NumericsErrorHook hook) {
    return std::exchange(InstalledHook(), std::move(hook));
}

void ReportNumericsError(std::string_view message) {
    if (const NumericsErrorHook& hook = InstalledHook()) hook(message);
}

}  // namespace tonalyx
