// A plain-text record of what one launch read and tried, for support cases.
// Off unless the environment variable ZOV_TRACE names a file (on Linux also
// "-" for standard error); while it is off every call returns at once, and a
// trace that cannot be written never changes the launch.
#ifndef ZOV_PLATFORM_TRACE_H_
#define ZOV_PLATFORM_TRACE_H_

// Reads ZOV_TRACE and opens the trace. Called once, first thing in main.
void TraceStart();

// Appends one line: printf-style format, the newline is added.
void Trace(const char* format, ...);

// Flushes and closes the trace. Safe without TraceStart.
void TraceEnd();

#endif  // ZOV_PLATFORM_TRACE_H_
