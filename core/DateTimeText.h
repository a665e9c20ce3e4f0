#pragma once
// Dates and times as the user writes them.

#include <ctime>
#include <string>

namespace fenlark {

// `moment` as local date and time in the short date and time formats of the
// user's locale (the environment's LC_TIME / LANG), whatever locale the
// program itself runs in, so that every front end writes the same text.
std::string ShortDateTimeText(std::time_t moment);

} // namespace fenlark
