// A plain-text record of what one launch read and tried, for support cases.
// Off unless the environment variable ZOV_TRACE names a file (on Linux
// also "-" for standard error); while it is off every call returns at
// once, and a trace that cannot be opened or written never changes the
// launch. Each line is written as it comes, so a process that ends inside
// the runtime still leaves everything up to that point.
#ifndef ZOV_PLATFORM_TRACE_H_
#define ZOV_PLATFORM_TRACE_H_

// Reads ZOV_TRACE and opens the trace for appending. Called once, first
// thing in main.
void TraceStart();

// Appends one line: printf-style format (the C runtime's), the line end is
// added. Lines are written whole up to 16 MiB, longer ones not at all.
void Trace(const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// True while a trace is open: for work done only to be traced.
bool Tracing();

// Closes the trace. Safe without TraceStart, and to repeat.
void TraceEnd();

#endif  // ZOV_PLATFORM_TRACE_H_
