#pragma once
// Shared pieces of the library tests: a describer that reads its facts from
// the demo's own bytes (so a test sees which bytes reached it), and archives
// written with libarchive in a temporary folder.

#include "library/DemoDescriber.h"

#include <archive.h>
#include <archive_entry.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace fenlark::library::test {

// A test demo is text: "map=NAME;players=A,B;game=G". Anything else is
// described with the message "not a test demo".
class TextDescriber final : public DemoDescriber {
public:
    explicit TextDescriber(std::atomic<int>* calls = nullptr,
                           std::chrono::microseconds delay = std::chrono::microseconds(0))
        : calls_(calls), delay_(delay) {}

    DemoInfo describe(ByteSource& bytes, const DemoLocation&, const std::string&) override {
        if (calls_ != nullptr)
            ++*calls_;
        if (delay_.count() > 0)
            std::this_thread::sleep_for(delay_);
        std::vector<std::uint8_t> data(static_cast<std::size_t>(bytes.size()));
        const auto got = bytes.readAt(0, data);
        DemoInfo info;
        const std::string text(data.begin(),
                               data.begin() + static_cast<std::ptrdiff_t>(got.value_or(0)));
        if (text.rfind("map=", 0) != 0) {
            info.message = "not a test demo";
            return info;
        }
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find(';', start);
            if (end == std::string::npos)
                end = text.size();
            const std::string field = text.substr(start, end - start);
            const std::size_t equals = field.find('=');
            const std::string key = field.substr(0, equals);
            const std::string value = equals == std::string::npos ? "" : field.substr(equals + 1);
            if (key == "map")
                info.map = value;
            else if (key == "game")
                info.game = value;
            else if (key == "players")
                for (std::size_t p = 0; p <= value.size();) {
                    std::size_t comma = value.find(',', p);
                    if (comma == std::string::npos)
                        comma = value.size();
                    info.players.push_back(value.substr(p, comma - p));
                    p = comma + 1;
                }
            start = end + 1;
        }
        return info;
    }

private:
    std::atomic<int>* calls_;
    std::chrono::microseconds delay_;
};

inline DescriberFactory TextDescribers(std::atomic<int>* calls = nullptr,
                                       std::chrono::microseconds delay = {}) {
    return [calls, delay] { return std::make_unique<TextDescriber>(calls, delay); };
}

inline bool IsTestExtension(const std::string& extension) {
    return extension == "dm_68" || extension == "dem";
}

enum class ArchiveKind { Zip, TarGz, SevenZip, Gzip };

// Writes an archive of `members` (name, content). Gzip takes one member and
// writes it compressed on its own.
inline bool WriteArchive(const std::string& path, ArchiveKind kind,
                         const std::vector<std::pair<std::string, std::string>>& members) {
    archive* writer = archive_write_new();
    switch (kind) {
    case ArchiveKind::Zip:
        archive_write_set_format_zip(writer);
        break;
    case ArchiveKind::TarGz:
        archive_write_set_format_pax_restricted(writer);
        archive_write_add_filter_gzip(writer);
        break;
    case ArchiveKind::SevenZip:
        archive_write_set_format_7zip(writer);
        break;
    case ArchiveKind::Gzip:
        archive_write_set_format_raw(writer);
        archive_write_add_filter_gzip(writer);
        break;
    }
    bool ok = archive_write_open_filename(writer, path.c_str()) == ARCHIVE_OK;
    for (const auto& [name, content] : members) {
        if (!ok)
            break;
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, name.c_str());
        archive_entry_set_size(entry, static_cast<la_int64_t>(content.size()));
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_mtime(entry, 1600000000, 0);
        ok = archive_write_header(writer, entry) == ARCHIVE_OK &&
             archive_write_data(writer, content.data(), content.size()) ==
                 static_cast<la_ssize_t>(content.size());
        archive_entry_free(entry);
    }
    ok = archive_write_close(writer) == ARCHIVE_OK && ok;
    archive_write_free(writer);
    return ok;
}

} // namespace fenlark::library::test
