#pragma once
// Recording stand-ins for what the Servers window's logic talks to: its view, the
// launcher and stats window behind its link, and the network behind its server source.

#include <string>
#include <vector>

#include "browse/frm_servers.h"

namespace vantorel::testing {

class FakeServersView : public browse::ServersWindowView {
  public:
    void RowsChanged(int count, int first, int last) override {
        rowCount = count;
        redraws.push_back({first, last});
    }
    void SelectionMoved(int row) override { selected = row; }
    void ShowMessage(const std::string& text, MessageIcon, const std::string& title) override {
        messages.push_back(title + ": " + text);
    }
    bool AskYesNo(const std::string& text, const std::string&) override {
        questions.push_back(text);
        return answer;
    }
    void CopyToClipboard(const std::string& text) override { clipboard = text; }

    struct Redraw {
        int first, last;
        bool operator==(const Redraw&) const = default;
    };
    int rowCount = 0;
    std::vector<Redraw> redraws;
    int selected = -1;
    std::vector<std::string> messages;  // "Title: text"
    std::vector<std::string> questions;
    bool answer = true;
    std::string clipboard;
};

class FakeServersLink : public browse::ServersWindowLink {
  public:
    std::vector<browse::FavoriteServer> Favorites() override { return favorites; }
    std::string FavoriteRefusal(const browse::FavoriteServer&) override { return refusal; }
    std::optional<std::string> ExistingFavorite(const std::string& name) override {
        for (const browse::FavoriteServer& favorite : favorites) {
            if (favorite.name == name) {
                return favorite.name;
            }
        }
        return std::nullopt;
    }
    std::string SaveFavorite(const browse::FavoriteServer& favorite) override {
        saved.push_back(favorite);
        return saveFailure;
    }
    std::string Join(const std::string& address) override {
        joins.push_back(address);
        return joinFailure;
    }
    void ShowInStats(const browse::ServerTarget& server) override { shown.push_back(server); }
    void WaitForSlot(const browse::ServerTarget& server) override { waits.push_back(server); }

    std::vector<browse::FavoriteServer> favorites;
    std::string refusal, saveFailure, joinFailure;
    std::vector<browse::FavoriteServer> saved;
    std::vector<std::string> joins;
    std::vector<browse::ServerTarget> shown, waits;
};

// Records what it is asked; the test then plays the network's reports through events.
class FakeServerSource : public browse::ServerSource {
  public:
    void SetEvents(browse::ServerSourceEvents* handler) override { events = handler; }
    void ListMasters(const std::vector<browse::MasterAddress>& list) override { masters = list; }
    void QueryServers(const std::vector<browse::ServerKey>& servers, int mostAtOnce) override {
        queried.insert(queried.end(), servers.begin(), servers.end());
        this->mostAtOnce = mostAtOnce;
    }
    void Cancel() override { ++cancels; }

    browse::ServerSourceEvents* events = nullptr;
    std::vector<browse::MasterAddress> masters;
    std::vector<browse::ServerKey> queried;
    int mostAtOnce = 0;
    int cancels = 0;
};

}  // namespace vantorel::testing
