#pragma once

#include <string>
#include <string_view>

namespace daridez {

// The bytes of an LDF as UTF-8 text: a byte-order mark is dropped, and bytes that are not
// valid UTF-8 are read as Windows-1252 (files written by older tools carry a Latin "°C").
class LdfText {
  public:
    explicit LdfText(std::string_view bytes);

    const std::string& text() const { return text_; }
    // True when the bytes were not UTF-8 and were read as Windows-1252.
    bool windows1252() const { return windows1252_; }
    // Where the first byte that is not UTF-8 stood (1-based), when windows1252().
    int line() const { return line_; }
    int column() const { return column_; }

  private:
    void convertFromWindows1252(std::string_view bytes);

    std::string text_;
    bool windows1252_ = false;
    int line_ = 0;
    int column_ = 0;
};

}  // namespace daridez
