#include "gamedef/DefinitionReader.h"

#include "core/FileStamp.h"
#include "core/Files.h"
#include "core/TextCase.h"
#include "core/TextConversion.h"
#include "core/Trim.h"

#include <map>
#include <mutex>

namespace fenlark {

namespace {

constexpr unsigned char ContinuationMask = 0xC0;
constexpr unsigned char ContinuationTag = 0x80;

std::string CleanValue(std::string_view value) {
    value = TrimLine(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    if (value.size() > MaxDefinitionValueLength) {
        // The text is UTF-8: back off to the start of a character.
        std::size_t cut = MaxDefinitionValueLength;
        while (cut > 0 &&
               (static_cast<unsigned char>(value[cut]) & ContinuationMask) == ContinuationTag) {
            --cut;
        }
        value = value.substr(0, cut);
    }
    return std::string(value);
}

// Parsed files by path. A file whose stamp (size, times, identity) is
// unchanged since it was read is not read again. One read soon after a change
// of the file cannot be trusted by its stamp alone, so such an entry keeps the
// bytes and is read again on every use; the same bytes keep the same parse.
// Bounded, so that a folder of huge definitions cannot keep more than this in
// memory; when full it starts over.
class DefinitionCache {
public:
    std::shared_ptr<const DefinitionFile> load(const std::string& path) {
        const std::optional<FileStamp> before = StampOf(path);
        if (!before) {
            forget(path);
            return nullptr;
        }
        {
            const std::lock_guard lock(mutex_);
            if (auto found = files_.find(path);
                found != files_.end() && found->second.stamp == *before && !found->second.recent) {
                return found->second.file;
            }
        }
        const std::int64_t readAt = WallClockNs();
        std::optional<std::string> bytes = ReadWholeFile(path);
        const std::optional<FileStamp> after = StampOf(path);
        if (!bytes || !after) {
            forget(path);
            return nullptr;
        }
        // A file that changed while it was read is checked again next time.
        const bool recent = *after != *before || IsRecentChange(*after, readAt);

        const std::lock_guard lock(mutex_);
        if (auto found = files_.find(path); found != files_.end()) {
            if (found->second.bytes == *bytes) {
                found->second.stamp = *after;
                found->second.recent = recent;
                return found->second.file;
            }
            held_ -= found->second.footprint();
            files_.erase(found);
        }
        Entry entry{*after, recent, std::make_shared<const DefinitionFile>(*bytes),
                    std::move(*bytes)};
        if (held_ + entry.footprint() > MaxHeldBytes || files_.size() >= MaxFiles) {
            files_.clear();
            held_ = 0;
        }
        held_ += entry.footprint();
        return files_.insert_or_assign(path, std::move(entry)).first->second.file;
    }

private:
    static constexpr std::size_t MaxHeldBytes = std::size_t{256} << 20U;
    static constexpr std::size_t MaxFiles = 512;

    struct Entry {
        FileStamp stamp;
        bool recent = false;
        std::shared_ptr<const DefinitionFile> file;
        std::string bytes; // what was read, to recognise the same content again
        std::size_t footprint() const { return file->footprint() + bytes.size(); }
    };

    void forget(const std::string& path) {
        const std::lock_guard lock(mutex_);
        if (auto found = files_.find(path); found != files_.end()) {
            held_ -= found->second.footprint();
            files_.erase(found);
        }
    }

    std::mutex mutex_;
    std::map<std::string, Entry, std::less<>> files_;
    std::size_t held_ = 0;
};

} // namespace

DefinitionFile::DefinitionFile(std::string_view fileBytes) {
    // Valid UTF-8 is parsed where it lies; only other text is converted.
    constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
    if (fileBytes.starts_with(ByteOrderMark)) {
        fileBytes.remove_prefix(ByteOrderMark.size());
    }
    std::string converted;
    if (!IsValidUtf8(fileBytes)) {
        converted = Windows1252ToUtf8(fileBytes);
    }
    const std::string_view text = converted.empty() ? fileBytes : std::string_view(converted);
    Section* current = nullptr;
    std::size_t lineStart = 0;
    while (lineStart <= text.size()) {
        std::size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string_view::npos) {
            lineEnd = text.size();
        }
        const std::string_view line = TrimLine(text.substr(lineStart, lineEnd - lineStart));
        lineStart = lineEnd + 1;

        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            // Only the first section of a name counts: a later one of the
            // same name is passed over whole.
            const std::size_t close = line.find(']');
            const std::string_view name =
                TrimLine(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
            auto [found, inserted] = sections_.try_emplace(LowerCase(std::string(name)));
            current = inserted ? &found->second : nullptr;
            continue;
        }
        if (current == nullptr) {
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        const std::string key(TrimLine(line.substr(0, equals)));
        if (current->byLowerKey.try_emplace(LowerCase(key), current->entries.size()).second) {
            current->entries.emplace_back(key, CleanValue(line.substr(equals + 1)));
            footprint_ += 2 * key.size() + current->entries.back().second.size();
        }
    }
}

const std::string* DefinitionFile::find(std::string_view section, std::string_view key) const {
    const auto foundSection = sections_.find(LowerCase(std::string(TrimLine(section))));
    if (foundSection == sections_.end()) {
        return nullptr;
    }
    const Section& entries = foundSection->second;
    const auto foundKey = entries.byLowerKey.find(LowerCase(std::string(TrimLine(key))));
    if (foundKey == entries.byLowerKey.end()) {
        return nullptr;
    }
    return &entries.entries[foundKey->second].second;
}

std::vector<std::string> DefinitionFile::keys(std::string_view section) const {
    std::vector<std::string> names;
    const auto found = sections_.find(LowerCase(std::string(TrimLine(section))));
    if (found != sections_.end()) {
        names.reserve(found->second.entries.size());
        for (const auto& entry : found->second.entries) {
            names.push_back(entry.first);
        }
    }
    return names;
}

namespace {

// The files a thread's open read scopes have taken, by path (nullptr for a
// file that could not be read).
struct ReadScopeFiles {
    int depth = 0;
    std::map<std::string, std::shared_ptr<const DefinitionFile>, std::less<>> files;
};

ReadScopeFiles& ThreadReadScope() {
    thread_local ReadScopeFiles scope;
    return scope;
}

} // namespace

DefinitionReadScope::DefinitionReadScope() {
    ++ThreadReadScope().depth;
}

DefinitionReadScope::~DefinitionReadScope() {
    ReadScopeFiles& scope = ThreadReadScope();
    if (--scope.depth == 0) {
        scope.files.clear();
    }
}

std::shared_ptr<const DefinitionFile> LoadDefinitionFile(const std::string& path) {
    static DefinitionCache cache;
    ReadScopeFiles& scope = ThreadReadScope();
    if (scope.depth == 0) {
        return cache.load(path);
    }
    if (auto found = scope.files.find(path); found != scope.files.end()) {
        return found->second;
    }
    std::shared_ptr<const DefinitionFile> file = cache.load(path);
    scope.files.emplace(path, file);
    return file;
}

std::string ReadDefinitionValueFromText(const std::string& content, const std::string& section,
                                        const std::string& key, const std::string& defaultText) {
    const DefinitionFile file(content);
    const std::string* value = file.find(section, key);
    return value != nullptr ? *value : defaultText;
}

std::string ReadDefinitionValue(const std::string& definitionPath, const std::string& section,
                                const std::string& key, const std::string& defaultText) {
    const std::shared_ptr<const DefinitionFile> file = LoadDefinitionFile(definitionPath);
    if (!file) {
        return defaultText;
    }
    const std::string* value = file->find(section, key);
    return value != nullptr ? *value : defaultText;
}

std::vector<std::string> DefinitionAlternatives(std::string_view value) {
    std::vector<std::string> alternatives;
    constexpr std::string_view Separator = ";;";
    if (value.find(Separator) == std::string_view::npos) {
        // One name, which may be empty (an empty cvar name is a name too).
        alternatives.emplace_back(TrimLine(value));
        return alternatives;
    }
    while (true) {
        const std::size_t end = value.find(Separator);
        const std::string_view part = TrimLine(value.substr(0, end));
        if (!part.empty()) {
            alternatives.emplace_back(part);
        }
        if (end == std::string_view::npos) {
            break;
        }
        value.remove_prefix(end + Separator.size());
    }
    return alternatives;
}

} // namespace fenlark
