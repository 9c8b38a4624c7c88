#pragma once
// Test helpers: a stream decoder wired to a row collector, fed as the tick and the loader do.
#include <QByteArray>
#include <QFile>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

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

// Row memory while *context (the rows still allowed; negative: no limit) is not 0.
inline void* limitedAllocate(std::size_t size, void* context) {
    int& left = *static_cast<int*>(context);
    return left == 0 ? nullptr : (--left, std::calloc(1, size));
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
    DisplayModes& modes = session.modes;
    TraceState& state = session.state;
    StreamDecoder& decoder = session.decoder;

    // Appends bytes behind the carried-over ones and splits them, in as many buffer
    // loads as they need; returns what the last SplitFrames returned.
    std::int32_t feed(const QByteArray& bytes, bool fromFile = true) {
        qsizetype done = 0;
        do {
            const auto n = std::min(ReceiveBuffer::kSize - buffer.carryOver,
                                    static_cast<std::int32_t>(bytes.size() - done));
            std::memcpy(buffer.bytes.data() + buffer.carryOver, bytes.constData() + done, n);
            done += n;
            buffer.carryOver =
                decoder.SplitFrames(buffer.bytes.data(), buffer.carryOver + n, fromFile);
        } while (done < bytes.size());
        return buffer.carryOver;
    }

    std::vector<TraceEntry*> listRows() const {
        std::vector<TraceEntry*> rows;
        for (TraceEntry* e = list.TraceListHead(); e != nullptr; e = e->next) rows.push_back(e);
        return rows;
    }
};

}  // namespace daridez::test
