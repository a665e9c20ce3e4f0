// Peak memory of the match analysis.
//
//   fenlark_match_memory DEMO...        analyses each demo and prints a short
//                                       summary and the peak resident size
//   fenlark_match_memory --repeat SOURCE OUTPUT BYTES
//                                       writes a demo of at least BYTES bytes:
//                                       the gamestate record of SOURCE, then
//                                       its other records over and over with
//                                       sequence numbers that keep growing,
//                                       then the end marker
//
// The peak resident size comes from getrusage and covers the whole process.

#include "q3match/MatchAnalysis.h"

#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::int32_t ReadInt(const std::vector<char>& bytes, std::size_t at) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return static_cast<std::int32_t>(value);
}

void WriteInt(std::ofstream& out, std::int32_t value) {
    out.write(reinterpret_cast<const char*>(&value), 4);
}

int Repeat(const char* source, const char* output, std::uint64_t target) {
    std::ifstream in(source, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    struct Record {
        std::size_t offset;
        std::int32_t sequence;
        std::int32_t length;
    };
    std::vector<Record> records;
    for (std::size_t at = 0; at + 8 <= bytes.size();) {
        const std::int32_t length = ReadInt(bytes, at + 4);
        if (length < 0 || at + 8 + static_cast<std::size_t>(length) > bytes.size()) {
            break;
        }
        records.push_back({at, ReadInt(bytes, at), length});
        at += 8 + static_cast<std::size_t>(length);
    }
    if (records.size() < 2) {
        std::fprintf(stderr, "%s: too few records\n", source);
        return 1;
    }
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    const auto write = [&](const Record& record, std::int32_t sequence) {
        WriteInt(out, sequence);
        WriteInt(out, record.length);
        out.write(bytes.data() + record.offset + 8, record.length);
        return 8 + static_cast<std::uint64_t>(record.length);
    };
    std::uint64_t written = write(records[0], records[0].sequence);
    // Each pass continues the sequence numbers where the previous one ended,
    // so that delta references stay within the recent records.
    const std::int32_t span = records.back().sequence - records[1].sequence + 1;
    for (std::int64_t pass = 0; written < target; ++pass) {
        for (std::size_t i = 1; i < records.size() && written < target; ++i) {
            written += write(records[i], static_cast<std::int32_t>(records[i].sequence +
                                                                   pass * std::int64_t{span}));
        }
    }
    WriteInt(out, -1);
    WriteInt(out, -1);
    std::printf("%s: %llu bytes\n", output, static_cast<unsigned long long>(written + 8));
    return out ? 0 : 1;
}

long PeakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "--repeat") == 0) {
        return Repeat(argv[2], argv[3], std::stoull(argv[4]));
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DEMO... | --repeat SOURCE OUTPUT BYTES\n", argv[0]);
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        const fenlark::MatchFacts facts = fenlark::q3match::AnalyseDemoFile(argv[i]);
        std::printf("%s: %s after %llu messages at byte %llu; %zu players, %zu frags, %zu chat "
                    "lines; peak resident %ld KiB\n",
                    argv[i], facts.ended.reason.c_str(),
                    static_cast<unsigned long long>(facts.ended.messagesRead),
                    static_cast<unsigned long long>(facts.ended.byteOffset.value_or(0)),
                    facts.players.size(), facts.frags.size(), facts.chat.size(), PeakResidentKiB());
    }
    return 0;
}
