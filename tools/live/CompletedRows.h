#pragma once

#include <functional>

#include "protocol/RowSink.h"
#include "trace/TraceList.h"

namespace daridez {

// Hands every row of a load to a consumer once the row is complete. Streaming, a row
// is complete as soon as the next one begins (the decoder never goes back to it), so
// it is handed on then and the rows before the new one are freed: memory stays the
// same for any file size. Otherwise the rows stay in the list and finish() hands them
// all on in creation order.
class CompletedRows : public RowSink {
  public:
    using Consumer = std::function<void(const TraceEntry&)>;

    CompletedRows(TraceList& list, bool streaming, Consumer consumer);

    bool AppendRow(TraceEntry* entry, std::int32_t number) override;
    void clearRows() override { pending_ = nullptr; }

    // The rows not handed on yet: the last one when streaming, else all of them.
    void finish();
    // Streaming: the row being filled counts as complete now, though no next row has
    // begun (a live bus fell quiet), and is handed on once. Bytes that still reach it
    // afterwards are not handed on again.
    void settle();

  private:
    TraceList& list_;
    bool streaming_;
    Consumer consumer_;
    TraceEntry* pending_ = nullptr;  // the row still being filled (streaming)
    bool pendingHandedOn_ = false;   // settle() handed pending_ on already
};

}  // namespace daridez
