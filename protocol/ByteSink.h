#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace daridez {

// Where the trace controller hands the device's bytes of a running trace, exactly as
// read from the port, so they can be kept (a recording to disk) without the controller
// knowing where they go.
class ByteSink {
  public:
    virtual ~ByteSink() = default;

    // A trace starts (or the sink is attached while one runs); the bytes follow.
    virtual void traceStarted() {}
    // Bytes of the running trace, in the order the decoder sees them.
    virtual void received(const std::uint8_t* bytes, std::size_t count) = 0;
    // Every timer tick while attached: the moment to make the bytes durable.
    virtual void tick() {}
    // The trace ended (Stop, a lost device) or the sink was detached during one.
    virtual void traceEnded() {}
    // Where the bytes are kept for good (a file), "" while they are not.
    virtual std::string keptIn() const { return {}; }
    // Where the rows the list lets go at its row budget can still be found, for status
    // line 1 ("they are in FILE" while every byte is kept). "" while nothing keeps them:
    // the list then keeps every row and the trace stops at the budget.
    virtual std::string droppedRowsNote() const {
        const std::string where = keptIn();
        return where.empty() ? where : "they are in " + where;
    }
    // Just before the list drops its oldest rows: a sink that reads its rows from the
    // list reads them now (every row but the last is complete then).
    virtual void rowsLeaving() {}
};

}  // namespace daridez
