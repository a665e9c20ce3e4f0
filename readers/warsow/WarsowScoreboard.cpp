#include "readers/warsow/WarsowScoreboard.h"

#include "readers/warsow/WarsowText.h"

#include <charconv>
#include <cstdio>

namespace fenlark::readers::warsow {

namespace {

// Words separated by blanks (newlines included); quoted words keep blanks.
std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && static_cast<unsigned char>(text[at]) <= ' ') {
            ++at;
        }
        if (at >= text.size()) {
            break;
        }
        if (text[at] == '"') {
            const std::size_t close = text.find('"', at + 1);
            const std::size_t end = close == std::string_view::npos ? text.size() : close;
            words.push_back(text.substr(at + 1, end - at - 1));
            at = end + 1;
            continue;
        }
        const std::size_t start = at;
        while (at < text.size() && static_cast<unsigned char>(text[at]) > ' ') {
            ++at;
        }
        words.push_back(text.substr(start, at - start));
    }
    return words;
}

// A leading whole number as the game's atoi reads it; 0 when there is none.
int ToInt(std::string_view word) {
    int value = 0;
    const char* begin = word.data();
    if (!word.empty() && word.front() == '+') {
        ++begin;
    }
    std::from_chars(begin, word.data() + word.size(), value);
    return value;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
        };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

struct Column {
    char type = 's';
    std::string title;
};

std::vector<Column> Columns(std::string_view layout, std::string_view titles) {
    std::vector<Column> columns;
    const std::vector<std::string_view> layoutWords = Words(layout);
    const std::vector<std::string_view> titleWords = Words(titles);
    // The layout is pairs of "%type width".
    for (std::size_t i = 0; i + 1 < layoutWords.size(); i += 2) {
        const std::string_view type = layoutWords[i];
        if (type.size() < 2 || type.front() != '%') {
            break;
        }
        Column column;
        column.type = type[1];
        const std::size_t index = columns.size();
        if (index < titleWords.size()) {
            column.title = WarsowTextToUtf8(StripColourCodes(titleWords[index]));
        }
        columns.push_back(std::move(column));
    }
    return columns;
}

std::string RaceTime(int milliseconds) {
    if (milliseconds <= 0) {
        return "no time";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d.%03d", milliseconds / 60000,
                  milliseconds / 1000 % 60, milliseconds % 1000);
    return text;
}

bool IsTag(std::string_view word) {
    return !word.empty() && word.front() == '&';
}

} // namespace

Scoreboard ParseScoreboard(std::string_view text, std::string_view layout,
                           std::string_view titles) {
    Scoreboard board;
    const std::vector<Column> columns = Columns(layout, titles);
    const std::vector<std::string_view> words = Words(text);
    int team = TeamPlayers;
    std::size_t at = 0;
    const auto more = [&] { return at < words.size() && !IsTag(words[at]); };
    while (at < words.size()) {
        const std::string_view tag = words[at++];
        if (tag == "&t") {
            if (!more()) {
                continue;
            }
            team = ToInt(words[at++]);
            if (more()) {
                board.teamScores[team] = ToInt(words[at++]);
            }
            while (more()) {
                ++at; // the team's ping
            }
        } else if (tag == "&p") {
            ScoreboardRow row;
            row.team = team;
            for (const Column& column : columns) {
                if (!more()) {
                    break;
                }
                const std::string_view value = words[at++];
                switch (column.type) {
                case 'n': {
                    // A negative number is a player drawn faded: -1 - client.
                    const int number = ToInt(value);
                    row.client = number < 0 ? -number - 1 : number;
                    break;
                }
                case 'i':
                    if (EqualIgnoringCase(column.title, "Score")) {
                        row.score = ToInt(value);
                    }
                    row.columns.emplace_back(column.title, std::to_string(ToInt(value)));
                    break;
                case 'l':
                    row.columns.emplace_back(column.title, std::to_string(ToInt(value)));
                    break;
                case 'b':
                    row.columns.emplace_back(column.title, ToInt(value) != 0 ? "Yes" : "No");
                    break;
                case 't':
                    row.columns.emplace_back(column.title, RaceTime(ToInt(value)));
                    break;
                case 'p':
                    break; // a picture
                default:
                    row.columns.emplace_back(column.title,
                                             WarsowTextToUtf8(StripColourCodes(value)));
                    break;
                }
            }
            while (more()) {
                ++at; // values beyond the layout
            }
            if (row.client >= 0) {
                board.rows.push_back(std::move(row));
            }
        } else if (tag == "&s" || tag == "&w") {
            // Pairs of client number and ping.
            while (more()) {
                ScoreboardRow row;
                row.client = ToInt(words[at++]);
                row.team = TeamSpectator;
                row.spectator = true;
                if (more()) {
                    ++at;
                }
                if (row.client >= 0) {
                    board.rows.push_back(std::move(row));
                }
            }
        } else {
            while (more()) {
                ++at; // a part this reader does not know
            }
        }
    }
    // Columns with no title are of no use in a player's details.
    for (ScoreboardRow& row : board.rows) {
        std::erase_if(row.columns, [](const auto& column) { return column.first.empty(); });
    }
    return board;
}

std::string GameTypeOfOldScoreboard(std::string_view text) {
    const std::vector<std::string_view> words = Words(text);
    if (words.empty()) {
        return {};
    }
    const std::string_view first = words.front();
    if (first.size() < 3 || first.front() != '&' || first.back() != 's') {
        return {};
    }
    return std::string(first.substr(1, first.size() - 2));
}

} // namespace fenlark::readers::warsow
