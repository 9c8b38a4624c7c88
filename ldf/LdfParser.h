#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ldf/LdfFile.h"
#include "ldf/LdfLinker.h"
#include "ldf/LdfTokens.h"

namespace daridez {

// Reads an LDF as real files are written: sections in any order, unknown sections and
// statements skipped with a warning, structural breaks reported where they are with
// what was read before them kept. Never throws on any input.
class LdfParser : private LdfTokens {
  public:
    static constexpr std::size_t kMaxFileSize = 16 * 1024 * 1024;

    // The bytes of an LDF (UTF-8 with or without a byte-order mark, or Windows-1252).
    static LdfFile parse(std::string_view bytes);
    // The file at path; a file that cannot be read (with the system's reason), or is over
    // kMaxFileSize, gives an error diagnostic for the whole file and read == false.
    static LdfFile read(const std::string& path);

  private:
    LdfParser(std::string_view text, LdfFile& out);

    // The grammar.
    void file();
    void headerValue(const LdfToken& name);
    template <typename Item>
    void block(const LdfToken& name, Item item);
    bool openBlock(const LdfToken& name);
    bool nodeItem();
    bool signalItem(bool diagnostic);
    bool initValue(LdfSignal& signal);
    bool frameItem();
    bool frameBody(LdfFrame& frame, LdfLinker::FrameNames& names);
    bool sporadicItem();
    bool eventTriggeredItem();
    bool diagnosticFrameItem();
    bool diagnosticAddressItem();
    bool nodeAttributesItem();
    bool nodeAttribute(LdfNode& node);
    bool scheduleTableItem();
    bool scheduleEntry(LdfScheduleTable& table);
    bool encodingItem();
    bool converter(LdfEncoding& encoding);
    bool representationItem();
    void unknown(const LdfToken& name, std::string_view where);
    LdfNode& nodeNamed(const std::string& name, LdfPosition at);

    LdfModel& model_;
    LdfLinker linker_;
    // Names declared so far, so that a declaration is checked in one lookup however
    // long the lists grow.
    std::unordered_map<std::string, std::size_t, LdfModel::NameHash, std::equal_to<>> nodeNames_;
    LdfModel::NameSet signalNames_;
};

}  // namespace daridez
