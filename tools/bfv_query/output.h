#pragma once

#include <string>
#include <vector>

#include "query_run.h"

namespace vantorel::bfvQuery {

// For each server: "HOST:PORT", then what the stats window shows, or why nothing; a blank
// line after each.
std::string TextReport(const std::vector<Result>& results);

// One JSON array, one object per server.
std::string JsonReport(const std::vector<Result>& results);

// A JSON string literal: UTF-8 as it is, quotes, backslashes and control characters escaped.
std::string JsonString(const std::string& text);
void AppendJsonString(std::string& out, const std::string& text);

}  // namespace vantorel::bfvQuery
