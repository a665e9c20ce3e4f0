#include "core/DateTimeText.h"

#include <array>
#include <locale.h>
#include <time.h>

namespace fenlark {

std::string ShortDateTimeText(std::time_t moment) {
    std::tm local{};
    localtime_r(&moment, &local);
    // The locale named by the environment, looked up for this call only: the
    // process locale stays as the front end set it.
    locale_t user = ::newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (user == static_cast<locale_t>(nullptr)) {
        user = ::newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
    }
    std::array<char, 128> stamp{};
    std::size_t length = 0;
    if (user != static_cast<locale_t>(nullptr)) {
        length = ::strftime_l(stamp.data(), stamp.size(), "%x %X", &local, user);
        ::freelocale(user);
    }
    return std::string(stamp.data(), length);
}

} // namespace fenlark
