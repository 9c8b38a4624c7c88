#pragma once
// Test helpers: a stream decoder wired to a row collector, fed as the tick and the loader do.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "lin/Columns.h"
#include "lin/LinFrame.h"
#include "protocol/ReceiveBuffer.h"
#include "protocol/RowSink.h"
#include "protocol/TraceSession.h"

namespace daridez::test {

// Bytes written in hexadecimal; blanks between them are skipped.
inline QByteArray hex(const QByteArray& text) {
    return QByteArray::fromHex(text);
}

inline QByteArray bytesOf(const void* data, std::size_t size) {
    return QByteArray(static_cast<const char*>(data), static_cast<qsizetype>(size));
}

// A LIN frame as the device reports it, its fields stamped in the time step `at` (256 us
// apart): break, sync, the identifier byte pid, the data in hex and their classic checksum.
inline QByteArray linFrame(int at, int pid, const char* data) {
    const QByteArray bytes = QByteArray::fromHex(data);
    int sum = 0;
    for (const char byte : bytes) {
        sum += static_cast<unsigned char>(byte);
        sum = (sum & 0xFF) + (sum >> 8);
    }
    const QByteArray fields = QByteArray(1, '\x55') + char(pid) + bytes + char(~sum & 0xFF);
    QByteArray frame = QByteArray::fromHex(QString::asprintf("0490%02X0000", at).toLatin1());
    for (int slot = 1; slot <= fields.size(); ++slot) {
        frame += QByteArray::fromHex(
                     QString::asprintf("05%X%02X%X0", 0x90 + slot, at, slot).toLatin1()) +
                 fields[slot - 1] + '\0';
    }
    return frame;
}

// A file's bytes, "<none>" when it cannot be read.
inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

// True when the file now holds exactly these bytes.
inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The device frames of one LIN frame: a break, a sync byte (none when sync is -1), an
// identifier byte (none when pid is -1), then the response bytes, each stamped 0x10
// (break) to 0x40 (response) microseconds into the timer.
inline QByteArray deviceFramesOf(int sync, int pid, const QByteArray& response) {
    QByteArray frames = hex("0490001000");
    if (sync >= 0)
        frames += hex("0591002000").insert(4, char(sync));
    if (pid >= 0)
        frames += hex("0592003000").insert(4, char(pid));
    for (qsizetype i = 0; i < response.size(); ++i)
        frames += hex("05" + QByteArray::number(0x93 + i, 16) + "004000").insert(4, response[i]);
    return frames;
}

// The device frames of one LIN frame in hex, every field stamped hhll: a break, sync 55,
// then the identifier byte and the response bytes of idAndResponse ("3C 01 02 FC"); with
// none given the row ends after the sync.
inline QByteArray linFrameHex(const QByteArray& stamp, const QByteArray& idAndResponse) {
    QByteArray text = "0490" + stamp + "00 0591" + stamp + "5500";
    int kind = 0x92;
    for (const QByteArray& byte : idAndResponse.split(' '))
        if (!byte.isEmpty())
            text += " 05" + QByteArray::number(kind++, 16) + stamp + byte + "00";
    return text + " ";
}

// A LIN frame as a row reads: sync 55, the identifier byte pid, the data bytes in hex and
// a checksum byte 00 behind them.
inline LinFrame linFrameOf(std::uint8_t pid, const QByteArray& data) {
    LinFrame frame;
    frame.isLinFrame = frame.hasSync = frame.hasId = true;
    frame.sync = 0x55;
    frame.pid = pid;
    const QByteArray bytes = QByteArray::fromHex(data) + '\0';
    frame.responseCount = static_cast<int>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), frame.response);
    return frame;
}

// Collects the rows the decoder hands on, as the list view would.
struct RowCollector : RowSink {
    bool AppendRow(TraceEntry* entry, std::int32_t number) override {
        if (refusing)
            return false;
        return rows.push_back(entry), numbers.push_back(number), true;
    }
    void endOfBatch() override { ++batches; }
    void clearRows() override { rows.clear(), numbers.clear(); }
    void dropOldestRows(const TraceEntry* first, std::uint64_t count) override {
        while (!rows.empty() && rows.front() >= first && rows.front() < first + count)
            rows.erase(rows.begin()), numbers.erase(numbers.begin());
    }
    RowColours rowColours() const override { return colours; }

    std::vector<TraceEntry*> rows;
    std::vector<std::int32_t> numbers;
    int batches = 0;
    bool refusing = false;  // as a list whose index cannot grow
    RowColours colours{0x00C0C0C0, 0x00102030};
};

// A trace session with its own list, collector and receive buffer.
struct DecoderFixture {
    TraceList list;
    RowCollector sink;
    ReceiveBuffer buffer;
    TraceSession session{list, buffer, sink};
    TraceState& state = session.state;
    StreamDecoder& decoder = session.decoder;

    // Appends bytes behind the carried-over ones and splits them, in as many buffer
    // loads as they need; returns what the last SplitFrames saw.
    SplitResult feed(const QByteArray& bytes, bool fromFile = true) {
        qsizetype done = 0;
        SplitResult split;
        do {
            const auto n = std::min(ReceiveBuffer::kSize - buffer.carryOver,
                                    static_cast<std::int32_t>(bytes.size() - done));
            std::memcpy(buffer.bytes.data() + buffer.carryOver, bytes.constData() + done, n);
            done += n;
            split = decoder.SplitFrames(buffer.bytes.data(), buffer.carryOver + n, fromFile);
            buffer.carryOver = split.carryOver;
        } while (done < bytes.size());
        return split;
    }

    std::vector<TraceEntry*> listRows() const {
        std::vector<TraceEntry*> rows;
        for (TraceEntry& e : list) rows.push_back(&e);
        return rows;
    }

    // A cell's text in the list's display modes.
    QByteArray text(const TraceEntry* e, Column column) const {
        CellScratch scratch;
        return CellText(*e, list.textForm(), column, scratch);
    }
};

}  // namespace daridez::test
