#pragma once
// Fakes for driving the site adapters without a window or a network.

#include "HarvestHost.h"
#include "LeadIntake.h"
#include "SiteContext.h"
#include "WebFetcher.h"
#include "WindowHost.h"

#include <QDate>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tessaly::testing {

// Serves pages from a map; unknown URLs fail like a 404. Records every
// request, and can run a hook during a fetch (e.g. the user pressing Stop).
struct FakeFetcher : IWebFetcher {
    std::map<std::string, std::string> pages;
    std::vector<std::string> requests;
    std::function<void(const std::string&)> duringFetch;

    bool GetWebResource(const std::string& url, std::string& body) override
    {
        requests.push_back(url);
        if (duringFetch)
            duringFetch(url);
        const auto it = pages.find(url);
        if (it == pages.end())
            return false;
        body = it->second;
        return true;
    }
};

struct FakePump : IPump {
    int pumps = 0;
    void Pump() override { ++pumps; }
};

struct FakeIntakeHost : IIntakeHost {
    QDate start = QDate::currentDate();
    QDate end = QDate::currentDate();
    std::vector<LeadRecord> rows;
    std::vector<std::string> exportLines;
    QString panel;

    QDate StartDate() override { return start; }
    QDate EndDate() override { return end; }
    int AddResultRow(const LeadRecord& record) override
    {
        rows.push_back(record);
        return int(rows.size());
    }
    void SetSecondaryPanel(const QString& text) override { panel = text; }
    void AppendExportLine(const std::string&, const std::string&, const std::string& line) override
    {
        exportLines.push_back(line);
    }
};

// Everything a listing loop needs, wired together.
struct Harness {
    HarvestSession session;
    AppSettings settings;
    FakeFetcher fetcher;
    FakePump pump;
    FakeIntakeHost host;
    LeadIntake intake{session, settings, host};
    SiteContext ctx{session, fetcher, intake, pump};

    Harness() { session.Running = true; }
    std::vector<std::string> RowUrls() const
    {
        std::vector<std::string> urls;
        for (const LeadRecord& r : host.rows)
            urls.push_back(r.DetailsUrl);
        return urls;
    }
};

} // namespace tessaly::testing
