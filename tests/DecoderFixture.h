#pragma once
// Test helpers: device frames built byte by byte, and a decoder wired to a row collector.
#include <QByteArray>
#include <QString>
#include <algorithm>
#include <vector>

#include "protocol/ReceiveBuffer.h"
#include "protocol/RowSink.h"
#include "protocol/StreamDecoder.h"

namespace daridez::test {

// Collects the rows the decoder hands on, as the list view would.
class RowCollector : public RowSink {
  public:
    bool AppendRow(TraceEntry* entry, std::int32_t number) override {
        rows.push_back(entry);
        numbers.push_back(number);
        return true;
    }
    void endOfBatch() override { ++batches; }
    RowColours rowColours() const override { return colours; }

    std::vector<TraceEntry*> rows;
    std::vector<std::int32_t> numbers;
    int batches = 0;
    RowColours colours{0x00C0C0C0, 0x00102030};
};

inline QByteArray frameBytes(std::initializer_list<int> bytes) {
    QByteArray out;
    for (int b : bytes) {
        out.append(static_cast<char>(b));
    }
    return out;
}

inline QByteArray breakFrame(int stamp) {
    return frameBytes({0x04, 0x90, stamp >> 8, stamp & 0xFF, 0x00});
}
inline QByteArray field(int kind, int stamp, int value) {
    return frameBytes({0x05, kind, stamp >> 8, stamp & 0xFF, value, 0x00});
}
inline QByteArray syncFrame(int stamp, int value = 0x55) {
    return field(0x91, stamp, value);
}
inline QByteArray idFrame(int stamp, int id) {
    return field(0x92, stamp, id);
}
// Response byte n (1 to 9).
inline QByteArray byteFrame(int n, int stamp, int value) {
    return field(0x92 + n, stamp, value);
}
inline QByteArray wrapFrame() {
    return frameBytes({0x02, 0xA0, 0xA2});
}
inline QByteArray startMarker(int n) {
    return frameBytes({0x05, 0x82, n >> 8, n & 0xFF, 0x00, 0x00});
}
inline QByteArray deviceError(int stamp, int code) {
    return field(0x9C, stamp, code);
}

// A LIN frame: break, sync 0x55, identifier, and the given response bytes, stamped
// 16 us apart from stamp on.
inline QByteArray linFrame(int stamp, int id, const std::vector<int>& bytes) {
    QByteArray out = breakFrame(stamp) + syncFrame(stamp + 16) + idFrame(stamp + 32, id);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out += byteFrame(static_cast<int>(i) + 1, stamp + 48 + 16 * static_cast<int>(i), bytes[i]);
    }
    return out;
}

inline QString text(const char* field) {
    return QString::fromLatin1(field);
}

inline QByteArray slot(const TraceEntry* entry, int k) {
    return QByteArray(reinterpret_cast<const char*>(entry->frames[k]), kSlotSize);
}

// A decoder with its own list, collector, modes, state and receive buffer.
struct DecoderFixture {
    TraceList list;
    RowCollector sink;
    DisplayModes modes;
    TraceState state = TraceState::Idle;
    StreamDecoder decoder{list, sink, modes, state};
    ReceiveBuffer buffer;

    DecoderFixture() { decoder.ResetDecoder(); }

    // Appends bytes behind the carried-over ones and splits them, as the timer tick and
    // the loader do. Returns what SplitFrames returned.
    // Longer streams go in as many buffer loads as they need.
    std::int32_t feed(const QByteArray& bytes, bool fromFile = true) {
        qsizetype done = 0;
        std::int32_t result = 0;
        do {
            const qsizetype room = ReceiveBuffer::kSize - buffer.carryOver;
            const qsizetype n = std::min(room, bytes.size() - done);
            std::copy(bytes.begin() + done, bytes.begin() + done + n,
                      buffer.bytes.begin() + buffer.carryOver);
            done += n;
            result = decoder.SplitFrames(buffer.bytes.data(),
                                         buffer.carryOver + static_cast<std::int32_t>(n), fromFile);
            buffer.carryOver = result;
        } while (done < bytes.size());
        return result;
    }

    std::vector<TraceEntry*> listRows() const {
        std::vector<TraceEntry*> rows;
        for (TraceEntry* e = list.TraceListHead(); e != nullptr; e = e->next) {
            rows.push_back(e);
        }
        return rows;
    }
};

}  // namespace daridez::test
