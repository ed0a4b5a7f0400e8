#pragma once

#include <string>
#include <vector>

#include "result.h"

namespace vantorel::bfvQuery {

struct TextOptions {
    bool players = false;  // the player lines, under a header
    bool rules = false;    // the server's other keys
};

// For each server: "HOST:PORT", its status and round-trip time, then what the stats window
// shows, or why nothing; a blank line after each. Every control character that a server
// (or a hosts file) put in a text is shown as "?", so no reply can steer the terminal.
std::string TextReport(const std::vector<Result>& results, const TextOptions& options = {});
std::string TextEntry(const Result& result, const TextOptions& options);

// One JSON array, one object per server.
std::string JsonReport(const std::vector<Result>& results);
// The object of the i-th server, with what goes before it in the array.
std::string JsonEntry(const Result& result, std::size_t i);
std::string JsonEnd(std::size_t count);

// A JSON string literal: UTF-8 as it is, quotes, backslashes and control characters escaped.
std::string JsonString(const std::string& text);
void AppendJsonString(std::string& out, const std::string& text);

// The text with each control character (C0, DEL and C1) replaced by "?".
std::string TerminalSafe(const std::string& text);

enum class SortKey { kNone, kPlayers, kPing, kName };
// Most players first, lowest ping first, or by server title; servers that did not answer
// go last. Equal servers keep their order.
void SortResults(std::vector<Result>& results, SortKey key);

const char* StatusName(Result::Status status);

}  // namespace vantorel::bfvQuery
