#pragma once

#include "protocol/ReceiveBuffer.h"
#include "protocol/RowSink.h"
#include "protocol/StreamDecoder.h"
#include "protocol/TraceState.h"
#include "trace/DisplayModes.h"
#include "trace/TraceList.h"

namespace daridez {

// Everything one trace is made of: the rows (with the display modes their texts are
// made in), the receive buffer the device's bytes come through, the controller's
// state and the decoder that ties them together. The window, the command-line tool, the
// fuzzer and the tests each make one; clear() is the one way to empty it.
struct TraceSession {
    // The list and the buffer are the program's own; the sink shows the rows.
    TraceSession(TraceList& list, ReceiveBuffer& buffer, RowSink& sink)
        : list(list), buffer(buffer), sink(sink) {}
    TraceSession(const TraceSession&) = delete;
    TraceSession& operator=(const TraceSession&) = delete;

    // An empty trace: the sink forgets its borrowed rows before they are freed, the
    // decoder starts from scratch, no partial frame is carried over.
    void clear() {
        sink.clearRows();
        list.FreeTraceList();
        decoder.ResetDecoder();
        buffer.carryOver = 0;
    }

    // Switches the display modes; the rows show their texts in them from now on, at no
    // cost per row. Returns false when nothing changed.
    bool applyDisplayModes(const DisplayModes& wanted) { return list.setDisplayModes(wanted); }
    const DisplayModes& modes() const { return list.textForm().modes; }

    TraceList& list;
    ReceiveBuffer& buffer;
    RowSink& sink;
    TraceState state = TraceState::Idle;
    StreamDecoder decoder{list, sink, state};
};

}  // namespace daridez
