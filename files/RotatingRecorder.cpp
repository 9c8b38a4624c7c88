#include "files/RotatingRecorder.h"

#include <algorithm>
#include <charconv>
#include <tuple>

#include "protocol/StreamDecoder.h"

namespace daridez {

namespace {

struct Unit {
    std::string_view name;
    std::uint64_t bytes;
    std::int64_t seconds;
};

constexpr Unit kUnits[] = {
    {"B", 1, 0},
    {"kB", 1000, 0},
    {"MB", 1000 * 1000, 0},
    {"GB", 1000 * 1000 * 1000, 0},
    {"KiB", 1024, 0},
    {"MiB", 1024 * 1024, 0},
    {"GiB", 1024 * 1024 * 1024, 0},
    {"s", 0, 1},
    {"min", 0, 60},
    {"h", 0, 3600},
    {"d", 0, 86400},
};

// A file's name without its extension, and the extension (".dump"; "" when none).
std::pair<std::string, std::string> splitExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t dot = path.rfind('.');
    const bool named =
        dot != std::string::npos && dot > 0 && (slash == std::string::npos || dot > slash + 1);
    if (!named) {
        return {path, ""};
    }
    return {path.substr(0, dot), path.substr(dot)};
}

}  // namespace

std::optional<RotatingRecorder::Limit> RotatingRecorder::ParseLimit(std::string_view text) {
    std::uint64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end == text.data() || number == 0) {
        return std::nullopt;
    }
    const std::string_view unit(end, static_cast<std::size_t>(text.data() + text.size() - end));
    for (const Unit& known : kUnits) {
        if (known.name != unit) {
            continue;
        }
        const std::uint64_t scale = known.bytes != 0 ? known.bytes : std::uint64_t(known.seconds);
        constexpr std::uint64_t kMost = std::uint64_t{1} << 62;
        if (number > kMost / scale) {
            return std::nullopt;
        }
        Limit limit;
        limit.bytes = known.bytes * number;
        limit.seconds = known.seconds * static_cast<std::int64_t>(number);
        return limit;
    }
    return std::nullopt;
}

RotatingRecorder::RotatingRecorder(const std::string& path, Limit limit,
                                   std::function<std::time_t()> now)
    : limit_(limit), now_(std::move(now)) {
    std::tie(stem_, extension_) = splitExtension(path);
}

bool RotatingRecorder::start() {
    return rotate();
}

bool RotatingRecorder::due(std::time_t now, std::size_t unwritten) const {
    return (limit_.bytes != 0 && file_.size() + unwritten >= limit_.bytes) ||
           (limit_.seconds != 0 && now - fileStart_ >= limit_.seconds);
}

bool RotatingRecorder::write(const std::uint8_t* bytes, std::size_t count) {
    if (count != 0) {
        file_.received(bytes, count);
    }
    return file_.recording();
}

bool RotatingRecorder::rotate() {
    fileStart_ = now_();
    return file_.create(stem_, extension_, fileStart_, true);
}

// Follows the device's frames (a length byte, then that many bytes; a 0 between frames
// is skipped) to find where each frame starts. Once the file is due, the stream is cut
// before the next frame that opens a row; a length byte at the end of the bytes waits
// for its kind byte to say which.
void RotatingRecorder::received(const std::uint8_t* bytes, std::size_t count) {
    if (!file_.recording() || count == 0) {
        return;
    }
    const std::time_t now = now_();
    std::size_t i = 0;
    std::size_t from = 0;  // bytes from here on are not written yet
    if (heldLength_) {
        const std::uint8_t held = *heldLength_;
        heldLength_.reset();
        if (StreamDecoder::OpensRow(held, bytes[0]) && due(now, 0) && !rotate()) {
            return;
        }
        if (!write(&held, 1)) {
            return;
        }
        frameLeft_ = held;
    }
    while (i < count) {
        if (frameLeft_ != 0) {
            const std::size_t step = std::min(frameLeft_, count - i);
            i += step;
            frameLeft_ -= step;
            continue;
        }
        const std::uint8_t length = bytes[i];
        if (length != 0 && due(now, i - from)) {
            if (i + 1 == count) {
                heldLength_ = length;
                write(bytes + from, i - from);
                return;
            }
            if (StreamDecoder::OpensRow(length, bytes[i + 1])) {
                if (!write(bytes + from, i - from) || !rotate()) {
                    return;
                }
                from = i;
            }
        }
        frameLeft_ = length;
        ++i;
    }
    write(bytes + from, count - from);
}

bool RotatingRecorder::close() {
    if (heldLength_ && file_.recording()) {
        const std::uint8_t held = *heldLength_;
        write(&held, 1);
    }
    heldLength_.reset();
    return file_.close();
}

}  // namespace daridez
