#pragma once

#include <optional>

namespace vantorel::tools {

// Runs the event loop of a sample responder until a stop signal, or until `seconds` have
// passed when given. A run longer than the event loop's longest timer (24 days) has no end
// of its own, rather than an end at once.
void ServeUntilStopped(std::optional<double> seconds);

}  // namespace vantorel::tools
