#include "library/ArchiveMembers.h"

#include <archive.h>
#include <archive_entry.h>

#include <array>
#include <memory>
#include <string_view>

namespace fenlark::library {

namespace {

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

bool EndsWith(const std::string& text, std::string_view suffix) {
    return text.size() > suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

constexpr std::array<std::string_view, 3> MultiMemberSuffixes = {".zip", ".7z", ".tar"};
constexpr std::array<std::string_view, 6> TarShorthands = {".tgz", ".tbz", ".tbz2",
                                                           ".txz", ".tlz", ".tzst"};
constexpr std::array<std::string_view, 3> CompressionSuffixes = {".gz", ".bz2", ".xz"};

bool IsTarName(const std::string& lower) {
    for (std::string_view suffix : TarShorthands) {
        if (EndsWith(lower, suffix)) {
            return true;
        }
    }
    for (std::string_view compression : CompressionSuffixes) {
        if (EndsWith(lower, std::string(".tar") + std::string(compression))) {
            return true;
        }
    }
    return false;
}

// The suffix of a file compressed on its own, "" when the name has none.
std::string_view CompressionSuffix(const std::string& lower) {
    if (IsTarName(lower)) {
        return {};
    }
    for (std::string_view suffix : CompressionSuffixes) {
        if (EndsWith(lower, suffix)) {
            return suffix;
        }
    }
    return {};
}

std::string FileName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ErrorOf(archive* reader) {
    const char* text = archive_error_string(reader);
    return text != nullptr ? text : "unknown archive error";
}

// libarchive reads the file, and members are copied out, in blocks of this size.
constexpr std::size_t BlockBytes = std::size_t{64} << 10;

struct ArchiveCloser {
    void operator()(archive* reader) const { archive_read_free(reader); }
};

} // namespace

bool IsArchiveName(const std::string& name) {
    const std::string lower = Lower(name);
    for (std::string_view suffix : MultiMemberSuffixes) {
        if (EndsWith(lower, suffix)) {
            return true;
        }
    }
    return IsTarName(lower) || !CompressionSuffix(lower).empty();
}

std::string ReadArchiveMembers(const std::string& path, std::uint64_t maxMemberBytes,
                               const ArchiveCallbacks& callbacks) {
    const std::string fileName = FileName(path);
    const std::string_view singleSuffix = CompressionSuffix(Lower(fileName));

    std::unique_ptr<archive, ArchiveCloser> reader(archive_read_new());
    if (!reader) {
        return "out of memory";
    }
    archive_read_support_filter_all(reader.get());
    archive_read_support_format_all(reader.get());
    // A file compressed on its own is one stream of raw bytes; only then is
    // the raw format allowed, so that a damaged zip is not taken for data.
    if (!singleSuffix.empty()) {
        archive_read_support_format_raw(reader.get());
    }
    if (archive_read_open_filename(reader.get(), path.c_str(), BlockBytes) != ARCHIVE_OK) {
        return "not a readable archive: " + ErrorOf(reader.get());
    }

    archive_entry* entry = nullptr;
    std::vector<std::uint8_t> buffer;
    while (true) {
        if (callbacks.cancelled && callbacks.cancelled()) {
            return {};
        }
        const int header = archive_read_next_header(reader.get(), &entry);
        if (header == ARCHIVE_EOF) {
            return {};
        }
        if (header == ARCHIVE_FATAL) {
            return "damaged archive: " + ErrorOf(reader.get());
        }
        if (header == ARCHIVE_RETRY) {
            continue;
        }
        // ARCHIVE_WARN still yields a usable header.
        if (archive_entry_filetype(entry) != AE_IFREG) {
            continue;
        }

        std::string name;
        if (archive_format(reader.get()) == ARCHIVE_FORMAT_RAW) {
            if (archive_filter_count(reader.get()) < 2) {
                return "not an archive or compressed file";
            }
            name = fileName.substr(0, fileName.size() - singleSuffix.size());
        } else if (const char* entryName = archive_entry_pathname(entry)) {
            name = entryName;
        }
        if (name.empty() || (callbacks.wanted && !callbacks.wanted(name))) {
            continue;
        }
        if (archive_entry_size_is_set(entry) != 0 && archive_entry_size(entry) >= 0 &&
            static_cast<std::uint64_t>(archive_entry_size(entry)) > maxMemberBytes) {
            callbacks.skipped(name, "member larger than the size limit");
            continue;
        }

        ArchiveMember member;
        member.name = name;
        if (archive_entry_mtime_is_set(entry) != 0) {
            member.mtime = static_cast<std::int64_t>(archive_entry_mtime(entry));
        }
        buffer.resize(BlockBytes);
        bool dropped = false;
        while (true) {
            const la_ssize_t got = archive_read_data(reader.get(), buffer.data(), buffer.size());
            if (got == 0) {
                break;
            }
            if (got < 0) {
                const std::string reason = ErrorOf(reader.get());
                if (got == ARCHIVE_FATAL) {
                    return "damaged archive: " + reason;
                }
                callbacks.skipped(name, "cannot read member: " + reason);
                member.bytes.clear();
                dropped = true; // already reported; nothing to hand over
                break;
            }
            if (member.bytes.size() + static_cast<std::size_t>(got) > maxMemberBytes) {
                callbacks.skipped(name, "member larger than the size limit");
                dropped = true;
                break;
            }
            member.bytes.insert(member.bytes.end(), buffer.begin(),
                                buffer.begin() + static_cast<std::ptrdiff_t>(got));
        }
        if (!dropped) {
            callbacks.member(std::move(member));
        }
    }
}

} // namespace fenlark::library
