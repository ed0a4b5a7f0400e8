#include "query/server_report.h"

#include <algorithm>

namespace vantorel {
namespace {

namespace parse = modBFVQueryParse;

// At most ServerReport::kMostTextBytes bytes of a UTF-8 text, without splitting a character.
std::string Bounded(std::string text) {
    if (text.size() <= ServerReport::kMostTextBytes) {
        return text;
    }
    std::size_t end = ServerReport::kMostTextBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    text.resize(end);
    text.shrink_to_fit();
    return text;
}

bool Shown(std::size_t key) {
    return std::find(std::begin(parse::kShownKeys), std::end(parse::kShownKeys), key) != std::end(parse::kShownKeys);
}

}  // namespace

std::shared_ptr<const ServerReport> SummarizeReply(const QueryReply& reply) {
    parse::ParsedReply parsed = ParseQueryReply(reply);
    auto report = std::make_shared<ServerReport>();
    for (const parse::ServerField& field : parse::ServerFields()) {
        report->record.*field.field = Bounded(std::move(parsed.record.*field.field));
    }
    report->held = parsed.held;
    report->players.reserve(parsed.players.size());
    for (parse::PlayerInfo& entry : parsed.players) {
        report->players.push_back({Bounded(std::move(entry.player)), Bounded(std::move(entry.team)),
                                   Bounded(std::move(entry.score)), Bounded(std::move(entry.kills)),
                                   Bounded(std::move(entry.deaths)), Bounded(std::move(entry.ping))});
    }
    report->othersLeftOut = parsed.othersLeftOut;
    for (const parse::ParsedReply::KeyPlace& place : parsed.order) {
        if (place.inRecord && Shown(place.index)) {
            continue;
        }
        if (report->others.size() == ServerReport::kMostOtherKeys) {
            ++report->othersLeftOut;
            continue;
        }
        if (place.inRecord) {
            const parse::ServerField& field = parse::ServerFields()[place.index];
            report->others.emplace_back(field.key, report->record.*field.field);
        } else {
            auto& [key, value] = parsed.others[place.index];
            report->others.emplace_back(Bounded(std::move(key)), Bounded(std::move(value)));
        }
    }
    return report;
}

StatsDisplay ShowReport(const ServerReport& report) {
    return ComposeStats(report.record, report.players);
}

}  // namespace vantorel
