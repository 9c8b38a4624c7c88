#pragma once

#include <functional>

#include "protocol/RowSink.h"
#include "trace/TraceList.h"

namespace daridez {

// Hands every row of a load to a consumer once the row is complete. Streaming, a row
// is complete as soon as the next one begins (the decoder never goes back to it); it is
// handed on when the one after that begins, so that the row following it is complete
// too (its verdict asks whether a new recording follows), and the rows before are
// freed: memory stays the same for any file size. Otherwise the rows stay in the list
// and finish() hands them all on in creation order.
class CompletedRows : public RowSink {
  public:
    using Consumer = std::function<void(const TraceEntry&)>;

    CompletedRows(TraceList& list, bool streaming, Consumer consumer);

    bool AppendRow(TraceEntry* entry, std::int32_t number) override;
    void clearRows() override { complete_ = pending_ = nullptr; }

    // The rows not handed on yet: the last two when streaming, else all of them.
    void finish();

  private:
    TraceList& list_;
    bool streaming_;
    Consumer consumer_;
    TraceEntry* complete_ = nullptr;  // the row before pending_ (streaming)
    TraceEntry* pending_ = nullptr;   // the row still being filled (streaming)
};

}  // namespace daridez
