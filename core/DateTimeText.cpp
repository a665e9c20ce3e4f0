#include "core/DateTimeText.h"

#include <array>
#include <ctime>

#ifdef _WIN32
#include "core/TextConversion.h"

#include "core/WindowsApi.h"
#else
#include <locale.h>
#include <time.h>
#endif

namespace fenlark {

#ifdef _WIN32

constexpr int TmYearBase = 1900; // std::tm counts years from 1900, months from 0

std::string ShortDateTimeText(std::time_t moment) {
    std::tm local{};
    if (::localtime_s(&local, &moment) != 0) {
        return {};
    }
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(local.tm_year + TmYearBase);
    time.wMonth = static_cast<WORD>(local.tm_mon + 1);
    time.wDay = static_cast<WORD>(local.tm_mday);
    time.wDayOfWeek = static_cast<WORD>(local.tm_wday);
    time.wHour = static_cast<WORD>(local.tm_hour);
    time.wMinute = static_cast<WORD>(local.tm_min);
    time.wSecond = static_cast<WORD>(local.tm_sec);
    // The user's own short date and long time formats, as the control panel
    // sets them.
    std::array<wchar_t, 128> date{};
    std::array<wchar_t, 128> clock{};
    const int dateLength =
        ::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date.data(),
                          static_cast<int>(date.size()), nullptr);
    const int clockLength = ::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, nullptr,
                                              clock.data(), static_cast<int>(clock.size()));
    if (dateLength <= 1 || clockLength <= 1) {
        return {};
    }
    // The lengths count the terminating zero.
    return WideToUtf8(std::wstring(date.data(), static_cast<std::size_t>(dateLength - 1)) + L" " +
                      std::wstring(clock.data(), static_cast<std::size_t>(clockLength - 1)));
}

#else

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

#endif

} // namespace fenlark
