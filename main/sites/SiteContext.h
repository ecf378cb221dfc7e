#pragma once
#include "HarvestSession.h"
#include "LeadIntake.h"
#include "WebFetcher.h"
#include "WindowHost.h"

namespace tessaly {

// Everything a site adapter's listing loop works with.
struct SiteContext {
    HarvestSession& session;
    IWebFetcher& fetcher;
    LeadIntake& intake;
    IPump& pump;
};

} // namespace tessaly
