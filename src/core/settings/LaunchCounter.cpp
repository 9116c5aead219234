#include "core/settings/LaunchCounter.h"

#include <algorithm>

namespace romshelf {

void countLaunch(MainSettings& settings, Prompter& prompter) {
    ExtraOption& counter = settings.extraOptions[kLaunchCountOption];
    // A count stored out of range (a foreign or damaged file) starts again from its bounds.
    counter.value = counter.value < 0 ? 1 : std::min(counter.value, kLaunchCountCap - 1) + 1;
    const struct {
        std::int32_t above;
        ExtraOption& unlocked;
        const char* text;
    } steps[] = {
        {49, counter,
         "おめでとうございます！\nRomshelfPlus!! "
         "の起動回数が50回を超えました。\n\nEXTオプションに「サンクスダイアログ1」が追加されました。"},
        {99, settings.extraOptions[kSecondThanksOption],
         "おめでとうございます！\nRomshelfPlus!! "
         "の起動回数が100回を超えました。\n\nEXTオプションに「サンクスダイアログ2」が追加されました。"},
    };
    for (const auto& step : steps) {
        if (counter.value > step.above && !step.unlocked.flag) {
            prompter.inform(step.text, "エキストラオプション");
            step.unlocked.flag = true;
        }
    }
}

}  // namespace romshelf
