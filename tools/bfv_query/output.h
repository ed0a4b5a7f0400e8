#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "query/query_result.h"

namespace vantorel::bfvQuery {

class Listing;

struct TextOptions {
    bool longView = false;  // the five-line view of each server instead of one line
    bool players = false;   // the player lines, under a header
    bool rules = false;     // the server's other keys
};

// Text, every piece terminal-safe (TerminalSafe), so that no reply or list can steer the
// terminal. By default one line a server under TextHeader(), as qstat users know it:
// address, status, players/max, map, round trip in milliseconds, and the name, or why there
// is none; the player lines and the other keys, when asked for, indented under it. The long
// view: "HOST:PORT", its status and round-trip time, then the stats window's lines, or why
// there are none, and "Listed by: " the masters that listed it; a blank line after each server.
std::string TextHeader();
std::string TextEntry(const QueryResult& result, const TextOptions& options,
                      const std::vector<std::string>& masters = {});
std::string TextReport(const std::vector<QueryResult>& results, const TextOptions& options = {});

// One JSON array, one object per server.
std::string JsonReport(const std::vector<QueryResult>& results);
// The object of the i-th server, with what goes before it in the array; "masters" when a
// master listed it.
std::string JsonEntry(const QueryResult& result, std::size_t i, const std::vector<std::string>& masters = {});
std::string JsonEnd(std::size_t count);

// The whole report, handed to `write` a few servers at a time, so that a thousand servers'
// output (some megabytes of JSON) is never held whole yet goes out in few writes. False as
// soon as a write fails. `listing` names the masters of the servers they listed.
bool WriteReport(const std::vector<QueryResult>& results, bool json, const TextOptions& options,
                 const std::function<bool(std::string_view)>& write, const Listing* listing = nullptr);

// A JSON string literal, always valid UTF-8: quotes, backslashes and control characters
// (IsControlChar) escaped, and each byte that is not part of a well-formed UTF-8 sequence
// written as U+FFFD.
std::string JsonString(std::string_view text);
void AppendJsonString(std::string& out, std::string_view text);

// The text with each control character (IsControlChar) and each byte that is not part of a
// well-formed UTF-8 sequence replaced by "?".
std::string TerminalSafe(std::string_view text);

enum class SortKey { kNone, kPlayers, kPing, kName };
// Most players first, lowest ping first, or by server title; servers that did not answer
// go last. Equal servers keep their order.
void SortResults(std::vector<QueryResult>& results, SortKey key);

const char* StatusName(QueryResult::Status status);

}  // namespace vantorel::bfvQuery
