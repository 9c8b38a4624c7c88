// Daridez: a front end for a LIN-bus tracer device. Takes no arguments.
#include "app/TraceApp.h"
#include "protocol/ProgramWide.h"

int main(int argc, char** argv) {
    daridez::TraceApp app(argc, argv);
    return app.run(daridez::programWide());
}
