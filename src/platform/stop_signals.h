#pragma once

namespace vantorel::platform {

// Makes SIGINT and SIGTERM (Ctrl+C and Ctrl+Break, or the console closing, on Windows) end
// the event loop's Run, so the program can close its sockets and exit.
void QuitOnStopSignals();

}  // namespace vantorel::platform
