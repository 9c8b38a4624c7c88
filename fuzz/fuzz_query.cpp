// libFuzzer target over the search language: any bytes as a query, parsed, then matched
// against rows of every kind.
//
// A query either parses, keeping its text, or is refused with a one-line message; a
// parsed query's text parses again to a query that keeps the same rows. Matching never
// reads beyond a row.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "fuzz/FuzzRows.h"
#include "lin/Query.h"
#include "protocol/StreamDecoder.h"

using namespace daridez;

namespace {

using fuzz::check;

// A start marker, LIN frames with and without sync, identifier and response (3C, C1, a
// failed check), a device error, an overflow and a bad frame, decoded once.
struct Rows : fuzz::FuzzTrace {
    Rows() {
        static const char kTrace[] =
            "058200010000 0490001000 0591002055 00 05920030 3C00 0593004001 00 05940050 0200"
            "0490001000 0591002055 00 0592003 0C100 059300407F 00 0594005080 00 059500603E00"
            "0490001000 0591002054 00 0592003001 00 0593004012 00 0594005034 00 059500600000"
            "0490001000 059C00104200 03F00000 014200 0490001000 0591002055 00";
        std::int32_t size = 0;
        std::string digits;  // two hex digits to a byte, blanks anywhere skipped
        for (const char c : std::string_view(kTrace))
            if (c != ' ' && (digits += c).size() == 2)
                buffer.bytes[std::size_t(size++)] =
                    std::uint8_t(std::stoi(std::exchange(digits, ""), nullptr, 16));
        session.decoder.ResetDecoder();
        session.decoder.SplitFrames(buffer.bytes.data(), size, true);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Rows rows;
    check(rows.list.TraceListHead() != nullptr);
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const std::optional<Query> query = Query::parse(text, error);
    if (!query) {
        check(!error.empty() && error.find('\n') == std::string::npos);
        return 0;
    }
    check(error.empty() && query->text() == text);
    std::string again;
    const std::optional<Query> reparsed = Query::parse(query->text(), again);
    check(reparsed.has_value());
    const TextForm& form = rows.list.textForm();
    for (const TraceEntry& row : rows.list)
        check(query->matches(row, form) == reparsed->matches(row, form));
    return 0;
}
